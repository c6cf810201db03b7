#pragma once

#include <optional>
#include <semaphore>
#include <string>

namespace textowl::server {

enum class HashCost {
    Interactive, // libsodium's interactive limits: the default for real accounts
    Minimum,     // libsodium's minimum limits: for test databases only
};

// Argon2id password hashes in libsodium's self-describing string form, so that hashes made with
// either cost verify alike.
class PasswordHasher {
public:
    explicit PasswordHasher(HashCost cost = HashCost::Interactive);

    std::optional<std::string> hash(const std::string& password) const;
    bool verify(const std::string& hash, const std::string& password) const;
    // Spends the time a verification takes, so that an unknown user name answers no faster
    // than a wrong password.
    void verifyDummy(const std::string& password) const;

private:
    // Each hash takes tens of MiB for its run, so only a few run at once, however many
    // sign-ins arrive together; the others wait their turn.
    static constexpr std::ptrdiff_t kMaxConcurrentHashes = 4;
    class Slot;

    HashCost cost_;
    mutable std::counting_semaphore<kMaxConcurrentHashes> slots_{kMaxConcurrentHashes};
};

// A precomputed interactive-cost hash of "demo", so that creating the demo account costs no
// hashing time at start-up.
extern const char* const kDemoPasswordHash;

} // namespace textowl::server
