#include "server/service/sign_in_throttle.h"

#include <deque>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace textowl::server {
namespace {

// At atMs, an attempt must be admitted or refused as allowed says; an admitted one then ends.
struct Step {
    std::int64_t atMs;
    // 'F' fails, 'S' succeeds, '?' ends without an outcome, 'B' stays under way until an 'f'
    // step fails the oldest attempt under way (its other fields unused)
    char act;
    std::string account;
    std::string address;
    bool allowed;
    bool signedInBefore = false; // from this address, lately
};

using Steps = std::vector<Step>;

constexpr const char* kA = "10.0.0.1";
constexpr const char* kB = "10.0.0.2";

Steps fails(int n, std::int64_t atMs, const std::string& account = "ann",
            const std::string& address = kA) {
    return Steps(static_cast<std::size_t>(n), Step{atMs, 'F', account, address, true});
}

// Failures for n different accounts from one address.
Steps spray(int n, std::int64_t atMs, const std::string& address = kA) {
    Steps steps;
    for (int i = 0; i < n; ++i) {
        steps.push_back({atMs, 'F', "user" + std::to_string(i), address, true});
    }
    return steps;
}

// n attempts sent side by side, for ann or each for another account, each held under way: only
// the first allowed are admitted.
Steps sideBySide(int n, int allowed, std::int64_t atMs, const std::string& address = kA,
                 bool manyAccounts = false) {
    Steps steps;
    for (int i = 0; i < n; ++i) {
        steps.push_back(
            {atMs, 'B', manyAccounts ? "user" + std::to_string(i) : "ann", address, i < allowed});
    }
    return steps;
}

// One failure for the account from each of n addresses 10.1.0.0 upwards.
Steps fromAddresses(int n, std::int64_t atMs, int first = 0) {
    Steps steps;
    for (int i = first; i < first + n; ++i) {
        steps.push_back({atMs, 'F', "ann",
                         "10.1." + std::to_string(i / 256) + "." + std::to_string(i % 256), true});
    }
    return steps;
}

Step failOldest(std::int64_t atMs) {
    return {atMs, 'f', "", "", true};
}

Steps operator+(Steps a, const Steps& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Scenario {
    const char* name;
    SignInLimits limits;
    Steps steps;
};

void PrintTo(const Scenario& s, std::ostream* os) {
    *os << s.name;
}

SignInLimits limits(int accountFailures, int addressFailures, std::int64_t maxBackOffMs = 900'000,
                    std::size_t maxEntries = 100'000) {
    SignInLimits l;
    l.accountFailures = accountFailures;
    l.accountFailuresPerHour = addressFailures == 0 ? 0 : l.accountFailuresPerHour;
    l.addressFailuresPerMinute = addressFailures;
    l.maxBackOff = Milliseconds(maxBackOffMs);
    l.maxEntries = maxEntries;
    return l;
}

class SignInBackOff : public testing::TestWithParam<Scenario> {};

TEST_P(SignInBackOff, AnswersEveryStep) {
    Milliseconds now{0};
    SignInThrottle throttle(GetParam().limits, [&] { return now; });
    std::deque<SignInThrottle::Attempt> underWay;
    int index = 0;
    for (const Step& s : GetParam().steps) {
        now = Milliseconds(960'000'000 + s.atMs); // on a whole minute
        if (s.act == 'f') {
            underWay.front().failed();
            underWay.pop_front();
            continue;
        }
        auto attempt = throttle.admit(s.account, s.address, s.signedInBefore);
        ASSERT_EQ(attempt.has_value(), s.allowed)
            << "step " << index << ": " << s.account << " from " << s.address << " at " << s.atMs;
        if (attempt && s.act == 'F') {
            attempt->failed();
        } else if (attempt && s.act == 'S') {
            attempt->succeeded();
        } else if (attempt && s.act == 'B') {
            underWay.push_back(std::move(*attempt));
        }
        ++index;
    }
}

const SignInLimits kDefaults;

INSTANTIATE_TEST_SUITE_P(
    Table, SignInBackOff,
    testing::Values(
        Scenario{"FiveFailuresThenOneSecondDoubling", kDefaults,
                 fails(5, 0) + Steps{{0, '?', "ann", kA, false},
                                     {999, '?', "ann", kA, false},
                                     {1000, 'F', "ann", kA, true},
                                     {2999, 'F', "ann", kA, false},
                                     {3000, 'F', "ann", kA, true},
                                     {6999, '?', "ann", kA, false},
                                     {7000, 'F', "ann", kA, true},
                                     {14999, '?', "ann", kA, false},
                                     {15000, '?', "ann", kA, true}}},
        Scenario{"BackOffStopsGrowingAtTheMaximum", limits(1, 0, 2000),
                 Steps{{0, 'F', "ann", kA, true},
                       {999, '?', "ann", kA, false},
                       {1000, 'F', "ann", kA, true},
                       {2999, '?', "ann", kA, false},
                       {3000, 'F', "ann", kA, true},
                       {4999, '?', "ann", kA, false},
                       {5000, '?', "ann", kA, true}}},
        Scenario{"SuccessStartsTheCountAfresh", kDefaults,
                 fails(5, 0) + Steps{{1000, 'S', "ann", kA, true}} + fails(4, 1000) +
                     Steps{{1000, 'F', "ann", kA, true}, {1000, '?', "ann", kA, false}}},
        Scenario{"OtherAddressesAndAccountsAreUnaffected", kDefaults,
                 fails(5, 0) + Steps{{0, '?', "ann", kA, false},
                                     {0, 'S', "ann", kB, true},
                                     {0, '?', "bob", kA, true}}},
        Scenario{"AnIpv6ClientCountsByItsSlash64", kDefaults,
                 fails(5, 0, "ann", "2001:db8::1") +
                     Steps{{0, '?', "ann", "2001:db8::ffff:2", false},
                           {0, '?', "ann", "2001:db8:0:1::1", true}} +
                     fails(5, 0, "ann", "::ffff:10.0.0.9") +
                     Steps{{0, '?', "ann", "10.0.0.9", false}}},
        Scenario{"MoreThanThirtyFailuresAMinuteBlockTheAddress", kDefaults,
                 spray(30, 0) + Steps{{59'000, '?', "zoe", kA, true},
                                      {59'000, 'F', "zoe", kA, true},
                                      {59'000, '?', "amy", kA, false},
                                      {59'000, '?', "amy", kB, true},
                                      {60'000, 'F', "amy", kA, true},
                                      {61'999, '?', "amy", kA, false}}},
        Scenario{"FailuresOlderThanAMinuteNoLongerCount", kDefaults,
                 spray(30, 0) + spray(30, 120'000) + Steps{{120'000, '?', "zoe", kA, true}}},
        Scenario{"QuietAccountsStartAfresh", kDefaults,
                 fails(4, 0) + fails(4, 3'600'000) + Steps{{3'600'000, '?', "ann", kA, true}}},
        Scenario{"OldestEntriesAreEvictedBeyondTheBound", limits(1, 0, 900'000, 2),
                 Steps{{0, 'F', "ann", kA, true},
                       {0, 'F', "bob", kB, true},
                       {0, '?', "ann", kA, false},
                       {0, 'F', "cal", "10.0.0.3", true},
                       {0, '?', "ann", kA, true},
                       {0, '?', "bob", kB, false}}},
        Scenario{"GuessesSideBySideWaitForTheOneUnderWay", kDefaults,
                 fails(3, 0) +
                     Steps{{0, 'B', "ann", kA, true},
                           {0, 'B', "ann", kA, true},
                           {0, '?', "ann", kA, false},
                           failOldest(0),
                           failOldest(0),
                           {1000, 'B', "ann", kA, true},
                           {1000, '?', "ann", kA, false},
                           failOldest(1000),
                           {2999, '?', "ann", kA, false},
                           {3000, '?', "ann", kA, true}} +
                     spray(31, 10'000, kB) +
                     Steps{{11'000, 'B', "bob", kB, true},
                           {11'000, '?', "cal", kB, false},
                           failOldest(11'000),
                           {12'999, '?', "cal", kB, false},
                           {13'000, 'S', "cal", kB, true}}},
        Scenario{"AnAttemptWithoutOutcomeCountsForNothing", kDefaults,
                 fails(4, 0) + Steps{{0, '?', "ann", kA, true},
                                     {0, '?', "ann", kA, true},
                                     {0, 'F', "ann", kA, true},
                                     {0, '?', "ann", kA, false}}},
        Scenario{"ParallelGuessesFromAFreshAddressMakeFiveChecks", kDefaults,
                 sideBySide(40, 5, 0) + Steps(5, failOldest(0)) +
                     Steps{{0, '?', "ann", kA, false}, {1000, 'B', "ann", kA, true}}},
        Scenario{"ParallelGuessesAcrossAccountsStayWithinTheAddressLimit", kDefaults,
                 sideBySide(32, 31, 0, kB, true) + Steps{{0, 'B', "amy", kA, true}}},
        Scenario{"TwentyFailuresAnHourSlowOtherAddressesToOneCheckAMinute", kDefaults,
                 fromAddresses(20, 0) + Steps{{0, 'F', "ann", kA, true},
                                              {59'999, '?', "ann", kA, false},
                                              {60'000, 'F', "ann", kA, true},
                                              {60'000, '?', "ann", kB, true},
                                              {60'000, 'F', "ann", kB, true},
                                              {60'001, '?', "ann", kB, false},
                                              {60'001, '?', "bob", kB, true}}},
        Scenario{"AnAddressSignedInFromBeforeIsNotSlowed", kDefaults,
                 fromAddresses(20, 0) + Steps{{0, 'F', "ann", kA, true, true},
                                              {0, 'F', "ann", kA, true, true},
                                              {0, 'S', "ann", kA, true, true}}},
        Scenario{"TheSlowingEndsAnHourAfterTheFailures", kDefaults,
                 fromAddresses(20, 0) + Steps{{0, 'F', "ann", kA, true},
                                              {1000, '?', "ann", kA, false},
                                              {7'200'000, 'F', "ann", kA, true},
                                              {7'200'000, '?', "ann", kA, true}}},
        Scenario{"ZeroLimitsTurnTheBackOffOff", limits(0, 0),
                 spray(100, 0) + fails(100, 0) + Steps{{0, '?', "ann", kA, true}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SignInLog, ClientTextCannotForgeOrHideLines) {
    EXPECT_EQ(printableForLog("ann"), "ann");
    EXPECT_EQ(printableForLog("a\nb\"c\\\x7f\xc3\xa9"), "a\\x0ab\\x22c\\x5c\\x7f\\xc3\\xa9");
    EXPECT_EQ(printableForLog(std::string(100, 'x')), std::string(64, 'x') + "...");
}

} // namespace
} // namespace textowl::server
