#include "server/password_hasher.h"

#include <sodium.h>
#include <stdexcept>

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
    explicit Slot(std::counting_semaphore<kMaxConcurrentHashes>& slots) : slots_(slots) {
        slots_.acquire();
    }
    ~Slot() { slots_.release(); }
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;

private:
    std::counting_semaphore<kMaxConcurrentHashes>& slots_;
};

const char* const kDemoPasswordHash = "$argon2id$v=19$m=65536,t=2,p=1$TNWeL/KW+XyG2rxFcHbFdA$"
                                      "nCBjVWYjcFyaPRiEOXXt69UjZh39cnXkzllKwMEdtek";

PasswordHasher::PasswordHasher(HashCost cost) : cost_(cost) {
    if (sodium_init() < 0) {
        throw std::runtime_error("libsodium cannot be initialised");
    }
}

std::optional<std::string> PasswordHasher::hash(const std::string& password) const {
    char out[crypto_pwhash_STRBYTES];
    const Limits limits = limitsFor(cost_);
    const Slot slot(slots_);
    if (crypto_pwhash_str(out, password.data(), password.size(), limits.ops, limits.mem) != 0) {
        return std::nullopt;
    }
    return std::string(out);
}

bool PasswordHasher::verify(const std::string& hash, const std::string& password) const {
    if (hash.size() >= crypto_pwhash_STRBYTES) {
        return false;
    }
    const Slot slot(slots_);
    return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

void PasswordHasher::verifyDummy(const std::string& password) const {
    (void)verify(kDemoPasswordHash, password);
}

} // namespace textowl::server
