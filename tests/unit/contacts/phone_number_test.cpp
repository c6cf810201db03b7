#include "contacts/phone_number.h"
#include "messaging/send_rules.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>

namespace textowl {
namespace {

struct NumberCase {
    const char* text;
    const char* region;
    const char* digits; // expected service form; "" when refused
    NumberProblem problem;
};

void PrintTo(const NumberCase& c, std::ostream* os) {
    *os << '"' << c.text << "\" in \"" << c.region << '"';
}

// How the contact dialog and the import read a number, as typed, into what the list stores.
class NumberTable : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberTable, WritesTheInternationalNumberWithoutPlus) {
    const NumberCase& c = GetParam();
    const ServiceNumber number = serviceNumber(c.text, c.region);
    EXPECT_EQ(number.problem, c.problem) << numberProblemName(number.problem);
    EXPECT_EQ(number.digits, c.digits);
    if (number.ok()) {
        EXPECT_EQ(checkRecipient(number.digits, {}), SendCheck::Passed);
    }
}

INSTANTIATE_TEST_SUITE_P(
    NumbersAndRegions, NumberTable,
    ::testing::Values(NumberCase{"0170 1234567", "DE", "491701234567", NumberProblem::None},
                      NumberCase{"+49 (0)170 123-4567", "US", "491701234567", NumberProblem::None},
                      NumberCase{"(415) 555-0132", "US", "14155550132", NumberProblem::None},
                      NumberCase{"00 44 7400 123456", "DE", "447400123456", NumberProblem::None},
                      NumberCase{"011 44 7400 123456", "US", "447400123456", NumberProblem::None},
                      NumberCase{"070-123 45 67", "SE", "46701234567", NumberProblem::None},
                      NumberCase{"+46-70-123-45-67", "", "46701234567", NumberProblem::None},
                      NumberCase{"+46 70 999 00 00", "", "46709990000", NumberProblem::None},
                      // Already in the service's form: not a national number of the region.
                      NumberCase{"491701234567", "DE", "491701234567", NumberProblem::None},
                      NumberCase{"46709990000", "US", "46709990000", NumberProblem::None},
                      NumberCase{"46709990000", "", "46709990000", NumberProblem::None},
                      NumberCase{"+1 800 FLOWERS", "DE", "18003569377", NumberProblem::None},
                      NumberCase{"0701234567", "", "", NumberProblem::NoCountryCode},
                      NumberCase{"0701234567", "ZZ", "", NumberProblem::NoCountryCode},
                      NumberCase{"+999 1234567", "DE", "", NumberProblem::InvalidCountryCode},
                      NumberCase{"12", "DE", "", NumberProblem::TooShort},
                      NumberCase{"+49 1234 5678 9012 3456 78", "DE", "", NumberProblem::TooLong},
                      NumberCase{"n/a", "DE", "", NumberProblem::NotANumber},
                      NumberCase{"Anna", "SE", "", NumberProblem::NotANumber},
                      // The right length, but given to no one: read against the wrong region,
                      // or kept for fiction.
                      NumberCase{"(555) 010-0123", "SE", "", NumberProblem::NotInUse},
                      NumberCase{"+44 7700 900461", "SE", "", NumberProblem::NotInUse},
                      NumberCase{"(212) 555-0147", "SE", "", NumberProblem::NotInUse},
                      // Fixed lines take no texts; one that may be a mobile is kept.
                      NumberCase{"08-123 456 78", "SE", "", NumberProblem::Landline},
                      NumberCase{"031-123 45 67", "SE", "", NumberProblem::Landline},
                      NumberCase{"+44 20 7946 0958", "DE", "", NumberProblem::Landline},
                      NumberCase{"  ", "DE", "", NumberProblem::Missing},
                      NumberCase{"", "SE", "", NumberProblem::Missing}));

TEST(NumberRegion, ComesFromTheLocaleTerritory) {
    const struct {
        const char* locale;
        const char* region;
    } cases[] = {{"de_AT.UTF-8@euro", "AT"},
                 {"en_US", "US"},
                 {"pt_br.utf8", "BR"},
                 {"sv_SE@euro", "SE"},
                 {"C.UTF-8", ""},
                 {"POSIX", ""},
                 {"de", ""},
                 {"", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(regionFromLocaleName(c.locale), c.region) << c.locale;
    EXPECT_EQ(callingCode("DE"), 49);
}

} // namespace
} // namespace textowl
