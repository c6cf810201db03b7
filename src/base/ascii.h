#pragma once

#include <algorithm>
#include <cctype>
#include <string_view>

namespace textowl {

// Case folding of ASCII letters only: the names compared this way (encodings, URL schemes, group
// names as the service matches them) are ASCII on the wire, and other bytes must stay distinct.
inline unsigned char foldedAscii(char c) {
    return static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c)));
}

inline bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return foldedAscii(x) == foldedAscii(y); });
}

inline bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return prefix.size() <= text.size() &&
           equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

} // namespace textowl
