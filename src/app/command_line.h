#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace textowl {

// The language name given with "-l" on the command line, lower-cased and trimmed; the option may
// appear anywhere (even inside a word) and everything after it is the name. Nothing when absent.
std::optional<std::string> languageFromCommandLine(std::string_view commandLine);

// The display name the option means among the languages of strings.xml: the one spelled exactly
// as given, else the first that reads the same once lowered. The option is lowered as a whole, and
// every shipped language name starts with a capital, so an exact match alone would never select
// one. Nothing when no language matches.
std::optional<std::string> languageForOption(std::string_view optionName,
                                             const std::vector<std::string>& displayNames);

// Joins the program's arguments (without the program name) into one command-line text.
std::string joinArguments(int argc, const char* const* argv);

} // namespace textowl
