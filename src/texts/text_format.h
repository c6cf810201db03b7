#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace textowl {

// Fills a format text that may come from the user-editable strings file. Only "%s" and "%d" take
// the next argument (in order) and "%%" gives "%"; any other "%" sequence, and a conversion with
// no argument left, stays as written. Never hand such a text to printf: a stray "%n" or "%s" too
// many would read or write memory that is not there.
std::string formatText(std::string_view format, std::initializer_list<std::string_view> args);

} // namespace textowl
