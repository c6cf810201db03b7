#include "messaging/schedule_text.h"

#include <cstdio>

namespace textowl {

namespace {

// The decimal number a text starts with, as C's atoi reads it (blanks, a sign, digits), without
// its overflow: a pasted run of digits is held at a large value instead.
long leadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value < 100'000'000)
            value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

} // namespace

std::string fullTimestamp(const CivilTime& t) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return buffer;
}

std::string scheduleText(std::optional<std::string_view> pickerText, const CivilTime& now) {
    if (!pickerText || pickerText->empty())
        return fullTimestamp(now);
    const std::string_view text = *pickerText;
    const std::size_t firstSlash = text.find('/');
    const std::size_t secondSlash =
        firstSlash == std::string_view::npos ? firstSlash : text.find('/', firstSlash + 1);
    const std::size_t blank =
        secondSlash == std::string_view::npos ? secondSlash : text.find(' ', secondSlash + 1);
    if (blank == std::string_view::npos)
        return fullTimestamp(now);

    const long month = leadingNumber(text.substr(0, firstSlash));
    const long day = leadingNumber(text.substr(firstSlash + 1, secondSlash - firstSlash - 1));
    const long year = leadingNumber(text.substr(secondSlash + 1, blank - secondSlash - 1));
    const std::string_view time = text.substr(text.size() < 5 ? 0 : text.size() - 5);

    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%ld-%ld-%ld ", year, month, day);
    return std::string(buffer).append(time).append(":00");
}

} // namespace textowl
