#include "server/sign_in_throttle.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <list>
#include <unordered_map>
#include <utility>

namespace textowl::server {
namespace {

// No account name is longer; longer texts are cut so that they cannot inflate the entries.
constexpr std::size_t kMaxKeyPart = 64;
constexpr Milliseconds kMinute{60 * 1000};

struct BackOff {
    int level = 0; // back-offs started so far; each doubles the next
    Milliseconds until{0};
    Milliseconds lastFailure{0};
};

struct AccountEntry {
    BackOff backOff;
    int failures = 0; // since the last success
};

// Failures in the current and the previous minute, weighted by how much of the previous one
// still lies within the last sixty seconds: a sliding minute in constant space.
struct AddressEntry {
    BackOff backOff;
    std::int64_t minute = 0;
    int current = 0;
    int previous = 0;

    // Counts a failure and returns the failures of the last sixty seconds, this one included.
    double addFailure(Milliseconds now) {
        const std::int64_t m = now / kMinute;
        if (m != minute) {
            previous = m == minute + 1 ? current : 0;
            current = 0;
            minute = m;
        }
        ++current;
        const double leftOfPrevious = 1.0 - double((now % kMinute).count()) / kMinute.count();
        return previous * leftOfPrevious + current;
    }
};

// Entries in order of their last failure; the oldest go first once the table is full.
template <typename Value> class RecentTable {
public:
    explicit RecentTable(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1)) {}

    const Value* find(const std::string& key) const {
        const auto it = index_.find(key);
        return it == index_.end() ? nullptr : &it->second->second;
    }

    Value& touch(const std::string& key) {
        if (const auto it = index_.find(key); it != index_.end()) {
            order_.splice(order_.begin(), order_, it->second);
            return it->second->second;
        }
        if (index_.size() >= capacity_) {
            index_.erase(order_.back().first);
            order_.pop_back();
        }
        order_.emplace_front(key, Value{});
        index_.emplace(order_.front().first, order_.begin());
        return order_.front().second;
    }

    void erase(const std::string& key) {
        if (const auto it = index_.find(key); it != index_.end()) {
            order_.erase(it->second);
            index_.erase(it);
        }
    }

private:
    using Item = std::pair<std::string, Value>;
    std::size_t capacity_;
    std::list<Item> order_; // most recent first
    // Keys point into the list's nodes, which never move.
    std::unordered_map<std::string_view, typename std::list<Item>::iterator> index_;
};

std::string cut(std::string_view text) {
    return std::string(text.substr(0, kMaxKeyPart));
}

} // namespace

struct SignInThrottle::State {
    State(SignInLimits l, Clock c) : limits(l), clock(std::move(c)) {}

    SignInLimits limits;
    Clock clock;
    std::mutex mutex;
    RecentTable<AccountEntry> accounts{limits.maxEntries};
    RecentTable<AddressEntry> addresses{limits.maxEntries};

    bool blocked(const BackOff* b, Milliseconds now) const { return b && now < b->until; }

    bool stale(const BackOff& b, Milliseconds now) const {
        return now >= b.until && now - b.lastFailure >= limits.forgetAfter;
    }

    Milliseconds start(BackOff& b, Milliseconds now) const {
        Milliseconds length = limits.firstBackOff;
        for (int i = 0; i < b.level && length < limits.maxBackOff; ++i) {
            length *= 2;
        }
        length = std::min(length, limits.maxBackOff);
        b.until = now + length;
        ++b.level;
        return length;
    }

    static std::string accountKey(const std::string& address, std::string_view account) {
        return address + '\n' + cut(account);
    }
};

SignInThrottle::SignInThrottle(SignInLimits limits, Clock clock)
    : state_(std::make_unique<State>(limits, std::move(clock))) {}

SignInThrottle::~SignInThrottle() = default;

bool SignInThrottle::allows(std::string_view account, std::string_view address) {
    State& s = *state_;
    const std::string where = addressKey(address);
    std::lock_guard lock(s.mutex);
    const Milliseconds now = s.clock();
    const AddressEntry* a = s.addresses.find(where);
    const AccountEntry* e = s.accounts.find(State::accountKey(where, account));
    return !s.blocked(a ? &a->backOff : nullptr, now) && !s.blocked(e ? &e->backOff : nullptr, now);
}

std::vector<BackOffStart> SignInThrottle::recordFailure(std::string_view account,
                                                        std::string_view address) {
    State& s = *state_;
    const std::string where = addressKey(address);
    std::vector<BackOffStart> started;
    std::lock_guard lock(s.mutex);
    const Milliseconds now = s.clock();

    AccountEntry& e = s.accounts.touch(State::accountKey(where, account));
    if (s.stale(e.backOff, now)) {
        e = {};
    }
    e.backOff.lastFailure = now;
    if (s.limits.accountFailures > 0 && ++e.failures >= s.limits.accountFailures) {
        started.push_back({false, s.start(e.backOff, now)});
    }

    AddressEntry& a = s.addresses.touch(where);
    if (s.stale(a.backOff, now)) {
        a = {};
    }
    a.backOff.lastFailure = now;
    if (a.addFailure(now) > s.limits.addressFailuresPerMinute &&
        s.limits.addressFailuresPerMinute > 0) {
        started.push_back({true, s.start(a.backOff, now)});
    }
    return started;
}

void SignInThrottle::recordSuccess(std::string_view account, std::string_view address) {
    State& s = *state_;
    const std::string key = State::accountKey(addressKey(address), account);
    std::lock_guard lock(s.mutex);
    s.accounts.erase(key);
}

std::string addressKey(std::string_view address) {
    const std::string text = cut(address);
    in6_addr v6{};
    if (inet_pton(AF_INET6, text.c_str(), &v6) != 1) {
        return text;
    }
    char out[INET6_ADDRSTRLEN] = {};
    if (IN6_IS_ADDR_V4MAPPED(&v6)) {
        in_addr v4{};
        std::memcpy(&v4, &v6.s6_addr[12], sizeof v4);
        return inet_ntop(AF_INET, &v4, out, sizeof out);
    }
    std::memset(&v6.s6_addr[8], 0, 8);
    return std::string(inet_ntop(AF_INET6, &v6, out, sizeof out)) + "/64";
}

std::string printableForLog(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (const char c : text.substr(0, kMaxKeyPart)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f && c != '\\' && c != '"') {
            out += c;
        } else {
            out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xf]};
        }
    }
    return text.size() > kMaxKeyPart ? out + "..." : out;
}

} // namespace textowl::server
