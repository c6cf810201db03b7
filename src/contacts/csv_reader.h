#pragma once

#include "contacts/contact.h"

#include <string_view>

namespace textowl {

// Reads a CSV file whose first row names the columns: the exports of Google Contacts (old and
// new headers), Outlook and Thunderbird, and a plain "name,phone[,group]". Fields are separated
// by ",", ";" or a tab (whichever the header row uses), may be quoted and then hold separators,
// doubled quotes and line breaks. The text is UTF-8 or UTF-16 after a byte-order mark, UTF-8
// without one when it is valid UTF-8, and otherwise Windows-1252, what Outlook writes.
// A row that names only groups declares them. The first fault ends the read with nothing handed
// over.
ContactRead readCsv(std::string_view bytes);

} // namespace textowl
