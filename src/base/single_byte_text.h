#pragma once

#include <string>
#include <string_view>

namespace textowl {

// Text in the single-byte code pages files still arrive in, as UTF-8. Windows-1252 differs from
// ISO-8859-1 only in 0x80 to 0x9F; its five unassigned bytes keep their C1 code points, as
// Windows itself maps them.
std::string windows1252ToUtf8(std::string_view bytes);
std::string latin1ToUtf8(std::string_view bytes);

} // namespace textowl
