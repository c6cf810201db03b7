#include "base/single_byte_text.h"

#include "base/utf8.h"

namespace textowl {

namespace {

constexpr char32_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::string toUtf8(std::string_view bytes, bool windows1252) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char b : bytes) {
        const auto byte = static_cast<unsigned char>(b);
        const bool high = windows1252 && byte >= 0x80 && byte < 0xA0;
        appendUtf8(out, high ? kWindows1252High[byte - 0x80] : byte);
    }
    return out;
}

} // namespace

std::string windows1252ToUtf8(std::string_view bytes) {
    return toUtf8(bytes, true);
}

std::string latin1ToUtf8(std::string_view bytes) {
    return toUtf8(bytes, false);
}

} // namespace textowl
