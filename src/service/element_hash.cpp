#include "service/element_hash.h"

#include "service/utf.h"

namespace textowl {

std::uint32_t elementHashUtf8(std::string_view name) {
    std::uint32_t h = 0;
    std::size_t i = 0;
    for (; i < name.size() && static_cast<unsigned char>(name[i]) < 0x80; ++i) {
        h = h * 33u + static_cast<unsigned char>(name[i]);
    }
    if (i == name.size()) {
        return h;
    }
    for (const char16_t c : utf8ToUtf16(name.substr(i))) {
        h = h * 33u + c;
    }
    return h;
}

} // namespace textowl
