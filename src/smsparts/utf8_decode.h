#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace textowl {

inline constexpr char32_t kUtf8Replacement = 0xFFFD;

// One character read from UTF-8 and the bytes it took (at least one).
struct Utf8Step {
    char32_t codePoint;
    std::size_t length;
};

// Reads the character that starts at text[at], which must lie inside the text. A byte that cannot
// start or continue a sequence reads as U+FFFD on its own, so the next byte is read afresh; a
// well-formed sequence for a value UTF-8 may not carry (an overlong form, a surrogate) reads as
// one U+FFFD. Counting and escaping therefore never see an invalid code point.
Utf8Step readUtf8(std::string_view text, std::size_t at);

// The whole text, read as readUtf8 reads each character.
std::vector<char32_t> decodeUtf8(std::string_view text);

} // namespace textowl
