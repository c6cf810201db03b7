#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace textowl {

// The language name given with "-l" on the command line, lower-cased and trimmed; the option may
// appear anywhere (even inside a word) and everything after it is the name. Nothing when absent.
std::optional<std::string> languageFromCommandLine(std::string_view commandLine);

// Joins the program's arguments (without the program name) into one command-line text.
std::string joinArguments(int argc, const char* const* argv);

} // namespace textowl
