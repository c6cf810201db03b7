#include "service/result_document.h"

#include <cctype>
#include <gtest/gtest.h>

namespace textowl {
namespace {

struct CheckCase {
    const char* label;
    ServiceText result;
    Status expected;
};

class ResultCheck : public ::testing::TestWithParam<CheckCase> {};

TEST_P(ResultCheck, JudgesTheErrAttribute) {
    ResultDocument doc;
    EXPECT_EQ(checkResult(GetParam().result, doc), GetParam().expected) << GetParam().label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResultCheck,
    ::testing::Values(CheckCase{"zero passes", u"<result err=\"0\"/>", S_OK},
                      CheckCase{"any root name", u"<whatever err='0'><x/></whatever>", S_OK},
                      CheckCase{"declaration", u"<?xml version=\"1.0\"?><r err=\"0\"/>", S_OK},
                      CheckCase{"declared encoding is that of the string",
                                u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><r err=\"0\"/>", S_OK},
                      CheckCase{"one", u"<r err=\"1\"/>", E_FAIL},
                      CheckCase{"empty value", u"<r err=\"\"/>", E_FAIL},
                      CheckCase{"double zero", u"<r err=\"00\"/>", E_FAIL},
                      CheckCase{"leading space", u"<r err=\" 0\"/>", E_FAIL},
                      CheckCase{"trailing space", u"<r err=\"0 \"/>", E_FAIL},
                      CheckCase{"missing err", u"<r ok=\"0\"/>", E_FAIL},
                      CheckCase{"err on a child", u"<r><c err=\"0\"/></r>", E_FAIL},
                      CheckCase{"not xml", u"err=0", E_FAIL},
                      CheckCase{"unclosed", u"<r err=\"0\">", E_FAIL},
                      CheckCase{"empty text", u"", E_FAIL},
                      CheckCase{"second root", u"<r err=\"0\"/><s/>", E_FAIL},
                      CheckCase{"text after root", u"<r err=\"0\"/>tail", E_FAIL},
                      CheckCase{"bare ampersand", u"<r err=\"0\">a & b</r>", E_FAIL},
                      CheckCase{"undeclared entity", u"<r err=\"0\">&nbsp;</r>", E_FAIL},
                      CheckCase{"repeated err", u"<r err=\"0\" err=\"1\"/>", E_FAIL},
                      CheckCase{"comment after root", u"<r err=\"0\"/><!-- c -->", S_OK},
                      CheckCase{"null", std::nullopt, E_FAIL}),
    [](const auto& info) {
        std::string name = info.param.label;
        for (char& c : name) {
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

TEST(ResultElement, ReadsTheFirstMatchingChildAsUtf8) {
    ResultDocument doc;
    ASSERT_EQ(checkResult(u"<r err=\"0\"><ticket>T-1</ticket><balance>12 \u00E9</balance>"
                          u"<balance>99</balance></r>",
                          doc),
              S_OK);
    EXPECT_EQ(resultElement(doc, "ticket"), "T-1");
    EXPECT_EQ(resultElement(doc, "balance"), "12 \xC3\xA9");
}

TEST(ResultElement, MissingChildIsReportedAsMissing) {
    ResultDocument doc;
    ASSERT_EQ(checkResult(u"<r err=\"0\"><bid>7</bid><inner><ticket>x</ticket></inner></r>", doc),
              S_OK);
    EXPECT_FALSE(resultElement(doc, "ticket")); // only direct children count
    EXPECT_FALSE(resultElement(doc, "Bid"));
    EXPECT_EQ(resultElement(doc, "bid"), "7");
}

TEST(ResultElement, EmptyElementGivesEmptyText) {
    ResultDocument doc;
    ASSERT_EQ(checkResult(u"<r err=\"0\"><bid/></r>", doc), S_OK);
    EXPECT_EQ(resultElement(doc, "bid"), "");
}

TEST(ResultElement, EscapedDocumentInsideAnElementIsUnescapedOnce) {
    ResultDocument doc;
    ASSERT_EQ(
        checkResult(u"<r err=\"0\"><buddylist>&lt;buddylist&gt;&amp;amp;</buddylist></r>", doc),
        S_OK);
    EXPECT_EQ(resultElement(doc, "buddylist"), "<buddylist>&amp;");
}

TEST(ResultCheck, DeeplyNestedDocumentDoesNotExhaustTheStack) {
    std::u16string text = u"<r err=\"0\">";
    for (int i = 0; i < 100000; ++i) {
        text += u"<a>";
    }
    for (int i = 0; i < 100000; ++i) {
        text += u"</a>";
    }
    text += u"</r>";
    ResultDocument doc;
    EXPECT_EQ(checkResult(text, doc), S_OK);
}

TEST(ResultCheck, CustomEntitiesAreNotExpanded) {
    ResultDocument doc;
    const std::u16string text =
        u"<!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;\">]>"
        u"<r err=\"0\"><t>&b;</t></r>";
    if (checkResult(text, doc) == S_OK) {
        EXPECT_LT(resultElement(doc, "t").value_or("").size(), 10u);
    }
}

} // namespace
} // namespace textowl
