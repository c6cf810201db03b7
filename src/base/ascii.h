#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace textowl {

// Case folding of ASCII letters only: the names compared this way (encodings, URL schemes, group
// names as the service matches them) are ASCII on the wire, and other bytes must stay distinct.
// (std::tolower would follow the process's locale, which Qt sets from the environment.)
// Unsigned, so that ordering by it puts UTF-8 lead bytes after ASCII.
inline unsigned char foldedAscii(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

inline bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return foldedAscii(x) == foldedAscii(y); });
}

inline bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return prefix.size() <= text.size() &&
           equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

inline bool containsIgnoringCase(std::string_view text, std::string_view part) {
    return std::search(text.begin(), text.end(), part.begin(), part.end(), [](char x, char y) {
               return foldedAscii(x) == foldedAscii(y);
           }) != text.end();
}

// The value of a hexadecimal digit, or -1 for any other character.
inline int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

inline std::string asciiLower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return static_cast<char>(foldedAscii(c)); });
    return out;
}

} // namespace textowl
