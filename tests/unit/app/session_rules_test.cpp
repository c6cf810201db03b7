#include "app/session_rules.h"
#include "service/utf.h"

#include <gtest/gtest.h>
#include <ostream>

namespace textowl {
namespace {

ServiceText text(std::string_view s) {
    return utf8ToUtf16(s);
}

struct TicketCase {
    const char* name;
    Status call;
    ServiceText result;
    std::optional<std::string> ticket;
};

void PrintTo(const TicketCase& c, std::ostream* os) {
    *os << c.name;
}

class SignInJudgement : public ::testing::TestWithParam<TicketCase> {};

TEST_P(SignInJudgement, TicketOnlyFromAnAcceptedAnswerWithAValue) {
    EXPECT_EQ(ticketFromSignIn(GetParam().call, GetParam().result), GetParam().ticket);
}

INSTANTIATE_TEST_SUITE_P(
    Session, SignInJudgement,
    ::testing::Values(
        TicketCase{"Accepted", S_OK, text(R"(<r err="0"><ticket>abc</ticket></r>)"), "abc"},
        TicketCase{"AnyDocumentElementName", S_OK, text(R"(<x err="0"><ticket>t</ticket></x>)"),
                   "t"},
        TicketCase{"CallFailed", E_FAIL, text(R"(<r err="0"><ticket>abc</ticket></r>)"),
                   std::nullopt},
        TicketCase{"NullResult", S_OK, std::nullopt, std::nullopt},
        TicketCase{"NotXml", S_OK, text("ticket=abc"), std::nullopt},
        TicketCase{"NoErr", S_OK, text("<r><ticket>abc</ticket></r>"), std::nullopt},
        TicketCase{"ErrNotZero", S_OK, text(R"(<r err="2"><ticket>abc</ticket></r>)"),
                   std::nullopt},
        TicketCase{"ErrZeroWithSpace", S_OK, text(R"(<r err="0 "><ticket>abc</ticket></r>)"),
                   std::nullopt},
        TicketCase{"NoTicketElement", S_OK, text(R"(<r err="0"/>)"), std::nullopt},
        TicketCase{"EmptyTicketElement", S_OK, text(R"(<r err="0"><ticket/></r>)"), std::nullopt},
        TicketCase{"TicketDeeperDown", S_OK,
                   text(R"(<r err="0"><data><ticket>abc</ticket></data></r>)"), std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

struct BalanceCase {
    const char* name;
    Status call;
    ServiceText result;
    std::optional<std::string> balance;
};

void PrintTo(const BalanceCase& c, std::ostream* os) {
    *os << c.name;
}

class BalanceJudgement : public ::testing::TestWithParam<BalanceCase> {};

TEST_P(BalanceJudgement, NewBalanceOrFailure) {
    EXPECT_EQ(balanceFromResult(GetParam().call, GetParam().result), GetParam().balance);
}

INSTANTIATE_TEST_SUITE_P(
    Session, BalanceJudgement,
    ::testing::Values(
        BalanceCase{"Accepted", S_OK, text(R"(<r err="0"><balance>12.50</balance></r>)"), "12.50"},
        BalanceCase{"NoBalanceElementGivesEmpty", S_OK, text(R"(<r err="0"/>)"), ""},
        BalanceCase{"EmptyBalanceElementGivesEmpty", S_OK, text(R"(<r err="0"><balance/></r>)"),
                    ""},
        BalanceCase{"Refused", S_OK, text(R"(<r err="1"><balance>3</balance></r>)"), std::nullopt},
        BalanceCase{"CallFailed", E_FAIL, text(R"(<r err="0"><balance>3</balance></r>)"),
                    std::nullopt},
        BalanceCase{"NullResult", S_OK, std::nullopt, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SessionTexts, BalanceLineWithTheDefaultFormat) {
    EXPECT_EQ(balanceLine("Credits: %s \u20ac", "42"), "Credits: 42 \u20ac");
    EXPECT_EQ(balanceLine("Credits: %s \u20ac", ""), "Credits:  \u20ac");
}

TEST(SessionTexts, EditedBalanceFormatsNeverReachPrintf) {
    // The strings file is the user's: stray conversions show as written.
    EXPECT_EQ(balanceLine("%n%x %s %s", "7"), "%n%x 7 %s");
    EXPECT_EQ(balanceLine("100%% %s", "7"), "100% 7");
    EXPECT_EQ(balanceLine("no conversion", "7"), "no conversion");
    EXPECT_EQ(balanceLine("%", "7"), "%");
}

TEST(SessionTexts, TitleJoinsApplicationAndUserWithoutReadingTheUserAsAFormat) {
    EXPECT_EQ(signedInTitle("Varnel Textowl 2006", "demo"), "Varnel Textowl 2006 - demo");
    EXPECT_EQ(signedInTitle("App", "%s%n"), "App - %s%n");
}

TEST(SessionLoad, SignedInOnlyWhenBothTheListAndTheBalanceArrived) {
    EXPECT_EQ(judgeLoad(S_OK, S_OK), LoadOutcome::SignedIn);
    EXPECT_EQ(judgeLoad(E_FAIL, S_OK), LoadOutcome::Abandon);
    EXPECT_EQ(judgeLoad(S_OK, E_FAIL), LoadOutcome::Abandon);
    EXPECT_EQ(judgeLoad(E_OUTOFMEMORY, E_FAIL), LoadOutcome::Abandon);
}

TEST(SessionLoad, PageAreaLeavesRoomForTheFooterAndTheLinksAboveIt) {
    EXPECT_EQ(pageArea(292, 456, false), (PixelRect{36, 74, 251, 336}));
    EXPECT_EQ(pageArea(292, 456, true), (PixelRect{36, 74, 251, 287}));
    // With a footer the page ends above the link box at h - 94.
    const PixelRect withFooter = pageArea(292, 456, true);
    EXPECT_LT(withFooter.y + withFooter.height, 456 - 94 + 1);
}

} // namespace
} // namespace textowl
