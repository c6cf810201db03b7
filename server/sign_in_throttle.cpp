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
    int underWay = 0;
};

// Failures in the current and the previous minute, weighted by how much of the previous one
// still lies within the last sixty seconds: a sliding minute in constant space.
struct AddressEntry {
    BackOff backOff;
    std::int64_t minute = 0;
    int current = 0;
    int previous = 0;
    int underWay = 0;

    double failuresInLastMinute(Milliseconds now) {
        const std::int64_t m = now / kMinute;
        if (m != minute) {
            previous = m == minute + 1 ? current : 0;
            current = 0;
            minute = m;
        }
        const double leftOfPrevious = 1.0 - double((now % kMinute).count()) / kMinute.count();
        return previous * leftOfPrevious + current;
    }
};

// Entries in order of their last failure; the oldest go first once the table is full.
template <typename Value> class RecentTable {
public:
    explicit RecentTable(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1)) {}

    Value* find(const std::string& key) {
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

// Starts an entry afresh but for the attempts still under way.
template <typename Entry> void forget(Entry& entry) {
    const int underWay = entry.underWay;
    entry = {};
    entry.underWay = underWay;
}

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

    // One attempt at a time once another failure would start a back-off.
    bool admits(AccountEntry& e, Milliseconds now) const {
        const int limit = limits.accountFailures;
        return now >= e.backOff.until &&
               (limit == 0 || e.underWay == 0 || e.failures + e.underWay < limit);
    }

    bool admits(AddressEntry& a, Milliseconds now) const {
        const int limit = limits.addressFailuresPerMinute;
        return now >= a.backOff.until &&
               (limit == 0 || a.underWay == 0 || a.failuresInLastMinute(now) + a.underWay <= limit);
    }

    std::vector<BackOffStart> fail(AccountEntry& e, AddressEntry& a, Milliseconds now) {
        std::vector<BackOffStart> started;
        if (stale(e.backOff, now)) {
            forget(e);
        }
        e.backOff.lastFailure = now;
        if (limits.accountFailures > 0 && ++e.failures >= limits.accountFailures) {
            started.push_back({false, start(e.backOff, now)});
        }
        if (stale(a.backOff, now)) {
            forget(a);
        }
        a.backOff.lastFailure = now;
        const double lastMinute = a.failuresInLastMinute(now) + 1;
        ++a.current;
        if (limits.addressFailuresPerMinute > 0 && lastMinute > limits.addressFailuresPerMinute) {
            started.push_back({true, start(a.backOff, now)});
        }
        return started;
    }

    static std::string accountKey(const std::string& address, std::string_view account) {
        return address + '\n' + cut(account);
    }
};

SignInThrottle::SignInThrottle(SignInLimits limits, Clock clock)
    : state_(std::make_unique<State>(limits, std::move(clock))) {}

SignInThrottle::~SignInThrottle() = default;

std::optional<SignInThrottle::Attempt> SignInThrottle::admit(std::string_view account,
                                                             std::string_view address) {
    State& s = *state_;
    std::string where = addressKey(address);
    std::string key = State::accountKey(where, account);
    std::lock_guard lock(s.mutex);
    const Milliseconds now = s.clock();
    AddressEntry* a = s.addresses.find(where);
    AccountEntry* e = s.accounts.find(key);
    if ((a && !s.admits(*a, now)) || (e && !s.admits(*e, now))) {
        return std::nullopt;
    }
    // Only those that have failed are followed, so that good sign-ins add no entries.
    if (a) {
        ++a->underWay;
    }
    if (e) {
        ++e->underWay;
    }
    return Attempt(s, std::move(where), std::move(key), e != nullptr, a != nullptr);
}

SignInThrottle::Attempt::Attempt(State& state, std::string address, std::string accountKey,
                                 bool countedAccount, bool countedAddress)
    : state_(&state), address_(std::move(address)), accountKey_(std::move(accountKey)),
      countedAccount_(countedAccount), countedAddress_(countedAddress) {}

SignInThrottle::Attempt::Attempt(Attempt&& other) noexcept
    : state_(std::exchange(other.state_, nullptr)), address_(std::move(other.address_)),
      accountKey_(std::move(other.accountKey_)), countedAccount_(other.countedAccount_),
      countedAddress_(other.countedAddress_) {}

SignInThrottle::Attempt::~Attempt() {
    end(End::Abandoned);
}

std::vector<BackOffStart> SignInThrottle::Attempt::failed() {
    return end(End::Failed);
}

void SignInThrottle::Attempt::succeeded() {
    end(End::Succeeded);
}

std::vector<BackOffStart> SignInThrottle::Attempt::end(End how) {
    State* s = std::exchange(state_, nullptr);
    if (!s) {
        return {};
    }
    std::lock_guard lock(s->mutex);
    const Milliseconds now = s->clock();
    // The entry may have been dropped meanwhile; its count never goes below zero.
    auto release = [](int& underWay, bool counted) { underWay -= counted && underWay > 0; };
    if (how == End::Failed) {
        AccountEntry& e = s->accounts.touch(accountKey_);
        AddressEntry& a = s->addresses.touch(address_);
        release(e.underWay, countedAccount_);
        release(a.underWay, countedAddress_);
        return s->fail(e, a, now);
    }
    if (AccountEntry* e = s->accounts.find(accountKey_)) {
        release(e->underWay, countedAccount_);
        if (how == End::Succeeded) {
            forget(*e);
        }
        if (e->underWay == 0 && e->failures == 0) {
            s->accounts.erase(accountKey_);
        }
    }
    if (AddressEntry* a = s->addresses.find(address_)) {
        release(a->underWay, countedAddress_);
    }
    return {};
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
