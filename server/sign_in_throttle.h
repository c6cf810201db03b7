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
// back-off grows only with the checks actually made. Safe to use from several threads.
class SignInThrottle {
    struct State;

public:
    using Clock = std::function<Milliseconds()>; // monotonic

    // An admitted sign-in. Once an account or address has failed, its attempts count as under
    // way until they end, so that guesses sent side by side cannot all slip through when a
    // back-off ends. One left without an outcome (a busy refusal, an error) counts for nothing.
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
        Attempt(State& state, std::string address, std::string accountKey, bool countedAccount,
                bool countedAddress);
        enum class End { Failed, Succeeded, Abandoned };
        std::vector<BackOffStart> end(End how);

        State* state_;
        std::string address_;
        std::string accountKey_;
        bool countedAccount_;
        bool countedAddress_;
    };

    SignInThrottle(SignInLimits limits, Clock clock);
    ~SignInThrottle();
    SignInThrottle(const SignInThrottle&) = delete;
    SignInThrottle& operator=(const SignInThrottle&) = delete;

    // Empty while the account or the address backs off.
    std::optional<Attempt> admit(std::string_view account, std::string_view address);

private:
    std::unique_ptr<State> state_;
};

// The address as the throttle counts it: an IPv6 client usually owns a whole /64, so that
// prefix stands for it; an IPv4-mapped IPv6 address counts as the IPv4 one.
std::string addressKey(std::string_view address);

// Client-chosen text fit for a log line: printable ASCII kept, everything else as \xNN, at most
// 64 bytes shown, so that no name can forge or hide lines.
std::string printableForLog(std::string_view text);

} // namespace textowl::server
