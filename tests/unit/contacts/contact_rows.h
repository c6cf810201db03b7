#pragma once

#include "contacts/contact.h"

#include <string>
#include <utility>
#include <vector>

namespace textowl {

// A contact of a file by nickname, number and groups: all an import decides on.
inline Contact contact(std::string nickname, std::string cell, std::vector<std::string> groups) {
    Contact c;
    c.nickname = std::move(nickname);
    c.cellPhone = std::move(cell);
    c.groups = std::move(groups);
    return c;
}

} // namespace textowl
