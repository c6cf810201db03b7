#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

namespace textowl::server {

enum class HashCost {
    Interactive, // libsodium's interactive limits: the default for real accounts
    Minimum,     // libsodium's minimum limits: for test databases only
};

// Each hash takes a core and tens of MiB for its run, so only a few run at once; a few more
// wait their turn, and the rest are turned away at once rather than piling up behind them while
// every other caller waits for a core.
struct HashLimits {
    int concurrent = 0; // 0: one per core
    int waiting = -1;   // -1: sixteen per concurrent hash, a second or so of waiting
    // Places, running or waiting, that the requests of one address may hold at a time, so that
    // a flood from one address cannot crowd out everyone else; 0: no limit.
    int perAddress = 4;
};

enum class HashStatus {
    Match,    // or, for hash(), done
    Mismatch, // verification only
    Busy,     // every slot taken and the queue full, or the address holds its share: nothing
              // was computed
};

// Argon2id password hashes in libsodium's self-describing string form, so that hashes made with
// either cost verify alike.
class PasswordHasher {
public:
    explicit PasswordHasher(HashCost cost = HashCost::Interactive, HashLimits limits = {});

    // address is the key of the address the request came from (see connectionAddressKey), or
    // empty for the operator's own commands, which no share limits. Throws when libsodium
    // cannot hash (out of memory).
    HashStatus hash(const std::string& password, std::string& out,
                    const std::string& address = {}) const;
    HashStatus verify(const std::string& hash, const std::string& password,
                      const std::string& address = {}) const;
    // Spends the time a verification takes, so that an unknown user name answers no faster
    // than a wrong password, and is turned away as busy alike.
    HashStatus verifyDummy(const std::string& password, const std::string& address = {}) const;

    // Hashes and verifications computed so far.
    std::uint64_t computed() const { return m_computed; }

private:
    class Slot;

    HashCost m_cost;
    int m_concurrent;
    int m_maxWaiting;
    int m_perAddress;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_freed;
    mutable int m_running = 0;
    mutable int m_waiting = 0;
    mutable std::unordered_map<std::string, int> m_held; // places per address
    mutable std::atomic<std::uint64_t> m_computed{0};
};

// A precomputed interactive-cost hash of "demo", so that creating the demo account costs no
// hashing time at start-up.
extern const char* const kDemoPasswordHash;

} // namespace textowl::server
