#include "messaging/schedule_text.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace textowl {
namespace {

constexpr CivilTime kNow{2006, 3, 7, 14, 5, 9};

struct ScheduleCase {
    const char* name;
    std::optional<std::string> picker;
    std::string expected;
};

void PrintTo(const ScheduleCase& c, std::ostream* os) {
    *os << c.name;
}

class ScheduleTable : public ::testing::TestWithParam<ScheduleCase> {};

TEST_P(ScheduleTable, ReadsThePickerOrFallsBackToNow) {
    const auto& c = GetParam();
    const auto picker = c.picker ? std::optional<std::string_view>(*c.picker) : std::nullopt;
    EXPECT_EQ(scheduleText(picker, kNow), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    PickerText, ScheduleTable,
    ::testing::Values(
        ScheduleCase{"DateLosesLeadingZeros", "03/07/2006 14:05", "2006-3-7 14:05:00"},
        ScheduleCase{"NewYearsEve", "12/31/2006 09:05", "2006-12-31 09:05:00"},
        ScheduleCase{"NoPickerGivesNowWithSeconds", std::nullopt, "2006-03-07 14:05:09"},
        ScheduleCase{"EmptyPickerGivesNow", "", "2006-03-07 14:05:09"},
        ScheduleCase{"MissingSlashGivesNow", "03-07-2006 14:05", "2006-03-07 14:05:09"},
        ScheduleCase{"MissingBlankGivesNow", "03/07/2006T14:05", "2006-03-07 14:05:09"},
        ScheduleCase{"NonNumbersReadAsZero", "xx/yy/zz 14:05", "0-0-0 14:05:00"},
        ScheduleCase{"HugeYearDoesNotOverflow", "1/2/99999999999999999999 10:00",
                     "999999999-1-2 10:00:00"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace textowl
