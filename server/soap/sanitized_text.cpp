#include "server/soap/sanitized_text.h"

#include <algorithm>

namespace textowl::server {

bool isXmlChar(char32_t cp) {
    if (cp == 0x9 || cp == 0xA || cp == 0xD) {
        return true;
    }
    return (cp >= 0x20 && cp <= 0xD7FF) || (cp >= 0xE000 && cp <= 0xFFFD) ||
           (cp >= 0x10000 && cp <= 0x10FFFF);
}

std::string sanitizeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t cp : decodeUtf8(text)) {
        appendUtf8(out, isXmlChar(cp) ? cp : kUtf8Replacement);
    }
    return out;
}

std::string failureReason(std::string_view text) {
    constexpr std::size_t kMaxBytes = 200;
    return sanitizeText(text.substr(0, std::min(text.find_first_of("\r\n"), kMaxBytes)));
}

} // namespace textowl::server
