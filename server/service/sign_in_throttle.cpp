#include "server/service/sign_in_throttle.h"

#include "server/front/connection_registry.h"

#include <algorithm>
#include <list>
#include <optional>
#include <unordered_map>
#include <utility>

namespace textowl::server {
namespace {

// No account name is longer; longer texts are cut so that they cannot inflate the entries.
constexpr std::size_t kMaxKeyPart = 64;
constexpr Milliseconds kMinute{60 * 1000};
constexpr Milliseconds kHour{60 * kMinute};

struct BackOff {
    int level = 0; // back-offs started so far; each doubles the next
    Milliseconds until{0};
    Milliseconds lastFailure{0};
};

// Events in the current and the previous window, the previous weighted by how much of it still
// lies within the last window's length: a sliding window in constant space.
struct SlidingCount {
    std::int64_t slot = 0;
    int current = 0;
    int previous = 0;

    double inLast(Milliseconds window, Milliseconds now) {
        const std::int64_t s = now / window;
        if (s != slot) {
            previous = s == slot + 1 ? current : 0;
            current = 0;
            slot = s;
        }
        const double leftOfPrevious = 1.0 - double((now % window).count()) / window.count();
        return previous * leftOfPrevious + current;
    }
    bool empty() const { return current == 0 && previous == 0; }
};

struct AccountEntry {
    BackOff backOff;
    int failures = 0;                      // since the last success
    std::optional<Milliseconds> lastCheck; // the last failed check, which slows a besieged one
};

struct AddressEntry {
    BackOff backOff;
    SlidingCount failures; // per minute
};

// Attempts under way per key, whether or not the key has failed before. Bounded by the requests
// in progress, and dropped at zero, so that attempts which succeed leave nothing behind.
class UnderWay {
public:
    int of(const std::string& key) const {
        const auto it = m_counts.find(key);
        return it == m_counts.end() ? 0 : it->second;
    }
    void add(const std::string& key) { ++m_counts[key]; }
    void remove(const std::string& key) {
        if (const auto it = m_counts.find(key); it != m_counts.end() && --it->second <= 0) {
            m_counts.erase(it);
        }
    }

private:
    std::unordered_map<std::string, int> m_counts;
};

// One account's failures from any addresses, per hour.
struct SiegeEntry {
    SlidingCount failures;
};

// Entries in order of their last failure; the oldest go first once the table is full.
template <typename Value> class RecentTable {
public:
    explicit RecentTable(std::size_t capacity) : m_capacity(std::max<std::size_t>(capacity, 1)) {}

    Value* find(const std::string& key) {
        const auto it = m_index.find(key);
        return it == m_index.end() ? nullptr : &it->second->second;
    }

    Value& touch(const std::string& key) {
        if (const auto it = m_index.find(key); it != m_index.end()) {
            m_order.splice(m_order.begin(), m_order, it->second);
            return it->second->second;
        }
        if (m_index.size() >= m_capacity) {
            m_index.erase(m_order.back().first);
            m_order.pop_back();
        }
        m_order.emplace_front(key, Value{});
        m_index.emplace(m_order.front().first, m_order.begin());
        return m_order.front().second;
    }

    void erase(const std::string& key) {
        if (const auto it = m_index.find(key); it != m_index.end()) {
            m_order.erase(it->second);
            m_index.erase(it);
        }
    }

private:
    using Item = std::pair<std::string, Value>;
    std::size_t m_capacity;
    std::list<Item> m_order; // most recent first
    // Keys point into the list's nodes, which never move.
    std::unordered_map<std::string_view, typename std::list<Item>::iterator> m_index;
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
    RecentTable<SiegeEntry> sieges{limits.maxEntries};
    UnderWay accountsUnderWay, addressesUnderWay;

    bool besieged(const std::string& account, Milliseconds now) {
        SiegeEntry* s = sieges.find(account);
        return limits.accountFailuresPerHour > 0 && s &&
               s->failures.inLast(kHour, now) >= limits.accountFailuresPerHour;
    }

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

    // Attempts under way count as failures until they end, so that only as many run side by
    // side as could fail before a back-off; one at a time once another failure would start one.
    bool admits(const AccountEntry* e, int underWay, Milliseconds now) const {
        const int limit = limits.accountFailures;
        const int failures = e ? e->failures : 0;
        return (!e || now >= e->backOff.until) &&
               (limit == 0 || underWay == 0 || failures + underWay < limit);
    }

    bool admits(AddressEntry* a, int underWay, Milliseconds now) const {
        const int limit = limits.addressFailuresPerMinute;
        const double failures = a ? a->failures.inLast(kMinute, now) : 0;
        return (!a || now >= a->backOff.until) &&
               (limit == 0 || underWay == 0 || failures + underWay <= limit);
    }

    // A besieged account is checked one attempt at a time, and a minute after the last failed
    // check, per address.
    bool admitsWhileBesieged(const AccountEntry* e, int underWay, Milliseconds now) const {
        return underWay == 0 &&
               (!e || !e->lastCheck || now - *e->lastCheck >= limits.slowCheckEvery);
    }

    std::vector<BackOffStart> fail(AccountEntry& e, AddressEntry& a, Milliseconds now) {
        std::vector<BackOffStart> started;
        if (stale(e.backOff, now)) {
            e = {};
        }
        e.backOff.lastFailure = now;
        e.lastCheck = now;
        if (limits.accountFailures > 0 && ++e.failures >= limits.accountFailures) {
            started.push_back({false, start(e.backOff, now)});
        }
        if (stale(a.backOff, now)) {
            a = {};
        }
        a.backOff.lastFailure = now;
        const double lastMinute = a.failures.inLast(kMinute, now) + 1;
        ++a.failures.current;
        if (limits.addressFailuresPerMinute > 0 && lastMinute > limits.addressFailuresPerMinute) {
            started.push_back({true, start(a.backOff, now)});
        }
        return started;
    }

    void countSiege(const std::string& account, Milliseconds now) {
        if (limits.accountFailuresPerHour > 0) {
            SiegeEntry& s = sieges.touch(account);
            s.failures.inLast(kHour, now);
            ++s.failures.current;
        }
    }

    static std::string accountKey(const std::string& address, const std::string& account) {
        return address + '\n' + account;
    }
};

SignInThrottle::SignInThrottle(SignInLimits limits, Clock clock)
    : m_state(std::make_unique<State>(limits, std::move(clock))) {}

SignInThrottle::~SignInThrottle() = default;

bool SignInThrottle::besieged(std::string_view account) {
    std::lock_guard lock(m_state->mutex);
    return m_state->besieged(cut(account), m_state->clock());
}

std::optional<SignInThrottle::Attempt>
SignInThrottle::admit(std::string_view account, std::string_view address, bool signedInBefore) {
    State& s = *m_state;
    std::string name = cut(account);
    std::string where = addressKey(address);
    std::string key = State::accountKey(where, name);
    std::lock_guard lock(s.mutex);
    const Milliseconds now = s.clock();
    AccountEntry* e = s.accounts.find(key);
    const int accountUnderWay = s.accountsUnderWay.of(key);
    if (!s.admits(s.addresses.find(where), s.addressesUnderWay.of(where), now) ||
        !s.admits(e, accountUnderWay, now) ||
        (!signedInBefore && s.besieged(name, now) &&
         !s.admitsWhileBesieged(e, accountUnderWay, now))) {
        return std::nullopt;
    }
    // The places are taken in the same lock as the check, so that no guess sent alongside can
    // pass before this one is counted.
    s.addressesUnderWay.add(where);
    s.accountsUnderWay.add(key);
    return Attempt(s, std::move(where), std::move(key), std::move(name));
}

SignInThrottle::Attempt::Attempt(State& state, std::string address, std::string accountKey,
                                 std::string account)
    : m_state(&state), m_address(std::move(address)), m_accountKey(std::move(accountKey)),
      m_account(std::move(account)) {}

SignInThrottle::Attempt::Attempt(Attempt&& other) noexcept
    : m_state(std::exchange(other.m_state, nullptr)), m_address(std::move(other.m_address)),
      m_accountKey(std::move(other.m_accountKey)), m_account(std::move(other.m_account)) {}

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
    State* s = std::exchange(m_state, nullptr);
    if (!s) {
        return {};
    }
    std::lock_guard lock(s->mutex);
    const Milliseconds now = s->clock();
    s->accountsUnderWay.remove(m_accountKey);
    s->addressesUnderWay.remove(m_address);
    if (how == End::Failed) {
        s->countSiege(m_account, now);
        return s->fail(s->accounts.touch(m_accountKey), s->addresses.touch(m_address), now);
    }
    if (how == End::Succeeded) {
        s->accounts.erase(m_accountKey);
    }
    return {};
}

std::string addressKey(std::string_view address) {
    return connectionAddressKey(cut(address));
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
