#include "ui/tab_strip_layout.h"

#include <gtest/gtest.h>
#include <vector>

namespace textowl {
namespace {

std::vector<int> shownWebTabs(const TabStripLayout& strip) {
    std::vector<int> shown;
    for (const auto& slot : strip.paintOrder(0)) {
        if (slot.index != 0)
            shown.insert(shown.begin(), slot.index);
    }
    return shown;
}

TEST(TabStripLayout, HeightDecidesHowManyWebTabsShowAndScrollingWalksThroughTheRest) {
    TabStripLayout strip;
    strip.layout(8, 456);
    EXPECT_EQ(strip.visiblePositions(), 5);
    EXPECT_EQ(shownWebTabs(strip), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(strip.scrollButtonsShown());
    EXPECT_FALSE(strip.canScrollUp());
    strip.scrollDown();
    strip.scrollDown();
    EXPECT_EQ(shownWebTabs(strip), (std::vector<int>{3, 4, 5, 6, 7}));
    EXPECT_FALSE(strip.canScrollDown());
    EXPECT_TRUE(strip.canScrollUp());
    strip.scrollDown();
    EXPECT_EQ(strip.lastVisible(), 7);

    // One tab more than fits: after scrolling down there must be a way back up.
    strip.layout(7, 456);
    strip.scrollDown();
    EXPECT_TRUE(strip.canScrollUp());
    strip.layout(7, 456);
    EXPECT_EQ(strip.lastVisible(), 5) << "every layout scrolls back to the start";

    strip.layout(1, 456);
    EXPECT_EQ(strip.visiblePositions(), 0);
    EXPECT_FALSE(strip.scrollButtonsShown());
    EXPECT_EQ(shownWebTabs(strip), std::vector<int>{});
}

TEST(TabStripLayout, ClicksFindTheTabOnScreenWithTheCurrentOneOnTop) {
    TabStripLayout strip;
    strip.layout(8, 456);
    EXPECT_EQ(strip.tabAt({10, 80}, 0), 0);
    // Where tab 0 and web tab 1 overlap, the later tab wins.
    EXPECT_EQ(strip.tabAt({10, 125}, 0), 1);
    EXPECT_EQ(strip.tabAt({10, 71 + 46 * 5 + 10}, 0), 5);
    EXPECT_EQ(strip.tabAt({40, 80}, 0), -1);
    const auto order = strip.paintOrder(3);
    EXPECT_EQ(order.back().index, 3) << "the current tab is painted last";

    // Scrolled down and back up: tabs 6 and 7 are off screen and take no clicks.
    strip.scrollDown();
    strip.scrollDown();
    strip.scrollUp();
    strip.scrollUp();
    EXPECT_EQ(strip.tabAt({10, 71 + 46 * 5 + 10}, 0), 5);
}

} // namespace
} // namespace textowl
