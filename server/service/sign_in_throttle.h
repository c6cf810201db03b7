#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace textowl::server {

using Milliseconds = std::chrono::milliseconds;

struct SignInLimits {
    // Failed sign-ins for one account from one address before it backs off; 0 turns it off.
    int accountFailures = 5;
    // Failed sign-ins a minute from one address, whatever the accounts, beyond which the address
    // backs off; 0 turns it off.
    int addressFailuresPerMinute = 30;
    // Failed sign-ins for one account in an hour, from any addresses, beyond which an address
    // that has not signed in to it lately gets one check a minute for it; 0 turns it off.
    int accountFailuresPerHour = 20;
    Milliseconds slowCheckEvery{60 * 1000};
    Milliseconds firstBackOff{1000};
    Milliseconds maxBackOff{15 * 60 * 1000};
    // An account or address without a failure for this long starts afresh.
    Milliseconds forgetAfter{60 * 60 * 1000};
    // Entries kept per kind (account and address, address alone); the least recently failed
    // are dropped first, so that cycling names or addresses cannot grow the memory.
    std::size_t maxEntries = 100000;
};

// The back-off that one failure started, for the operator's log.
struct BackOffStart {
    bool perAddress = false; // across accounts, rather than for one account from the address
    Milliseconds length{0};
};

// Back-off of sign-in attempts per account and source address, and per source address across
// accounts. Attempts are refused before any password is hashed; a refusal is no failure, so the
// back-off grows only with the checks actually made. Every admitted attempt holds its place
// until it ends, so guesses sent side by side are counted before any of them is checked. Safe
// to use from several threads.
class SignInThrottle {
    struct State;

public:
    using Clock = std::function<Milliseconds()>; // monotonic

    // An admitted sign-in: under way until it ends. One left without an outcome (a busy
    // refusal, an error) counts for nothing.
    class Attempt {
    public:
        Attempt(Attempt&& other) noexcept;
        Attempt& operator=(Attempt&&) = delete;
        ~Attempt();

        // Returns the back-offs this failure started: none, one or both.
        std::vector<BackOffStart> failed();
        void succeeded();

    private:
        friend class SignInThrottle;
        Attempt(State& state, std::string address, std::string accountKey, std::string account);
        enum class End { Failed, Succeeded, Abandoned };
        std::vector<BackOffStart> end(End how);

        State* m_state;
        std::string m_address;
        std::string m_accountKey;
        std::string m_account;
    };

    SignInThrottle(SignInLimits limits, Clock clock);
    ~SignInThrottle();
    SignInThrottle(const SignInThrottle&) = delete;
    SignInThrottle& operator=(const SignInThrottle&) = delete;

    // Whether the account has failed so often lately, from any addresses, that addresses it was
    // not signed in from are slowed; only then does admit() need to know the address's past.
    bool besieged(std::string_view account);
    // Empty while the account or the address backs off. signedInBefore: the account was signed
    // in to from this address lately, which spares it the slowing of a besieged account.
    std::optional<Attempt> admit(std::string_view account, std::string_view address,
                                 bool signedInBefore = false);

private:
    std::unique_ptr<State> m_state;
};

// The address as the throttle counts it (see connectionAddressKey), from at most 64 bytes of
// the client's text.
std::string addressKey(std::string_view address);

// Client-chosen text fit for a log line: printable ASCII kept, everything else as \xNN, at most
// 64 bytes shown, so that no name can forge or hide lines.
std::string printableForLog(std::string_view text);

} // namespace textowl::server
