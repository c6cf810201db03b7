#include "smsparts/sms_parts.h"

#include "smsparts/utf8_decode.h"

namespace textowl {
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

// Septets a character takes in GSM 7-bit, 0 when it has none.
int gsmWidth(char32_t cp) {
    if (kGsmBasic.find(cp) != std::u32string_view::npos) {
        return 1;
    }
    if (kGsmExtension.find(cp) != std::u32string_view::npos) {
        return 2;
    }
    return 0;
}

int utf16Width(char32_t cp) {
    return cp >= 0x10000 ? 2 : 1;
}

// Packs characters into parts the way a sender does: a character that needs two units is never
// split across two parts.
template <class Width>
SmsSize pack(const std::vector<char32_t>& text, SmsEncoding encoding, Limits limits, Width width) {
    SmsSize size{encoding, 0, 0};
    for (char32_t cp : text) {
        size.units += width(cp);
    }
    if (size.units == 0) {
        return size;
    }
    if (size.units <= limits.single) {
        size.parts = 1;
        return size;
    }
    int used = limits.perPart;
    for (char32_t cp : text) {
        const int w = width(cp);
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
    bool gsm = !forceUcs2;
    for (char32_t cp : text) {
        gsm = gsm && gsmWidth(cp) != 0;
    }
    if (gsm) {
        return pack(text, SmsEncoding::Gsm7, kGsmLimits, gsmWidth);
    }
    return pack(text, SmsEncoding::Ucs2, kUcs2Limits, utf16Width);
}

std::vector<Ucs2Character> charactersForcingUcs2(std::string_view utf8Text) {
    std::vector<Ucs2Character> found;
    int offset = 0;
    for (std::size_t i = 0; i < utf8Text.size();) {
        const Utf8Step step = readUtf8(utf8Text, i);
        const int width = utf16Width(step.codePoint);
        if (gsmWidth(step.codePoint) == 0) {
            found.push_back({step.codePoint, offset, width});
        }
        offset += width;
        i += step.length;
    }
    return found;
}

} // namespace textowl
