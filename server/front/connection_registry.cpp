#include "server/front/connection_registry.h"

#include <arpa/inet.h>
#include <cstdio>
#include <vector>

namespace textowl::server {

std::string connectionAddressKey(std::string_view address) {
    const std::string text(address);
    unsigned char bytes[16];
    if (inet_pton(AF_INET6, text.c_str(), bytes) != 1) {
        return text;
    }
    static constexpr unsigned char kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    if (std::equal(kMapped, kMapped + 12, bytes)) {
        char v4[INET_ADDRSTRLEN];
        inet_ntop(AF_INET, bytes + 12, v4, sizeof v4);
        return v4;
    }
    char prefix[40];
    std::snprintf(prefix, sizeof prefix, "%02x%02x:%02x%02x:%02x%02x:%02x%02x::/64", bytes[0],
                  bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7]);
    return prefix;
}

ConnectionRegistry::Admission ConnectionRegistry::admit(const std::string& addressKey,
                                                        std::weak_ptr<Closable> connection,
                                                        Id& id) {
    std::shared_ptr<Closable> evicted;
    {
        std::lock_guard lock(m_mutex);
        const auto count = m_perAddress.find(addressKey);
        if (count != m_perAddress.end() && count->second >= m_limits.perAddress) {
            return Admission::AddressFull;
        }
        if (std::ssize(m_entries) >= m_limits.total) {
            evicted = takeLongestIdle();
            if (!evicted) {
                return Admission::Full;
            }
        }
        id = m_next++;
        m_entries.emplace(id, Entry{addressKey, std::move(connection), false, {}});
        ++m_perAddress[addressKey];
    }
    if (evicted) {
        evicted->close();
    }
    return Admission::Admitted;
}

void ConnectionRegistry::forget(std::map<Id, Entry>::iterator it) {
    if (it->second.idle) {
        m_idle.erase(it->second.idlePosition);
    }
    const auto count = m_perAddress.find(it->second.address);
    if (count != m_perAddress.end() && --count->second <= 0) {
        m_perAddress.erase(count);
    }
    m_entries.erase(it);
}

void ConnectionRegistry::release(Id id) {
    std::lock_guard lock(m_mutex);
    if (const auto it = m_entries.find(id); it != m_entries.end()) {
        forget(it);
    }
}

void ConnectionRegistry::setIdle(Id id, bool idle) {
    std::lock_guard lock(m_mutex);
    const auto it = m_entries.find(id);
    if (it == m_entries.end() || it->second.idle == idle) {
        return;
    }
    if (idle) {
        it->second.idlePosition = m_idle.insert(m_idle.end(), id);
    } else {
        m_idle.erase(it->second.idlePosition);
    }
    it->second.idle = idle;
}

std::shared_ptr<Closable> ConnectionRegistry::takeLongestIdle() {
    while (!m_idle.empty()) {
        const auto it = m_entries.find(m_idle.front());
        std::shared_ptr<Closable> connection = it->second.connection.lock();
        forget(it);
        if (connection) {
            return connection;
        }
    }
    return nullptr;
}

bool ConnectionRegistry::closeLongestIdle() {
    std::shared_ptr<Closable> connection;
    {
        std::lock_guard lock(m_mutex);
        connection = takeLongestIdle();
    }
    if (connection) {
        connection->close();
    }
    return connection != nullptr;
}

void ConnectionRegistry::closeAll() {
    std::vector<std::shared_ptr<Closable>> all;
    {
        std::lock_guard lock(m_mutex);
        for (auto& [id, entry] : m_entries) {
            if (auto c = entry.connection.lock()) {
                all.push_back(std::move(c));
            }
        }
    }
    for (const auto& c : all) {
        c->close();
    }
}

int ConnectionRegistry::open() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_entries.size());
}

} // namespace textowl::server
