#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace textowl::server {

// The key that connections count against: an IPv4 address, or the /64 of an IPv6 address,
// since one subscriber line is commonly handed a whole /64.
std::string connectionAddressKey(std::string_view address);

// Something the registry can ask to close; called from any thread.
class Closable {
public:
    virtual ~Closable() = default;
    virtual void close() = 0;
};

// The open connections: how many each address holds, how many in all, and which sit idle
// between requests, oldest first, so that under pressure the longest-idle ones go first.
class ConnectionRegistry {
public:
    struct Limits {
        int perAddress = 64;
        int total = 20000;
    };
    enum class Admission { Admitted, AddressFull, Full };
    using Id = std::uint64_t;

    explicit ConnectionRegistry(Limits limits) : m_limits(limits) {}

    // Full only when no idle connection could be closed to make room; the one closed for it
    // goes at once from the counts.
    Admission admit(const std::string& addressKey, std::weak_ptr<Closable> connection, Id& id);
    void release(Id id);
    void setIdle(Id id, bool idle);
    // Closes the longest-idle connection; false when none is idle.
    bool closeLongestIdle();
    void closeAll();
    int open() const;
    int limitTotal() const { return m_limits.total; }

private:
    struct Entry {
        std::string address;
        std::weak_ptr<Closable> connection;
        bool idle = false;
        std::list<Id>::iterator idlePosition;
    };
    // Called locked; returns what to close once unlocked.
    std::shared_ptr<Closable> takeLongestIdle();
    void forget(std::map<Id, Entry>::iterator it);

    Limits m_limits;
    mutable std::mutex m_mutex;
    std::map<Id, Entry> m_entries;
    std::map<std::string, int, std::less<>> m_perAddress;
    std::list<Id> m_idle; // oldest at the front
    Id m_next = 1;
};

} // namespace textowl::server
