#include "messaging/schedule_text.h"

#include <cstdio>

namespace textowl {

std::string fullTimestamp(const CivilTime& t) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return buffer;
}

std::string scheduleText(const std::optional<CivilTime>& picked, const CivilTime& now) {
    if (!picked)
        return fullTimestamp(now);
    const CivilTime& t = *picked;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%d-%d-%d %02d:%02d:00", t.year, t.month, t.day, t.hour,
                  t.minute);
    return buffer;
}

} // namespace textowl
