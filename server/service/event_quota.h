#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>

namespace textowl::server {

// Events per key (an address) and in all within a sliding window, such as sign-ups an hour:
// each event is taken before it happens and refused beyond either limit. Memory stays bounded:
// a key holds at most its limit of times, and at most maxKeys keys are followed, beyond which
// new keys are refused until old ones expire. Safe to use from several threads.
class EventQuota {
public:
    using Milliseconds = std::chrono::milliseconds;
    using Clock = std::function<Milliseconds()>; // monotonic

    struct Limits {
        int perKey = 0; // 0: no limit
        int inAll = 0;  // 0: no limit
        Milliseconds window{60 * 60 * 1000};
        std::size_t maxKeys = 100000;
    };

    EventQuota(Limits limits, Clock clock);

    bool take(const std::string& key);
    // The event last taken for key did not happen after all.
    void giveBack(const std::string& key);

private:
    void expire(std::deque<Milliseconds>& times, Milliseconds now) const;
    void sweep(Milliseconds now);

    Limits m_limits;
    Clock m_clock;
    std::mutex m_mutex;
    std::unordered_map<std::string, std::deque<Milliseconds>> m_byKey;
    std::deque<Milliseconds> m_all;
};

// Monotonic milliseconds, the default clock of the limits.
std::chrono::milliseconds steadyMilliseconds();

} // namespace textowl::server
