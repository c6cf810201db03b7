#pragma once

#include <cstdint>
#include <string_view>

namespace textowl {

// Names are matched by this hash first; a match always counts only after comparing the text.
constexpr std::uint32_t elementHash(std::u16string_view name) {
    std::uint32_t h = 0;
    for (const char16_t c : name) {
        h = h * 33u + c;
    }
    return h;
}

// The same hash over the UTF-16 code units of a UTF-8 name, as the XML reader reports UTF-8.
std::uint32_t elementHashUtf8(std::string_view name);

} // namespace textowl
