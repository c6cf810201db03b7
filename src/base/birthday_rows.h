#pragma once

namespace textowl {

inline constexpr int kFirstBirthdayYear = 1900;

// Selected rows of the three birthday lists; -1 leaves a list without a selection. The year list
// runs from the current year down to 1900, months 1 to 12, days 1 to 31.
struct BirthdayRows {
    int year = -1;
    int month = -1;
    int day = -1;
    friend bool operator==(const BirthdayRows&, const BirthdayRows&) = default;
};

} // namespace textowl
