#include "texts/text_format.h"

#include <gtest/gtest.h>

namespace textowl {
namespace {

TEST(TextFormat, FillsStringAndNumberConversionsInOrder) {
    EXPECT_EQ(formatText("%s - %s", {"Textowl", "anna"}), "Textowl - anna");
    EXPECT_EQ(formatText("Credits: %s \u20ac", {"12.50"}), "Credits: 12.50 \u20ac");
    EXPECT_EQ(formatText("%d left", {"7"}), "7 left");
}

TEST(TextFormat, HostileFormatFromStringsFileIsInertText) {
    EXPECT_EQ(formatText("%n%x%p %s", {"ok"}), "%n%x%p ok");
    EXPECT_EQ(formatText("%s %s %s", {"one"}), "one %s %s");
    EXPECT_EQ(formatText("100%% %s", {"sure"}), "100% sure");
    EXPECT_EQ(formatText("trailing %", {}), "trailing %");
}

} // namespace
} // namespace textowl
