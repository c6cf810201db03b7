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

// Digits typed into one section, then the value it shows (0: none yet) and whether it is done.
TEST(SectionTyping, DigitsBuildTheSectionUntilNoMoreCanFit) {
    const struct {
        PickerSection section;
        const char* digits;
        int value;
        bool done;
    } cases[] = {
        {PickerSection::Month, "1", 1, false},     {PickerSection::Month, "12", 12, true},
        {PickerSection::Month, "4", 4, true},      {PickerSection::Month, "13", 0, true},
        {PickerSection::Month, "05", 5, true},     {PickerSection::Month, "127", 7, true},
        {PickerSection::Day, "3", 3, false},       {PickerSection::Day, "31", 31, true},
        {PickerSection::Day, "00", 0, true},       {PickerSection::Year, "202", 0, false},
        {PickerSection::Year, "2031", 2031, true}, {PickerSection::Hour, "2", 2, false},
        {PickerSection::Hour, "09", 9, true},      {PickerSection::Minute, "7", 7, true},
    };
    for (const auto& c : cases) {
        SectionTyping typing;
        SectionTyping::Step step;
        for (const char* d = c.digits; *d; ++d)
            step = typing.type(c.section, *d - '0');
        EXPECT_EQ(step.value.value_or(0), c.value) << c.digits;
        EXPECT_EQ(step.done, c.done) << c.digits;
    }
}

} // namespace
} // namespace textowl
