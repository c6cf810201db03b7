#include "messaging/send_rules.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace textowl {
namespace {

struct CheckCase {
    const char* name;
    std::string to;
    std::string text;
    SendCheck expected;
};

void PrintTo(const CheckCase& c, std::ostream* os) {
    *os << c.name;
}

class SendCheckTable : public ::testing::TestWithParam<CheckCase> {};

TEST_P(SendCheckTable, StopsAtTheFirstRuleThatFails) {
    const std::vector<std::string> groups{"Family", "Work", "2nd floor"};
    EXPECT_EQ(checkSend(GetParam().to, GetParam().text, groups), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    ToAndText, SendCheckTable,
    ::testing::Values(
        CheckCase{"EmptyToWinsOverEmptyText", "", "", SendCheck::NoRecipient},
        CheckCase{"PlusPrefixRefused", "+46701234567", "Hi", SendCheck::BadNumber},
        CheckCase{"LeadingZeroRefused", "0701234567", "Hi", SendCheck::BadNumber},
        CheckCase{"SixDigitsRefused", "467012", "Hi", SendCheck::BadNumber},
        CheckCase{"SevenDigitsPass", "4670123", "Hi", SendCheck::Passed},
        CheckCase{"SeparatorsAndSeveralNumbersPass", "46701234567, 46702345678", "Hi",
                  SendCheck::Passed},
        CheckCase{"GroupNamePasses", "Family", "Hi", SendCheck::Passed},
        CheckCase{"GroupNameInOtherCaseRefused", "family", "Hi", SendCheck::UnknownGroup},
        CheckCase{"UnknownNameRefused", "Friends", "Hi", SendCheck::UnknownGroup},
        CheckCase{"DigitLedGroupNamePassesAsANumber", "2nd floor", "Hi", SendCheck::Passed},
        CheckCase{"SevenCharactersAreCountedNotBytes", "4\xC3\xA9\xC3\xA9\xC3\xA9", "Hi",
                  SendCheck::BadNumber},
        CheckCase{"EmptyTextWithGoodRecipient", "46701234567", "", SendCheck::EmptyText}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SendRules, GroupModeChoosesTheGroupOperationWhateverTheToText) {
    EXPECT_EQ(sendOperation(true), OperationId::apiSendSmsToGroup);
    EXPECT_EQ(sendOperation(false), OperationId::apiSendSms);
}

TEST(SendRules, RemainingCountsCharactersAndGoesNegativeAfterSwitchingToUtf16) {
    EXPECT_EQ(remainingCharacters(0, false), 160);
    EXPECT_EQ(remainingCharacters(100, true), -20);
    // "Grüße 👋": seven characters, eleven bytes.
    EXPECT_EQ(characterCount("Gr\xC3\xBC\xC3\x9F"
                             "e \xF0\x9F\x91\x8B"),
              7);
}

TEST(SendRules, RecipientsAreTheDistinctNumbersOfAllTexts) {
    const std::vector<std::string> to{"46701234567, 46 70-123 4568;\r\n46701234567,,"};
    EXPECT_EQ(distinctNumberCount(to), 2);
    const std::vector<std::string> members{"46701234567", "", "46 70 1234567", "46709999999"};
    EXPECT_EQ(distinctNumberCount(members), 2);
}

} // namespace
} // namespace textowl
