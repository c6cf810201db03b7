#pragma once

#include "contacts/contact.h"

#include <string_view>

namespace textowl {

// Reads a CSV file whose first row names the columns: the exports of Google Contacts (old and
// new headers), Outlook and Thunderbird, and a plain "name,phone[,group]". Fields are separated
// by ",", ";" or a tab (whichever the header row uses), may be quoted and then hold separators,
// doubled quotes and line breaks. The text must be UTF-8, with or without a byte-order mark.
// A row that names only groups declares them. The first fault ends the read with nothing handed
// over.
ContactRead readCsv(std::string_view bytes);

} // namespace textowl
