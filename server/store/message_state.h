#pragma once

#include <optional>
#include <string_view>

namespace textowl::server {

// Where one message to one recipient stands. held: stored without a gateway to send it through;
// queued: waiting for its time or its next try; submitted: claimed for the gateway, and handed to
// it once the gateway's answer is recorded; accepted: the operator has it; unknown: the service
// stopped between handing it over and hearing the answer, so it may or may not have gone out.
enum class MessageState {
    Held,
    Queued,
    Submitted,
    Accepted,
    Delivered,
    Undelivered,
    Rejected,
    Failed,
    Unknown,
};

std::string_view stateName(MessageState state);
std::optional<MessageState> parseStateName(std::string_view name);

// The state a delivery report of the gateway's type (1 delivered, 2 not delivered, 4 queued at
// the operator, 8 accepted by the operator, 16 rejected) moves a message to; nothing when the
// report changes nothing. Reports may arrive in any order and even before the gateway's answer
// to the hand-off, so a final state is never left, and a report also settles an unknown.
std::optional<MessageState> stateAfterReport(MessageState current, int reportType);

// Failed and rejected messages never reached a phone and cost the operator nothing, so their
// credits go back; an undelivered one was paid for.
bool refundsCredits(MessageState state);

// The ends a sender wants to hear about, with the reason the gateway or the operator gave.
bool endsBadly(MessageState state);

} // namespace textowl::server
