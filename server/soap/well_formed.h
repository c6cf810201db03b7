#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace textowl::server {

// Why a document is not well-formed in a way pugixml lets through: bytes that are not UTF-8
// (an overlong form, an encoded surrogate, a cut sequence), a NUL, a reference to a character
// XML forbids, or a reference that names no predefined entity, which pugixml would keep as
// literal text. Nothing when the document holds none of these.
std::optional<std::string> notWellFormed(std::string_view document);

// Where the text stops being UTF-8, as a reason; nothing when it is UTF-8 throughout.
std::optional<std::string> invalidUtf8(std::string_view text);

} // namespace textowl::server
