#include "server/cli/command_line.h"
#include "server/cli/limit_options.h"

#include <gtest/gtest.h>

namespace textowl::server {
namespace {

TEST(CommandLine, TicketIdleTakesAPositiveDurationOfAtMostTenYears) {
    EXPECT_EQ(parseDurationSeconds("90"), 90);
    EXPECT_EQ(parseDurationSeconds("90s"), 90);
    EXPECT_EQ(parseDurationSeconds("30m"), 30 * 60);
    EXPECT_EQ(parseDurationSeconds("24h"), 24 * 3600);
    EXPECT_EQ(parseDurationSeconds("3650d"), 3650 * 86400);
    for (const char* bad : {"", "0", "0h", "-5m", "h", "1.5h", "24 h", "1w", "3651d", "01h"}) {
        EXPECT_FALSE(parseDurationSeconds(bad)) << bad;
    }
}

TEST(CommandLine, LimitOptionsSetTheLimitsOrSayWhatIsWrong) {
    HostConfig host;
    ServiceConfig& config = host.service;
    EXPECT_EQ(applyLimitOptions({{"--sign-in-failures", "0"},
                                 {"--address-failures", "100"},
                                 {"--max-back-off", "1h"},
                                 {"--sign-in-entries", "10"},
                                 {"--hash-threads", "2"},
                                 {"--hash-queue", "0"}},
                                host),
              std::nullopt);
    EXPECT_EQ(config.signIn.accountFailures, 0);
    EXPECT_EQ(config.signIn.addressFailuresPerMinute, 100);
    EXPECT_EQ(config.signIn.maxBackOff, std::chrono::hours(1));
    EXPECT_EQ(config.signIn.maxEntries, 10u);
    EXPECT_EQ(config.hashing.concurrent, 2);
    EXPECT_EQ(config.hashing.waiting, 0);
    for (const auto& [name, bad] : {std::pair{"--hash-threads", "0"},
                                    {"--sign-in-entries", "0"},
                                    {"--sign-in-failures", "-1"},
                                    {"--hash-queue", "many"},
                                    {"--max-back-off", "0"}}) {
        const auto wrong = applyLimitOptions({{name, bad}}, host);
        ASSERT_TRUE(wrong) << name << " " << bad;
        EXPECT_NE(wrong->find(name), std::string::npos) << *wrong;
    }
}

} // namespace
} // namespace textowl::server
