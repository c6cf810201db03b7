#pragma once

#include "base/birthday_rows.h"

#include <string>
#include <string_view>
#include <vector>

namespace textowl {

// The group box entry that stands for "no group": a buddy placed directly under the root.
inline constexpr std::string_view kAddNewGroupChoice = "<Add New Group>";

// A stored birthday as rows: only a 10-character "yyyy-mm-dd" after 1899 with a month and a day
// selects anything, and a number outside its list leaves that list empty.
BirthdayRows birthdayRows(std::string_view stored, int currentYear);
// "%d-%02d-%02d" from the rows, a list without a selection counting 0: "1980-04-02", "0-00-00".
std::string birthdayText(BirthdayRows rows, int currentYear);

// The group box's entries: "<Add New Group>", then the group names sorted ignoring case.
std::vector<std::string> groupChoices(const std::vector<std::string>& groupNames);
// The entry the box opens on: from the second entry on, wrapping, the first that begins with the
// initial name ignoring case; the first entry when nothing matches or the name is empty.
int preselectedGroup(const std::vector<std::string>& choices, std::string_view initialName);
// The group a dialog answer names; "<Add New Group>" names none.
std::string chosenGroup(std::string_view groupText);

// OK needs a name to list the buddy under and a cell phone; blanks count as given.
bool contactIsComplete(std::string_view nickname, std::string_view firstName,
                       std::string_view lastName, std::string_view cellPhone);

} // namespace textowl
