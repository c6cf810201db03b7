#pragma once

#include <string_view>
#include <vector>

namespace textowl {

enum class SmsEncoding { Gsm7, Ucs2 };

struct SmsSize {
    SmsEncoding encoding = SmsEncoding::Gsm7;
    int units = 0; // septets for GSM 7-bit, UTF-16 code units for UCS-2
    int parts = 0;
};

// How many SMS parts a UTF-8 text needs. UCS-2 is used when forced or when a character lies
// outside the GSM 7-bit alphabet and its extension table. A character of two units (an escaped
// GSM character, a surrogate pair) never straddles two parts, so a part may hold one unit less.
SmsSize countSmsParts(std::string_view utf8Text, bool forceUcs2);

// A character that has no place in the GSM 7-bit alphabet or its extension table: one of them is
// enough to send the whole text as UCS-2. Offsets count UTF-16 units, as the text travels and as
// text editors index it.
struct Ucs2Character {
    char32_t codePoint;
    int utf16Offset;
    int utf16Length; // 2 for a surrogate pair
};

// Every such character of the text, in text order.
std::vector<Ucs2Character> charactersForcingUcs2(std::string_view utf8Text);

} // namespace textowl
