#include "server/password_hasher.h"

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
    Slot(const PasswordHasher& h, const std::string& address) : h_(h), address_(address) {
        std::unique_lock lock(h_.mutex_);
        if (!holdPlace()) {
            return;
        }
        if (h_.running_ >= h_.concurrent_) {
            if (h_.waiting_ >= h_.maxWaiting_) {
                releasePlace();
                return;
            }
            ++h_.waiting_;
            h_.freed_.wait(lock, [this] { return h_.running_ < h_.concurrent_; });
            --h_.waiting_;
        }
        ++h_.running_;
        taken_ = true;
    }
    ~Slot() {
        if (!taken_) {
            return;
        }
        ++h_.computed_;
        {
            std::lock_guard lock(h_.mutex_);
            --h_.running_;
            releasePlace();
        }
        h_.freed_.notify_one();
    }
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;

    bool taken() const { return taken_; }

private:
    bool limited() const { return h_.perAddress_ > 0 && !address_.empty(); }

    // Called with the mutex held.
    bool holdPlace() {
        if (!limited()) {
            return true;
        }
        int& held = h_.held_[address_];
        if (held >= h_.perAddress_) {
            return false;
        }
        ++held;
        return true;
    }
    void releasePlace() {
        if (!limited()) {
            return;
        }
        if (const auto it = h_.held_.find(address_); it != h_.held_.end() && --it->second <= 0) {
            h_.held_.erase(it);
        }
    }

    const PasswordHasher& h_;
    const std::string& address_;
    bool taken_ = false;
};

const char* const kDemoPasswordHash = "$argon2id$v=19$m=65536,t=2,p=1$TNWeL/KW+XyG2rxFcHbFdA$"
                                      "nCBjVWYjcFyaPRiEOXXt69UjZh39cnXkzllKwMEdtek";

PasswordHasher::PasswordHasher(HashCost cost, HashLimits limits)
    : cost_(cost),
      concurrent_(limits.concurrent > 0
                      ? limits.concurrent
                      : std::max(1, static_cast<int>(std::thread::hardware_concurrency()))),
      maxWaiting_(limits.waiting >= 0 ? limits.waiting : 16 * concurrent_),
      perAddress_(limits.perAddress) {
    if (sodium_init() < 0) {
        throw std::runtime_error("libsodium cannot be initialised");
    }
}

HashStatus PasswordHasher::hash(const std::string& password, std::string& out,
                                const std::string& address) const {
    char text[crypto_pwhash_STRBYTES];
    const Limits limits = limitsFor(cost_);
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
