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

} // namespace textowl
