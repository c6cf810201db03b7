#include "smsparts/sms_parts.h"
#include "support/sms_parts_table.h"

#include <gtest/gtest.h>

namespace textowl::sms_table {
namespace {

class SmsParts : public ::testing::TestWithParam<SmsPartsCase> {};

TEST_P(SmsParts, CountsUnitsPartsAndTheCharactersForcingUcs2) {
    const SmsPartsCase& c = GetParam();
    const SmsSize size = countSmsParts(c.text, c.forceUcs2);
    EXPECT_EQ(size.encoding, c.encoding);
    EXPECT_EQ(size.units, c.units);
    EXPECT_EQ(size.parts, c.parts);

    const std::vector<Ucs2Character> forcing = charactersForcingUcs2(c.text);
    EXPECT_EQ(std::ssize(forcing), c.forcingCount);
    EXPECT_EQ(forcing.empty() ? -1 : forcing.front().utf16Offset, c.firstForcing);
    if (!c.forceUcs2) {
        EXPECT_EQ(forcing.empty(), size.encoding == SmsEncoding::Gsm7);
    }
    for (const Ucs2Character& f : forcing) {
        EXPECT_EQ(f.utf16Length, f.codePoint >= 0x10000 ? 2 : 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, SmsParts, ::testing::ValuesIn(kSmsPartsCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace textowl::sms_table
