#include "server/soap/well_formed.h"

#include "server/soap/sanitized_text.h"

#include <algorithm>
#include <array>

namespace textowl::server {
namespace {

// The code point a character reference such as "#x41" or "#65" names; nothing when it is
// not one.
std::optional<char32_t> referencedCharacter(std::string_view reference) {
    const bool hex = reference.size() > 2 && (reference[1] == 'x');
    std::string_view digits = reference.substr(hex ? 2 : 1);
    if (digits.empty()) {
        return std::nullopt;
    }
    while (digits.size() > 1 && digits.front() == '0') {
        digits.remove_prefix(1);
    }
    if (digits.size() > 8) {
        return char32_t{0x110000}; // beyond Unicode, whatever its digits
    }
    char32_t value = 0;
    for (const char c : digits) {
        const int digit = c >= '0' && c <= '9'          ? c - '0'
                          : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                        : -1;
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
    }
    return value;
}

// What "&..." at the start of rest refers to is wrong with; nothing when it is a predefined
// entity or a reference to a character XML allows.
std::optional<std::string> badReference(std::string_view rest) {
    const std::size_t end = rest.find(';');
    const std::string_view shown =
        rest.substr(0, end == std::string_view::npos ? 16 : std::min<std::size_t>(end + 1, 16));
    if (end == std::string_view::npos) {
        return "an & that starts no reference: " + std::string(shown);
    }
    const std::string_view name = rest.substr(1, end - 1);
    if (name.starts_with('#')) {
        const auto cp = referencedCharacter(name);
        if (!cp) {
            return "a malformed character reference: " + std::string(shown);
        }
        if (!isXmlChar(*cp)) {
            return "a reference to a character XML forbids: " + std::string(shown);
        }
        return std::nullopt;
    }
    constexpr std::array<std::string_view, 5> kPredefined = {"amp", "lt", "gt", "quot", "apos"};
    if (std::find(kPredefined.begin(), kPredefined.end(), name) == kPredefined.end()) {
        return "a reference to an entity never declared: " + std::string(shown);
    }
    return std::nullopt;
}

} // namespace

// Decoding would turn such bytes into U+FFFD, so the recipient would read a text other than
// the one sent; only the three bytes of a U+FFFD the client wrote itself stand for one.
std::optional<std::string> invalidUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            ++at;
            continue;
        }
        const Utf8Step step = readUtf8(text, at);
        if (step.codePoint == kUtf8Replacement && text.substr(at, step.length) != "\xEF\xBF\xBD") {
            return "bytes that are not UTF-8 at offset " + std::to_string(at);
        }
        at += step.length;
    }
    return std::nullopt;
}

std::optional<std::string> notWellFormed(std::string_view document) {
    if (document.find('\0') != std::string_view::npos) {
        return "a NUL byte";
    }
    if (auto invalid = invalidUtf8(document)) {
        return invalid;
    }
    // Character data sections, comments and processing instructions hold no references.
    for (std::size_t at = document.find_first_of("<&"); at != std::string_view::npos;
         at = document.find_first_of("<&", at + 1)) {
        const std::string_view rest = document.substr(at);
        for (const auto& [open, close] :
             {std::pair{"<![CDATA[", "]]>"}, std::pair{"<!--", "-->"}, std::pair{"<?", "?>"}}) {
            if (rest.starts_with(open)) {
                at = document.find(close, at);
                if (at == std::string_view::npos) {
                    return std::nullopt; // unterminated: the parser refuses it
                }
            }
        }
        if (rest.starts_with('&')) {
            if (auto bad = badReference(rest)) {
                return bad;
            }
        }
    }
    return std::nullopt;
}

} // namespace textowl::server
