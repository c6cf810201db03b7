#include "server/store/message_state.h"

#include <array>
#include <utility>

namespace textowl::server {
namespace {

constexpr std::array<std::pair<MessageState, std::string_view>, 9> kNames{{
    {MessageState::Held, "held"},
    {MessageState::Queued, "queued"},
    {MessageState::Submitted, "submitted"},
    {MessageState::Accepted, "accepted"},
    {MessageState::Delivered, "delivered"},
    {MessageState::Undelivered, "undelivered"},
    {MessageState::Rejected, "rejected"},
    {MessageState::Failed, "failed"},
    {MessageState::Unknown, "unknown"},
}};

bool isFinal(MessageState state) {
    return state == MessageState::Delivered || state == MessageState::Undelivered ||
           state == MessageState::Rejected || state == MessageState::Failed;
}

std::optional<MessageState> reportedState(int reportType) {
    switch (reportType) {
    case 1:
        return MessageState::Delivered;
    case 2:
        return MessageState::Undelivered;
    case 4:
    case 8:
        return MessageState::Accepted;
    case 16:
        return MessageState::Rejected;
    default:
        return std::nullopt;
    }
}

} // namespace

std::string_view stateName(MessageState state) {
    for (const auto& [value, name] : kNames) {
        if (value == state) {
            return name;
        }
    }
    return "unknown";
}

std::optional<MessageState> parseStateName(std::string_view name) {
    for (const auto& [value, text] : kNames) {
        if (text == name) {
            return value;
        }
    }
    return std::nullopt;
}

std::optional<MessageState> stateAfterReport(MessageState current, int reportType) {
    const auto next = reportedState(reportType);
    // A message that was never handed over has no report to expect.
    if (!next || isFinal(current) || current == MessageState::Held ||
        current == MessageState::Queued || current == *next) {
        return std::nullopt;
    }
    return next;
}

bool refundsCredits(MessageState state) {
    return state == MessageState::Failed || state == MessageState::Rejected;
}

bool endsBadly(MessageState state) {
    return refundsCredits(state) || state == MessageState::Undelivered;
}

} // namespace textowl::server
