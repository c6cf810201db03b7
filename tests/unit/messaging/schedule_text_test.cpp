#include "messaging/schedule_text.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace textowl {
namespace {

constexpr CivilTime kNow{2006, 3, 7, 14, 5, 9};

struct ScheduleCase {
    const char* name;
    std::optional<CivilTime> picked;
    std::string expected;
};

void PrintTo(const ScheduleCase& c, std::ostream* os) {
    *os << c.name;
}

class ScheduleTable : public ::testing::TestWithParam<ScheduleCase> {};

TEST_P(ScheduleTable, TakesThePickedMomentOrNow) {
    const auto& c = GetParam();
    EXPECT_EQ(scheduleText(c.picked, kNow), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Picker, ScheduleTable,
    ::testing::Values(
        ScheduleCase{"DateLosesLeadingZeros", CivilTime{2006, 3, 7, 14, 5, 42},
                     "2006-3-7 14:05:00"},
        ScheduleCase{"NewYearsEve", CivilTime{2006, 12, 31, 9, 5, 0}, "2006-12-31 09:05:00"},
        ScheduleCase{"NothingPickedGivesNowWithSeconds", std::nullopt, "2006-03-07 14:05:09"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace textowl
