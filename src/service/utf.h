#pragma once

#include <string>
#include <string_view>

namespace textowl {

// The service speaks UTF-16, the rest of the program UTF-8. Malformed input on either side
// (broken sequences, lone surrogates, overlong forms) becomes U+FFFD instead of being trusted.
inline constexpr char32_t kReplacementChar = 0xFFFD;

std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);

// Appending forms, so that hot paths reuse one buffer.
void appendUtf8ToUtf16(std::string_view text, std::u16string& out);
void appendUtf16ToUtf8(std::u16string_view text, std::string& out);

} // namespace textowl
