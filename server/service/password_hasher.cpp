#include "server/service/password_hasher.h"

#include <algorithm>
#include <sodium.h>
#include <stdexcept>
#include <thread>

namespace textowl::server {
namespace {

struct Limits {
    unsigned long long ops;
    size_t mem;
};

Limits limitsFor(HashCost cost) {
    if (cost == HashCost::Minimum) {
        return {crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN};
    }
    return {crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE};
}

} // namespace

class PasswordHasher::Slot {
public:
    Slot(const PasswordHasher& h, const std::string& address) : m_h(h), m_address(address) {
        std::unique_lock lock(m_h.m_mutex);
        if (!holdPlace()) {
            return;
        }
        if (m_h.m_running >= m_h.m_concurrent) {
            if (m_h.m_waiting >= m_h.m_maxWaiting) {
                releasePlace();
                return;
            }
            ++m_h.m_waiting;
            m_h.m_freed.wait(lock, [this] { return m_h.m_running < m_h.m_concurrent; });
            --m_h.m_waiting;
        }
        ++m_h.m_running;
        m_taken = true;
    }
    ~Slot() {
        if (!m_taken) {
            return;
        }
        ++m_h.m_computed;
        {
            std::lock_guard lock(m_h.m_mutex);
            --m_h.m_running;
            releasePlace();
        }
        m_h.m_freed.notify_one();
    }
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;

    bool taken() const { return m_taken; }

private:
    bool limited() const { return m_h.m_perAddress > 0 && !m_address.empty(); }

    // Called with the mutex held.
    bool holdPlace() {
        if (!limited()) {
            return true;
        }
        int& held = m_h.m_held[m_address];
        if (held >= m_h.m_perAddress) {
            return false;
        }
        ++held;
        return true;
    }
    void releasePlace() {
        if (!limited()) {
            return;
        }
        if (const auto it = m_h.m_held.find(m_address);
            it != m_h.m_held.end() && --it->second <= 0) {
            m_h.m_held.erase(it);
        }
    }

    const PasswordHasher& m_h;
    const std::string& m_address;
    bool m_taken = false;
};

const char* const kDemoPasswordHash = "$argon2id$v=19$m=65536,t=2,p=1$TNWeL/KW+XyG2rxFcHbFdA$"
                                      "nCBjVWYjcFyaPRiEOXXt69UjZh39cnXkzllKwMEdtek";

PasswordHasher::PasswordHasher(HashCost cost, HashLimits limits)
    : m_cost(cost),
      m_concurrent(limits.concurrent > 0
                       ? limits.concurrent
                       : std::max(1, static_cast<int>(std::thread::hardware_concurrency()))),
      m_maxWaiting(limits.waiting >= 0 ? limits.waiting : 16 * m_concurrent),
      m_perAddress(limits.perAddress) {
    if (sodium_init() < 0) {
        throw std::runtime_error("libsodium cannot be initialised");
    }
}

HashStatus PasswordHasher::hash(const std::string& password, std::string& out,
                                const std::string& address) const {
    char text[crypto_pwhash_STRBYTES];
    const Limits limits = limitsFor(m_cost);
    const Slot slot(*this, address);
    if (!slot.taken()) {
        return HashStatus::Busy;
    }
    if (crypto_pwhash_str(text, password.data(), password.size(), limits.ops, limits.mem) != 0) {
        throw std::runtime_error("password hashing failed");
    }
    out = text;
    return HashStatus::Match;
}

HashStatus PasswordHasher::verify(const std::string& hash, const std::string& password,
                                  const std::string& address) const {
    if (hash.size() >= crypto_pwhash_STRBYTES) {
        return HashStatus::Mismatch;
    }
    const Slot slot(*this, address);
    if (!slot.taken()) {
        return HashStatus::Busy;
    }
    return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0
               ? HashStatus::Match
               : HashStatus::Mismatch;
}

HashStatus PasswordHasher::verifyDummy(const std::string& password,
                                       const std::string& address) const {
    return verify(kDemoPasswordHash, password, address) == HashStatus::Busy ? HashStatus::Busy
                                                                            : HashStatus::Mismatch;
}

} // namespace textowl::server
