#include "messaging/message_log.h"

#include <gtest/gtest.h>

namespace textowl {
namespace {

constexpr CivilTime kSentAt{2006, 3, 7, 14, 5, 9};

TEST(MessageLog, EntriesReadAsTheUserSeesThemWithAnEmptyLineAfterEach) {
    struct Case {
        LogEntryFields fields;
        const char* expected;
    } cases[] = {
        {{kSentAt, "4670123", "Hello", "Status:", "Success"},
         "03/07/06 14:05:09, 4670123\r\nHello\r\nStatus: Success\r\n\r\n"},
        {{kSentAt, "Family", "Two\nlines", "Status:", "Failed"},
         "03/07/06 14:05:09, Family\r\nTwo\nlines\r\nStatus: Failed\r\n\r\n"},
        {{{2000, 12, 31, 23, 59, 58}, "4670123", "Hej", "Status", "Lyckades"},
         "12/31/00 23:59:58, 4670123\r\nHej\r\nStatus: Lyckades\r\n\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(logEntry(c.fields), c.expected);
}

} // namespace
} // namespace textowl
