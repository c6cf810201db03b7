#include "buddylist/contact_rules.h"

#include "base/ascii.h"
#include "buddylist/buddy_list.h"

#include <algorithm>
#include <cctype>

namespace textowl {

namespace {

// The leading digits as a number, 0 without any.
int leadingNumber(std::string_view digits) {
    int value = 0;
    for (char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            break;
        value = value * 10 + (c - '0');
    }
    return value;
}

int rowIn(int row, int count) {
    return row >= 0 && row < count ? row : -1;
}

std::string twoDigits(int value) {
    std::string text = std::to_string(value);
    return text.size() < 2 ? "0" + text : text;
}

} // namespace

BirthdayRows birthdayRows(std::string_view stored, int currentYear) {
    if (stored.size() != 10)
        return {};
    const int year = leadingNumber(stored.substr(0, 4));
    const int month = leadingNumber(stored.substr(5, 2));
    const int day = leadingNumber(stored.substr(8, 2));
    if (year < kFirstBirthdayYear || month == 0 || day == 0)
        return {};
    return {rowIn(currentYear - year, currentYear - kFirstBirthdayYear + 1), rowIn(month - 1, 12),
            rowIn(day - 1, 31)};
}

std::string birthdayText(BirthdayRows rows, int currentYear) {
    const int year = rows.year >= 0 ? currentYear - rows.year : 0;
    const int month = rows.month >= 0 ? rows.month + 1 : 0;
    const int day = rows.day >= 0 ? rows.day + 1 : 0;
    return std::to_string(year) + '-' + twoDigits(month) + '-' + twoDigits(day);
}

std::vector<std::string> groupChoices(const std::vector<std::string>& groupNames) {
    std::vector<std::string> names = groupNames;
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return caseInsensitiveLess(a, b);
    });
    // First whatever the names, so that a name sorting before "<" cannot become the default.
    names.insert(names.begin(), std::string(kAddNewGroupChoice));
    return names;
}

int preselectedGroup(const std::vector<std::string>& choices, std::string_view initialName) {
    if (initialName.empty() || choices.empty())
        return 0;
    const std::size_t count = choices.size();
    for (std::size_t step = 1; step <= count; ++step) {
        const std::size_t i = step % count;
        if (startsWithIgnoringCase(choices[i], initialName))
            return static_cast<int>(i);
    }
    return 0;
}

std::string chosenGroup(std::string_view groupText) {
    return groupText == kAddNewGroupChoice ? std::string() : std::string(groupText);
}

bool contactIsComplete(std::string_view nickname, std::string_view firstName,
                       std::string_view lastName, std::string_view cellPhone) {
    const bool named = !nickname.empty() || !firstName.empty() || !lastName.empty();
    return named && !cellPhone.empty();
}

} // namespace textowl
