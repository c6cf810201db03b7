#include "server/connection_registry.h"

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
        std::lock_guard lock(mutex_);
        const auto count = perAddress_.find(addressKey);
        if (count != perAddress_.end() && count->second >= limits_.perAddress) {
            return Admission::AddressFull;
        }
        if (std::ssize(entries_) >= limits_.total) {
            evicted = takeLongestIdle();
            if (!evicted) {
                return Admission::Full;
            }
        }
        id = next_++;
        entries_.emplace(id, Entry{addressKey, std::move(connection), false, {}});
        ++perAddress_[addressKey];
    }
    if (evicted) {
        evicted->close();
    }
    return Admission::Admitted;
}

void ConnectionRegistry::forget(std::map<Id, Entry>::iterator it) {
    if (it->second.idle) {
        idle_.erase(it->second.idlePosition);
    }
    const auto count = perAddress_.find(it->second.address);
    if (count != perAddress_.end() && --count->second <= 0) {
        perAddress_.erase(count);
    }
    entries_.erase(it);
}

void ConnectionRegistry::release(Id id) {
    std::lock_guard lock(mutex_);
    if (const auto it = entries_.find(id); it != entries_.end()) {
        forget(it);
    }
}

void ConnectionRegistry::setIdle(Id id, bool idle) {
    std::lock_guard lock(mutex_);
    const auto it = entries_.find(id);
    if (it == entries_.end() || it->second.idle == idle) {
        return;
    }
    if (idle) {
        it->second.idlePosition = idle_.insert(idle_.end(), id);
    } else {
        idle_.erase(it->second.idlePosition);
    }
    it->second.idle = idle;
}

std::shared_ptr<Closable> ConnectionRegistry::takeLongestIdle() {
    while (!idle_.empty()) {
        const auto it = entries_.find(idle_.front());
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
        std::lock_guard lock(mutex_);
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
        std::lock_guard lock(mutex_);
        for (auto& [id, entry] : entries_) {
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
    std::lock_guard lock(mutex_);
    return static_cast<int>(entries_.size());
}

} // namespace textowl::server
