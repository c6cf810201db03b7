#include "server/event_quota.h"

namespace textowl::server {

EventQuota::EventQuota(Limits limits, Clock clock)
    : limits_(limits), clock_(clock ? std::move(clock) : Clock(steadyMilliseconds)) {}

void EventQuota::expire(std::deque<Milliseconds>& times, Milliseconds now) const {
    while (!times.empty() && now - times.front() >= limits_.window) {
        times.pop_front();
    }
}

void EventQuota::sweep(Milliseconds now) {
    for (auto it = byKey_.begin(); it != byKey_.end();) {
        expire(it->second, now);
        it = it->second.empty() ? byKey_.erase(it) : std::next(it);
    }
}

bool EventQuota::take(const std::string& key) {
    std::lock_guard lock(mutex_);
    const Milliseconds now = clock_();
    expire(all_, now);
    if (limits_.inAll > 0 && std::ssize(all_) >= limits_.inAll) {
        return false;
    }
    auto it = byKey_.find(key);
    if (it == byKey_.end() && limits_.perKey > 0) {
        if (byKey_.size() >= limits_.maxKeys) {
            sweep(now);
        }
        if (byKey_.size() >= limits_.maxKeys) {
            return false;
        }
        it = byKey_.emplace(key, std::deque<Milliseconds>{}).first;
    }
    if (it != byKey_.end()) {
        expire(it->second, now);
        if (std::ssize(it->second) >= limits_.perKey) {
            return false;
        }
        it->second.push_back(now);
    }
    all_.push_back(now);
    return true;
}

void EventQuota::giveBack(const std::string& key) {
    std::lock_guard lock(mutex_);
    if (const auto it = byKey_.find(key); it != byKey_.end() && !it->second.empty()) {
        it->second.pop_back();
    }
    if (!all_.empty()) {
        all_.pop_back();
    }
}

std::chrono::milliseconds steadyMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

} // namespace textowl::server
