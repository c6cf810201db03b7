#pragma once

#include "base/ascii.h"
#include "contacts/contact.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace textowl {

// Whether text is well-formed UTF-8 (no overlong forms, surrogates or values above U+10FFFF).
bool isValidUtf8(std::string_view text);
// Offset of the first byte that breaks UTF-8, or npos.
std::size_t firstInvalidUtf8(std::string_view text);

std::string_view withoutUtf8Bom(std::string_view bytes);
// Too large, or binary (a NUL byte): what no contact file of any format may be.
ReadError checkFileBytes(std::string_view bytes);
// 1-based number of the line that holds offset.
std::size_t lineAt(std::string_view text, std::size_t offset);

// The charsets address books name: UTF-8 (and its ASCII subset), Windows-1252 and ISO-8859-1.
// Returns the text in UTF-8, or nothing for a charset this reader does not know.
std::optional<std::string> toUtf8(std::string_view bytes, std::string_view charset);

// Quoted-printable to bytes; "=" at the end of a line is a soft break, a malformed escape stays
// as written.
std::string decodeQuotedPrintable(std::string_view text);

std::string_view trimmed(std::string_view text);

} // namespace textowl
