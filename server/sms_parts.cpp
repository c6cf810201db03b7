#include "server/sms_parts.h"

#include "server/utf8.h"

#include <algorithm>
#include <array>
#include <vector>

namespace textowl::server {
namespace {

// GSM 03.38 default alphabet (one septet each), excluding the escape code.
constexpr std::u32string_view kGsmBasic =
    U"@£$¥èéùìòÇ\nØø\rÅåΔ_ΦΓΛΩΠΨΣΘΞÆæßÉ !\"#¤%&'()*+,-./0123456789:;<=>?"
    U"¡ABCDEFGHIJKLMNOPQRSTUVWXYZÄÖÑÜ§¿abcdefghijklmnopqrstuvwxyzäöñüà";

// Reached through the escape code, so each costs two septets.
constexpr std::u32string_view kGsmExtension = U"\f^{}\\[~]|€";

struct Limits {
    int single;
    int perPart;
};

constexpr Limits kGsmLimits{160, 153};
constexpr Limits kUcs2Limits{70, 67};

int gsmWidth(char32_t cp) {
    if (kGsmBasic.find(cp) != std::u32string_view::npos) {
        return 1;
    }
    if (kGsmExtension.find(cp) != std::u32string_view::npos) {
        return 2;
    }
    return 0;
}

// Packs characters into parts the way a sender does: a character that needs two units (an
// escaped GSM character, a surrogate pair) is never split across two parts.
SmsSize pack(const std::vector<int>& widths, SmsEncoding encoding, Limits limits) {
    SmsSize size{encoding, 0, 0};
    for (int w : widths) {
        size.units += w;
    }
    if (size.units == 0) {
        return size;
    }
    if (size.units <= limits.single) {
        size.parts = 1;
        return size;
    }
    int used = limits.perPart;
    for (int w : widths) {
        if (used + w > limits.perPart) {
            ++size.parts;
            used = 0;
        }
        used += w;
    }
    return size;
}

} // namespace

SmsSize countSmsParts(std::string_view utf8Text, bool forceUcs2) {
    const std::vector<char32_t> text = decodeUtf8(utf8Text);
    std::vector<int> widths;
    widths.reserve(text.size());
    bool gsm = !forceUcs2;
    for (char32_t cp : text) {
        const int w = gsmWidth(cp);
        if (w == 0) {
            gsm = false;
            break;
        }
        widths.push_back(w);
    }
    if (gsm) {
        return pack(widths, SmsEncoding::Gsm7, kGsmLimits);
    }
    widths.clear();
    for (char32_t cp : text) {
        widths.push_back(cp >= 0x10000 ? 2 : 1);
    }
    return pack(widths, SmsEncoding::Ucs2, kUcs2Limits);
}

} // namespace textowl::server
