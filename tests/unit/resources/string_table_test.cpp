#include "app/string_table.h"

#include <climits>
#include <gtest/gtest.h>

namespace textowl {
namespace {

// Every id the program asks the string table for.
constexpr int kNamedIds[] = {129, 130, 131, 132, 133, 134, 136, 137, 138, 139, 141,
                             142, 143, 144, 145, 146, 147, 300, 301, 302, 303, 403,
                             404, 405, 500, 501, 502, 600, 601, 602, 603, 604, 605};

TEST(StringTable, EveryNamedIdHasAnEnglishText) {
    for (int id : kNamedIds) {
        EXPECT_FALSE(stringTableText(id).empty()) << "id " << id;
    }
}

TEST(StringTable, UnknownIdsAndNoDefaultYieldEmptyText) {
    for (int id : {-1, 0, 128, 135, 140, 148, 299, 304, 402, 406, 499, 503, 599, 606, 33000,
                   INT_MIN, INT_MAX}) {
        EXPECT_TRUE(stringTableText(id).empty()) << "id " << id;
    }
}

// The texts shown without strings.xml: the window title, message box captions and the
// formats whose conversions the callers fill.
TEST(StringTable, FallbackNamesAndFormatsReadAsShipped) {
    EXPECT_EQ(stringTableText(137), "Varnel Textowl 2006");
    EXPECT_EQ(stringTableText(129), "Textowl Message");
    EXPECT_EQ(stringTableText(403), "My Buddy List");
    EXPECT_EQ(stringTableText(405), "Delete the %s group?");
    EXPECT_EQ(stringTableText(133),
              "Unable to login at this time.  Please try your request again later...");
    EXPECT_EQ(stringTableText(601), "Please use the following number format: &lt;country "
                                    "code&gt;&lt;cell phone number&gt;.  Example: 46700000000");
}

TEST(StringTable, FormatsCarryExactlyOneTextConversion) {
    for (int id : {404, 405}) {
        const auto text = stringTableText(id);
        const auto first = text.find('%');
        ASSERT_NE(first, std::string_view::npos) << "id " << id;
        EXPECT_EQ(text.substr(first, 2), "%s") << "id " << id;
        EXPECT_EQ(text.find('%', first + 1), std::string_view::npos) << "id " << id;
    }
}

} // namespace
} // namespace textowl
