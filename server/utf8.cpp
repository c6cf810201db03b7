#include "server/utf8.h"

namespace textowl::server {
namespace {

bool isXmlChar(char32_t cp) {
    if (cp == 0x9 || cp == 0xA || cp == 0xD) {
        return true;
    }
    return (cp >= 0x20 && cp <= 0xD7FF) || (cp >= 0xE000 && cp <= 0xFFFD) ||
           (cp >= 0x10000 && cp <= 0x10FFFF);
}

} // namespace

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string sanitizeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t cp : decodeUtf8(text)) {
        appendUtf8(out, isXmlChar(cp) ? cp : kUtf8Replacement);
    }
    return out;
}

} // namespace textowl::server
