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

namespace {

struct SectionLimits {
    int digits;
    int least;
    int most;
};

constexpr SectionLimits limitsOf(PickerSection section) {
    switch (section) {
    case PickerSection::Month:
        return {2, 1, 12};
    case PickerSection::Day:
        return {2, 1, 31};
    case PickerSection::Year:
        return {4, 1753, 9999}; // the picker's own first and last years of the Gregorian calendar
    case PickerSection::Hour:
        return {2, 0, 23};
    case PickerSection::Minute:
        return {2, 0, 59};
    }
    return {2, 0, 0};
}

} // namespace

SectionTyping::Step SectionTyping::type(PickerSection section, int digit) {
    const SectionLimits limits = limitsOf(section);
    if (section != m_section || m_typed == 0 || m_typed >= limits.digits) {
        m_section = section;
        m_value = 0;
        m_typed = 0;
    }
    m_value = m_value * 10 + digit;
    ++m_typed;
    Step step;
    if (m_value >= limits.least && m_value <= limits.most)
        step.value = m_value;
    // Done when every digit is in, or when any further digit would overshoot ("4" as a month).
    step.done = m_typed >= limits.digits || m_value * 10 > limits.most;
    if (step.done)
        m_typed = limits.digits;
    return step;
}

} // namespace textowl
