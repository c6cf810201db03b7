#pragma once

#include "contacts/contact.h"

#include <optional>
#include <string_view>

namespace textowl {

// Reads every card of a vCard 2.1, 3.0 or 4.0 file, in any mix of versions, as the common
// address books export them. Group cards (KIND:group, X-ADDRESSBOOKSERVER-KIND:group) become
// groups of their members rather than contacts. A file with a UTF-16 byte-order mark is read as
// UTF-16; otherwise each value is UTF-8 or in the charset it names. The first fault ends the read
// with nothing handed over, so a damaged file changes nothing.
ContactRead readVCards(std::string_view bytes);

// A BDAY value: YYYY-MM-DD, YYYYMMDD, --MMDD, --MM-DD, YYYY, YYYY-MM, each optionally followed by
// a time. The years 1604 and 0 mean that the year is not known (omitYear names another such
// year, as Apple's X-APPLE-OMIT-YEAR does).
std::optional<Birthday> parseVCardDate(std::string_view value, int omitYear = 1604);

} // namespace textowl
