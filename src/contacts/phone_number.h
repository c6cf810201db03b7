#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace textowl {

// Why a number cannot be given to the service.
enum class NumberProblem : int {
    None = 0,
    Missing,            // no number at all
    NotANumber,         // no digits to speak of
    NoCountryCode,      // a national number, and no region to read it against
    InvalidCountryCode, // "+" followed by no country's calling code
    TooShort,
    TooLong,
    NotInUse, // the right length, but no number the region or its country gives out
    Landline, // a fixed line alone, which no text reaches
};

struct ServiceNumber {
    std::string digits; // country code and national number, no "+": what the service expects
    NumberProblem problem = NumberProblem::None;

    bool ok() const { return problem == NumberProblem::None; }
};

// Reads a number as a person or an address book wrote it ("0170 1234567", "+1 (415) 555-0132",
// "00 44 20 7946 0958", "tel:+46-70-123-45-67") against a default region (ISO 3166 code such as
// "DE"; empty when none is known), and writes it as the international number without "+". Only
// a number the library knows to be given out is taken: a possible length is not enough, or a
// national number read against the wrong region would become a stranger's. Digits alone that
// make such a number with a "+" are already in the service's form, as the list keeps them and
// the send box takes them: read against the region, "491701234567" would be a fixed line in
// Germany. A number known as a fixed line only is refused; one that may be a mobile is kept.
// The contact dialog and the import read numbers alike through this.
ServiceNumber serviceNumber(std::string_view text, std::string_view region);

// A number as the list stores it (international, without "+"), in serviceNumber's form so that
// the two compare: read as international whether or not it is valid; "" when it is no
// international number at all.
std::string storedServiceNumber(std::string_view stored);

// The stored number with a "+" when it is already an international number in the service's
// form, so that other address books read it right; anything else as stored.
std::string internationalForm(std::string_view stored);

// The territory of a POSIX locale name: "de_AT.UTF-8@euro" gives "AT"; "C", "POSIX" and names
// without a territory give "".
std::string regionFromLocaleName(std::string_view localeName);
// The region of the locale the user's telephone conventions follow (LC_ALL, LC_TELEPHONE, LANG);
// "" when it names none the number library knows.
std::string systemRegion();

// Every region the number library knows, sorted, and a region's calling code (0 if unknown).
std::vector<std::string> knownRegions();
int callingCode(std::string_view region);

const char* numberProblemName(NumberProblem problem);

} // namespace textowl
