#include "server/service/event_quota.h"

namespace textowl::server {

EventQuota::EventQuota(Limits limits, Clock clock)
    : m_limits(limits), m_clock(clock ? std::move(clock) : Clock(steadyMilliseconds)) {}

void EventQuota::expire(std::deque<Milliseconds>& times, Milliseconds now) const {
    while (!times.empty() && now - times.front() >= m_limits.window) {
        times.pop_front();
    }
}

void EventQuota::sweep(Milliseconds now) {
    for (auto it = m_byKey.begin(); it != m_byKey.end();) {
        expire(it->second, now);
        it = it->second.empty() ? m_byKey.erase(it) : std::next(it);
    }
}

bool EventQuota::take(const std::string& key) {
    std::lock_guard lock(m_mutex);
    const Milliseconds now = m_clock();
    expire(m_all, now);
    if (m_limits.inAll > 0 && std::ssize(m_all) >= m_limits.inAll) {
        return false;
    }
    auto it = m_byKey.find(key);
    if (it == m_byKey.end() && m_limits.perKey > 0) {
        if (m_byKey.size() >= m_limits.maxKeys) {
            sweep(now);
        }
        if (m_byKey.size() >= m_limits.maxKeys) {
            return false;
        }
        it = m_byKey.emplace(key, std::deque<Milliseconds>{}).first;
    }
    if (it != m_byKey.end()) {
        expire(it->second, now);
        if (std::ssize(it->second) >= m_limits.perKey) {
            return false;
        }
        it->second.push_back(now);
    }
    m_all.push_back(now);
    return true;
}

void EventQuota::giveBack(const std::string& key) {
    std::lock_guard lock(m_mutex);
    if (const auto it = m_byKey.find(key); it != m_byKey.end() && !it->second.empty()) {
        it->second.pop_back();
    }
    if (!m_all.empty()) {
        m_all.pop_back();
    }
}

std::chrono::milliseconds steadyMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

} // namespace textowl::server
