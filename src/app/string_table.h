#pragma once

#include <string_view>

namespace textowl {

// English defaults of the numbered messages, for lookups whose strings.xml entry is missing.
// Returns an empty view for an id the program never uses (and for -1, "no default").
std::string_view stringTableText(int id);

} // namespace textowl
