#pragma once

#include "base/clock.h"

#include <optional>
#include <string>
#include <string_view>

namespace textowl {

// The display format of the schedule picker, which the schedule text is read back from.
inline constexpr std::string_view kSchedulePickerFormat = "MM/dd/yyyy HH:mm";

// The schedule sent with a message: the picker's text ("MM/dd/yyyy HH:mm") as
// "year-month-day HH:mm:00" without leading zeros in the date, or, when there is no picker text or
// it lacks a "/" or the blank, the moment `now` in full. Never empty, so the service always has a
// time to queue the message for.
std::string scheduleText(std::optional<std::string_view> pickerText, const CivilTime& now);

// "%Y-%m-%d %H:%M:%S", zero-padded.
std::string fullTimestamp(const CivilTime& time);

} // namespace textowl
