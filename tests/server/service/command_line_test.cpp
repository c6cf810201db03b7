#include "server/command_line.h"

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

} // namespace
} // namespace textowl::server
