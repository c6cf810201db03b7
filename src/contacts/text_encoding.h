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
// 1-based number of the line that holds offset.
std::size_t lineAt(std::string_view text, std::size_t offset);

// UTF-16 code units (no byte-order mark) appended to out as UTF-8, up to the first one that
// breaks UTF-16: a lone surrogate or an odd last byte. Returns that unit's byte offset, or npos.
std::size_t appendUtf16AsUtf8(std::string_view bytes, bool bigEndian, std::string& out);

// What a reader does with a file that has no byte-order mark and is not UTF-8: CSV files are
// Windows-1252, as Outlook writes them; a vCard names the charset of each value itself.
enum class LegacyText { Windows1252, LeftToValues };

struct FileText {
    std::string text;       // UTF-8 without a byte-order mark, unless left to the values
    bool fromUtf16 = false; // every value is Unicode already, whatever charset it names
    ReadError error;        // too large, binary (a NUL), or broken after its byte-order mark
};

// A contact file's bytes as text: UTF-8 or UTF-16 (little or big endian) after their byte-order
// mark, UTF-8 when the bytes are UTF-8 anyway, otherwise as legacy says.
FileText decodeFile(std::string_view bytes, LegacyText legacy);

// The charsets address books name: UTF-8 (and its ASCII subset), Windows-1252 and ISO-8859-1.
// Returns the text in UTF-8, or nothing for a charset this reader does not know.
std::optional<std::string> toUtf8(std::string_view bytes, std::string_view charset);

// Quoted-printable to bytes; "=" at the end of a line is a soft break, a malformed escape stays
// as written.
std::string decodeQuotedPrintable(std::string_view text);

std::string_view trimmed(std::string_view text);

} // namespace textowl
