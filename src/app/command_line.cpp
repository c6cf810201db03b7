#include "app/command_line.h"

#include <algorithm>
#include <cctype>

namespace textowl {

namespace {

bool isBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::optional<std::string> languageFromCommandLine(std::string_view commandLine) {
    std::string lowered(trimmed(commandLine));
    std::transform(lowered.begin(), lowered.end(), lowered.begin(), [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    });
    const auto at = lowered.find("-l");
    if (at == std::string::npos)
        return std::nullopt;
    return std::string(trimmed(std::string_view(lowered).substr(at + 2)));
}

std::string joinArguments(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += ' ';
        line += argv[i];
    }
    return line;
}

} // namespace textowl
