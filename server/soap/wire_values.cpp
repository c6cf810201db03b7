#include "server/soap/wire_values.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <unordered_set>

namespace textowl::server {
namespace {

bool allDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<int> smallNumber(std::string_view text, std::size_t minDigits,
                               std::size_t maxDigits) {
    if (!allDigits(text) || text.size() < minDigits || text.size() > maxDigits) {
        return std::nullopt;
    }
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

std::vector<std::string_view> split(std::string_view text, std::string_view separators) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find_first_of(separators, start);
        const std::size_t stop = end == std::string_view::npos ? text.size() : end;
        pieces.push_back(text.substr(start, stop - start));
        start = stop + 1;
    }
    return pieces;
}

bool isLeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeapYear(y) ? 29 : kDays[m - 1];
}

std::string formatTime(std::int64_t unixSeconds, std::tm* (*split)(const std::time_t*, std::tm*)) {
    const std::time_t t = static_cast<std::time_t>(unixSeconds);
    std::tm parts{};
    split(&t, &parts);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &parts);
    return buffer;
}

} // namespace

std::optional<std::int64_t> parseId(std::string_view text) {
    if (!allDigits(text) || text.size() > 18 || (text.size() > 1 && text[0] == '0')) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

std::optional<std::int64_t> parseCredits(std::string_view text) {
    const std::size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    const std::string_view fraction =
        dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
    if (!allDigits(whole) || whole.size() > 12) {
        return std::nullopt;
    }
    if (dot != std::string_view::npos && (!allDigits(fraction) || fraction.size() > 2)) {
        return std::nullopt;
    }
    std::int64_t units = 0;
    std::from_chars(whole.data(), whole.data() + whole.size(), units);
    int cents = 0;
    if (!fraction.empty()) {
        std::from_chars(fraction.data(), fraction.data() + fraction.size(), cents);
        if (fraction.size() == 1) {
            cents *= 10;
        }
    }
    return units * 100 + cents;
}

std::string formatCredits(std::int64_t cents) {
    std::string text = std::to_string(cents / 100);
    if (cents % 100 != 0) {
        const auto fraction = cents % 100;
        text += fraction < 10 ? ".0" : ".";
        text += std::to_string(fraction);
    }
    return text;
}

std::optional<std::string> parseSchedule(std::string_view text) {
    const std::size_t blank = text.find(' ');
    if (blank == std::string_view::npos) {
        return std::nullopt;
    }
    const auto date = split(text.substr(0, blank), "-");
    const auto time = split(text.substr(blank + 1), ":");
    if (date.size() != 3 || time.size() != 3) {
        return std::nullopt;
    }
    const auto year = smallNumber(date[0], 4, 4);
    const auto month = smallNumber(date[1], 1, 2);
    const auto day = smallNumber(date[2], 1, 2);
    const auto hour = smallNumber(time[0], 1, 2);
    const auto minute = smallNumber(time[1], 2, 2);
    const auto second = smallNumber(time[2], 2, 2);
    if (!year || !month || !day || !hour || !minute || !second) {
        return std::nullopt;
    }
    if (*month < 1 || *month > 12 || *day < 1 || *day > daysInMonth(*year, *month) || *hour > 23 ||
        *minute > 59 || *second > 59) {
        return std::nullopt;
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", *year, *month, *day,
                  *hour, *minute, *second);
    return std::string(buffer);
}

std::string formatTimestamp(std::int64_t unixSeconds) {
    return formatTime(unixSeconds, gmtime_r);
}

std::optional<std::int64_t> localTimeSeconds(const std::string& normalised) {
    std::tm parts{};
    if (std::sscanf(normalised.c_str(), "%4d-%2d-%2d %2d:%2d:%2d", &parts.tm_year, &parts.tm_mon,
                    &parts.tm_mday, &parts.tm_hour, &parts.tm_min, &parts.tm_sec) != 6) {
        return std::nullopt;
    }
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    parts.tm_isdst = -1;
    const std::time_t t = std::mktime(&parts);
    if (t == static_cast<std::time_t>(-1)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(t);
}

std::string formatLocalTimestamp(std::int64_t unixSeconds) {
    return formatTime(unixSeconds, localtime_r);
}

std::optional<std::string> normalisePhone(std::string_view text) {
    std::string digits;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits += c;
        } else if (c == '+' && digits.empty() && text.find_first_not_of(" \t") == i) {
            continue;
        } else if (std::string_view(" \t-./()").find(c) == std::string_view::npos) {
            return std::nullopt;
        }
    }
    if (digits.size() < 7 || digits.size() > 15) {
        return std::nullopt;
    }
    return digits;
}

// A set, not a scan of the list so far: a request may carry a megabyte of numbers, and
// comparing each against all before it took a worker for half a minute.
std::optional<std::vector<std::string>> parseRecipients(std::string_view text) {
    std::vector<std::string> numbers;
    std::unordered_set<std::string> seen;
    for (std::string_view piece : split(text, ",;\r\n")) {
        if (piece.find_first_not_of(" \t") == std::string_view::npos) {
            continue;
        }
        auto number = normalisePhone(piece);
        if (!number) {
            return std::nullopt;
        }
        if (seen.insert(*number).second) {
            numbers.push_back(std::move(*number));
        }
    }
    if (numbers.empty()) {
        return std::nullopt;
    }
    return numbers;
}

} // namespace textowl::server
