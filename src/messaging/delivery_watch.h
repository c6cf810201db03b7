#pragma once

#include "service/operation_map.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace textowl {

// One message as apiGetMessageStates reports it, its texts already made safe to show.
struct MessageStatus {
    std::int64_t id = 0;
    std::string to;
    std::string state;
    std::string reason;
    std::string creditsReturned;
    std::int64_t updated = 0; // seconds since 1970 by the service's clock (UTC)
};

// The messages of an accepted answer, or nothing when the answer is refused, malformed or not a
// result document. A message whose id, state or time cannot be read is left out, and so is any
// beyond the first 100; texts are cut to a length a notice can hold and stripped of anything
// that could be read as markup.
std::optional<std::vector<MessageStatus>> readMessageStates(const ServiceText& result);

// What the user is told of a message whose fate is settled.
struct DeliveryNotice {
    bool failed = true; // failed, rejected or undelivered; else delivered
    MessageStatus message;
};

// Follows the session's messages through the answers of apiGetMessageStates and says which
// outcomes to announce, each once. The first answer also reports messages settled before the
// session began; those are passed over. The service's clock need not agree with ours: the newest
// time in the first answer stands for "now" there, and the session's age on our own clock leads
// back to its start.
class DeliveryWatch {
public:
    explicit DeliveryWatch(bool announceDelivered = false)
        : m_announceDelivered(announceDelivered) {}

    // sessionSeconds: how long the session has lasted, by our clock.
    std::vector<DeliveryNotice> take(const std::vector<MessageStatus>& answer,
                                     std::int64_t sessionSeconds);
    // The since parameter of the next check: before the oldest message still under way.
    std::int64_t since() const;
    // Whether a message of the session may still change.
    bool waiting() const { return !m_pending.empty(); }

private:
    bool m_announceDelivered;
    std::optional<std::int64_t> m_sessionStart; // by the service's clock
    std::int64_t m_newestId = 0;
    std::set<std::int64_t> m_pending;
    std::set<std::int64_t> m_settled;
};

} // namespace textowl
