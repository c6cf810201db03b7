#include "app/command_line.h"

#include "base/ascii.h"
#include "base/utf8.h"

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

// The capitals of the Windows code page beyond ASCII and their small letters; all of them are
// two-byte UTF-8 sequences.
char32_t lowerLatin(char32_t c) {
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 0x20;
    switch (c) {
    case 0x152:
        return 0x153;
    case 0x160:
        return 0x161;
    case 0x178:
        return 0xFF;
    case 0x17D:
        return 0x17E;
    default:
        return c;
    }
}

// Lowers every letter the language names of the Windows program could hold, not only ASCII, so
// that "-l SVENSKA ÖÄÅ" reads as "svenska öäå". Other bytes, invalid ones included, stay.
std::string lowered(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (lead >= 0xC2 && lead <= 0xDF && (next & 0xC0) == 0x80) {
            const char32_t c = lowerLatin(((lead & 0x1Fu) << 6) | (next & 0x3Fu));
            appendUtf8(out, c);
            ++i;
        } else {
            out += lead < 0x80 ? static_cast<char>(foldedAscii(text[i])) : text[i];
        }
    }
    return out;
}

} // namespace

std::optional<std::string> languageFromCommandLine(std::string_view commandLine) {
    const std::string lowered = textowl::lowered(trimmed(commandLine));
    const auto at = lowered.find("-l");
    if (at == std::string::npos)
        return std::nullopt;
    return std::string(trimmed(std::string_view(lowered).substr(at + 2)));
}

std::optional<std::string> languageForOption(std::string_view optionName,
                                             const std::vector<std::string>& displayNames) {
    for (const std::string& name : displayNames) {
        if (name == optionName)
            return name;
    }
    for (const std::string& name : displayNames) {
        if (lowered(name) == optionName)
            return name;
    }
    return std::nullopt;
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
