#pragma once

#include "contacts/contact.h"

#include <string>

namespace textowl {

// vCard 3.0 in UTF-8: one card per contact with its groups as CATEGORIES, and a group card
// (X-ADDRESSBOOKSERVER-KIND:group) for each group no contact sits in, so that it is not lost.
std::string writeVCards(const ContactBook& book);

// CSV in UTF-8 with a byte-order mark, under Google Contacts' header row, which Google itself
// and this program's reader take back; several groups are joined with " ::: ", and a group
// without members gets a row of its own.
std::string writeCsv(const ContactBook& book);

} // namespace textowl
