#include "server/soap/wire_values.h"

#include <gtest/gtest.h>

namespace textowl::server {
namespace {

using Strings = std::vector<std::string>;

TEST(WireValues, IdAcceptsPlainDecimalsOnly) {
    EXPECT_EQ(parseId("0"), 0);
    EXPECT_EQ(parseId("42"), 42);
    for (const char* bad :
         {"", "-1", "+1", "01", " 1", "1 ", "1a", "0x10", "9999999999999999999"}) {
        EXPECT_FALSE(parseId(bad)) << bad;
    }
}

TEST(WireValues, CreditsRoundTripThroughCents) {
    EXPECT_EQ(parseCredits("50"), 5000);
    EXPECT_EQ(parseCredits("12.5"), 1250);
    EXPECT_EQ(parseCredits("12.50"), 1250);
    EXPECT_EQ(parseCredits("0.05"), 5);
    for (const char* bad : {"", "-1", "1.234", "1.", ".5", "1,5", "abc"}) {
        EXPECT_FALSE(parseCredits(bad)) << bad;
    }
    EXPECT_EQ(formatCredits(4700), "47");
    EXPECT_EQ(formatCredits(1250), "12.50");
    EXPECT_EQ(formatCredits(5), "0.05");
    EXPECT_EQ(formatCredits(0), "0");
}

TEST(WireValues, ScheduleAcceptsBothClientFormsAndNormalises) {
    EXPECT_EQ(parseSchedule("2006-3-7 14:05:00"), "2006-03-07 14:05:00");
    EXPECT_EQ(parseSchedule("2006-03-07 14:05:09"), "2006-03-07 14:05:09");
    EXPECT_EQ(parseSchedule("2006-12-31 09:05:00"), "2006-12-31 09:05:00");
    EXPECT_EQ(parseSchedule("2024-2-29 0:00:00"), "2024-02-29 00:00:00");
}

TEST(WireValues, ScheduleRefusesImpossibleOrMalformedDates) {
    for (const char* bad :
         {"", "2006-03-07", "2006-13-01 10:00:00", "2006-02-29 10:00:00", "1900-02-29 10:00:00",
          "2006-04-31 10:00:00", "2006-03-07 24:00:00", "2006-03-07 10:60:00", "06-03-07 10:00:00",
          "2006/03/07 10:00:00", "2006-03-07T10:00:00", "2006-03-07 10:00"}) {
        EXPECT_FALSE(parseSchedule(bad)) << bad;
    }
}

TEST(WireValues, RecipientsSplitOnSeparatorsAndDropPunctuation) {
    EXPECT_EQ(parseRecipients("46700000000"), Strings{"46700000000"});
    EXPECT_EQ(parseRecipients("46700000000, 46711111111;46722222222\n46733333333"),
              (Strings{"46700000000", "46711111111", "46722222222", "46733333333"}));
    EXPECT_EQ(parseRecipients("+46 (70) 000-00.00"), Strings{"46700000000"});
    EXPECT_EQ(parseRecipients("46700000000,46700000000,"), Strings{"46700000000"});
}

TEST(WireValues, RecipientsKeepTheFirstOfEachRepeatInOrderHoweverMany) {
    EXPECT_EQ(parseRecipients("46700000002;46700000001,+46 700 000 002\n46700000001"),
              (Strings{"46700000002", "46700000001"}));
    std::string text;
    Strings expected;
    for (int i = 0; i < 5000; ++i) {
        expected.push_back(std::to_string(46700000000 + i));
        text += expected.back() + "," + std::to_string(46700000000 + i / 2) + ";";
    }
    EXPECT_EQ(parseRecipients(text), expected);
}

TEST(WireValues, RecipientsRefuseLettersShortLongOrNone) {
    for (const char* bad : {"", " , ;", "Family", "123456", "1234567890123456", "4670000000a",
                            "46700000000, 12", "4670+0000000"}) {
        EXPECT_FALSE(parseRecipients(bad)) << bad;
    }
}

} // namespace
} // namespace textowl::server
