#include "server/sms_parts.h"

#include <gtest/gtest.h>
#include <string>

namespace textowl::server {
namespace {

std::string repeat(std::string_view piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

struct PartsCase {
    const char* name;
    std::string text;
    bool forceUcs2;
    SmsEncoding encoding;
    int units;
    int parts;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const PartsCase& c, std::ostream* os) {
    *os << c.name;
}

class SmsParts : public testing::TestWithParam<PartsCase> {};

TEST_P(SmsParts, CountsUnitsAndParts) {
    const PartsCase& c = GetParam();
    const SmsSize size = countSmsParts(c.text, c.forceUcs2);
    EXPECT_EQ(size.encoding, c.encoding);
    EXPECT_EQ(size.units, c.units);
    EXPECT_EQ(size.parts, c.parts);
}

const PartsCase kCases[] = {
    {"Empty", "", false, SmsEncoding::Gsm7, 0, 0},
    {"GsmSingleFull", repeat("a", 160), false, SmsEncoding::Gsm7, 160, 1},
    {"GsmOneOverSingle", repeat("a", 161), false, SmsEncoding::Gsm7, 161, 2},
    {"GsmTwoFullParts", repeat("a", 306), false, SmsEncoding::Gsm7, 306, 2},
    {"GsmThirdPart", repeat("a", 307), false, SmsEncoding::Gsm7, 307, 3},
    {"GsmAccentsAreSingle", "éèàÄÖÑÜ£¥§", false, SmsEncoding::Gsm7, 10, 1},
    {"EuroCountsTwo", repeat("€", 80), false, SmsEncoding::Gsm7, 160, 1},
    {"BracketsOverflowSingle", repeat("a", 159) + "[", false, SmsEncoding::Gsm7, 161, 2},
    {"AllExtensionCharacters", "^{}\\[~]|€", false, SmsEncoding::Gsm7, 18, 1},
    // 152 septets then an escaped character: the pair does not fit in part one's last septet.
    {"EscapePairNotSplit", repeat("a", 152) + "{" + repeat("a", 10), false, SmsEncoding::Gsm7, 164,
     2},
    {"EscapePairAtBoundaryMovesOn", repeat("a", 152) + "{" + repeat("a", 152), false,
     SmsEncoding::Gsm7, 306, 3},
    {"NonGsmSwitchesToUcs2", "Hello ж", false, SmsEncoding::Ucs2, 7, 1},
    {"ForcedUcs2", repeat("a", 70), true, SmsEncoding::Ucs2, 70, 1},
    {"Ucs2OneOverSingle", repeat("a", 71), true, SmsEncoding::Ucs2, 71, 2},
    {"Ucs2TwoFullParts", repeat("ж", 134), false, SmsEncoding::Ucs2, 134, 2},
    {"Ucs2ThirdPart", repeat("ж", 135), false, SmsEncoding::Ucs2, 135, 3},
    {"EmojiCountsTwo", repeat("😀", 35), false, SmsEncoding::Ucs2, 70, 1},
    {"SurrogatePairNotSplit", repeat("ж", 66) + "😀" + "ж", false, SmsEncoding::Ucs2, 69, 1},
    {"SurrogatePairAtBoundaryMovesOn", repeat("ж", 66) + "😀" + repeat("ж", 66), false,
     SmsEncoding::Ucs2, 134, 3},
    {"EuroUnderUcs2CountsOne", repeat("€", 70), true, SmsEncoding::Ucs2, 70, 1},
    {"InvalidUtf8CountsAsReplacement", std::string("a\xff"), false, SmsEncoding::Ucs2, 2, 1},
};

INSTANTIATE_TEST_SUITE_P(Table, SmsParts, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace textowl::server
