#pragma once

#include "base/clock.h"

#include <optional>
#include <string>
#include <string_view>

namespace textowl {

// The display format of the schedule picker.
inline constexpr std::string_view kSchedulePickerFormat = "MM/dd/yyyy HH:mm";

// The schedule sent with a message: the picked moment as "year-month-day HH:mm:00" without
// leading zeros in the date, or, when nothing is picked, the moment `now` in full. Never empty,
// so the service always has a time to queue the message for. Digits are ASCII whatever the
// user's locale, since the service reads them.
std::string scheduleText(const std::optional<CivilTime>& picked, const CivilTime& now);

// "%Y-%m-%d %H:%M:%S", zero-padded.
std::string fullTimestamp(const CivilTime& time);

// Typing into one section of the picker, as into the platform's date-and-time field: digits
// build the section's value, the section is done once no further digit could fit, and a digit
// after that starts the value afresh.
enum class PickerSection { Month, Day, Year, Hour, Minute };
class SectionTyping {
public:
    struct Step {
        std::optional<int> value; // none while the digits typed are no value yet (a year's "20")
        bool done = false;        // the section is complete: typing moves on to the next
    };
    Step type(PickerSection section, int digit);
    void reset() { m_typed = 0; }

private:
    PickerSection m_section = PickerSection::Month;
    int m_value = 0;
    int m_typed = 0;
};

} // namespace textowl
