#pragma once

#include "smsparts/sms_parts.h"

#include <ostream>
#include <string>
#include <string_view>

namespace textowl::sms_table {

inline std::string repeat(std::string_view piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

// One text with what it costs: the part count's own tests and the service's charge both run this
// table, so the client's estimate and the charge cannot drift apart unnoticed.
struct SmsPartsCase {
    const char* name;
    std::string text;
    bool forceUcs2;
    SmsEncoding encoding;
    int units;
    int parts;
    int forcingCount; // characters outside the GSM alphabet
    int firstForcing; // UTF-16 offset of the first of them, -1 for none
};

// Names the case in test listings instead of dumping its bytes.
inline void PrintTo(const SmsPartsCase& c, std::ostream* os) {
    *os << c.name;
}

using enum SmsEncoding;

inline const SmsPartsCase kSmsPartsCases[] = {
    {"Empty", "", false, Gsm7, 0, 0, 0, -1},
    {"GsmSingleFull", repeat("a", 160), false, Gsm7, 160, 1, 0, -1},
    {"GsmOneOverSingle", repeat("a", 161), false, Gsm7, 161, 2, 0, -1},
    {"GsmTwoFullParts", repeat("a", 306), false, Gsm7, 306, 2, 0, -1},
    {"GsmThirdPart", repeat("a", 307), false, Gsm7, 307, 3, 0, -1},
    {"GsmAccentsAreSingle", "éèàÄÖÑÜ£¥§", false, Gsm7, 10, 1, 0, -1},
    {"CrLfCountsTwo", "Hej\r\nowl", false, Gsm7, 8, 1, 0, -1},
    {"EuroCountsTwo", repeat("€", 80), false, Gsm7, 160, 1, 0, -1},
    {"BracketsOverflowSingle", repeat("a", 159) + "[", false, Gsm7, 161, 2, 0, -1},
    {"AllExtensionCharacters", "^{}\\[~]|€", false, Gsm7, 18, 1, 0, -1},
    // 152 septets then an escaped character: the pair does not fit in part one's last septet.
    {"EscapePairNotSplit", repeat("a", 152) + "{" + repeat("a", 10), false, Gsm7, 164, 2, 0, -1},
    {"EscapePairAtBoundaryMovesOn", repeat("a", 152) + "{" + repeat("a", 152), false, Gsm7, 306, 3,
     0, -1},
    {"NonGsmSwitchesToUcs2", "Hello ж", false, Ucs2, 7, 1, 1, 6},
    {"CurlyQuoteSwitchesToUcs2", "It’s", false, Ucs2, 4, 1, 1, 2},
    {"EmojiAmongGsm", "Hej då 😀 owl", false, Ucs2, 13, 1, 1, 7},
    {"ForcedUcs2", repeat("a", 70), true, Ucs2, 70, 1, 0, -1},
    {"Ucs2OneOverSingle", repeat("a", 71), true, Ucs2, 71, 2, 0, -1},
    {"Ucs2TwoFullParts", repeat("ж", 134), false, Ucs2, 134, 2, 134, 0},
    {"Ucs2ThirdPart", repeat("ж", 135), false, Ucs2, 135, 3, 135, 0},
    {"EmojiCountsTwo", repeat("😀", 35), false, Ucs2, 70, 1, 35, 0},
    {"Ucs2CrLfCountsTwo", "ж\r\n", false, Ucs2, 3, 1, 1, 0},
    {"SurrogatePairAtBoundaryMovesOn", repeat("ж", 66) + "😀" + repeat("ж", 66), false, Ucs2, 134, 3,
     133, 0},
    {"EuroUnderUcs2CountsOne", repeat("€", 70), true, Ucs2, 70, 1, 0, -1},
    {"InvalidUtf8CountsAsReplacement", std::string("a\xff"), false, Ucs2, 2, 1, 1, 1},
};

} // namespace textowl::sms_table
