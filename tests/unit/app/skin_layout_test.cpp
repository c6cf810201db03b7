#include "ui/skin_layout.h"

#include <gtest/gtest.h>

namespace textowl {
namespace {

TEST(SkinLayout, EveryRegionLiesInsideTheSkinBitmap) {
    for (int i = 0; i <= static_cast<int>(SkinPiece::PanelFrame); ++i) {
        const PixelRect r = skinRegion(static_cast<SkinPiece>(i));
        EXPECT_GE(r.x, 0) << i;
        EXPECT_GE(r.y, 0) << i;
        EXPECT_LE(r.x + r.width, kSkinWidth) << i;
        EXPECT_LE(r.y + r.height, kSkinHeight) << i;
    }
    for (PixelPoint p : frameColourPixels())
        EXPECT_TRUE(skinRegion(SkinPiece::TabBackground).contains(p.x, p.y));
}

TEST(SkinLayout, ChromeCoversHeaderCornersAndBordersForTheWindowSize) {
    const auto blits = chromeBlits(292, 456);
    ASSERT_EQ(blits.size(), 6u);
    EXPECT_EQ(blits[0].piece, SkinPiece::HeaderMiddle);
    EXPECT_EQ(blits[0].destination, (PixelRect{0, 0, 292, 70}));
    EXPECT_EQ(blits[2].destination, (PixelRect{291, 70, 1, 456}));
    EXPECT_EQ(blits[3].destination, (PixelRect{0, 455, 292, 456}));
    // The corners go last so the stretched middle never covers them.
    EXPECT_EQ(blits[4].piece, SkinPiece::HeaderLeft);
    EXPECT_EQ(blits[4].destination, (PixelRect{0, 0, 16, 70}));
    EXPECT_EQ(blits[5].destination, (PixelRect{276, 0, 16, 70}));
}

TEST(SkinLayout, PageFrameIsThreeNestedRectanglesToThreePixelsFromTheEdge) {
    const auto frames = pageFrameRects(300, 480, false);
    EXPECT_EQ(frames[0], (PixelRect{2, 71, 296, 407})); // x 2..297, y 71..477 inclusive
    EXPECT_EQ(frames[1], (PixelRect{3, 72, 294, 405}));
    EXPECT_EQ(frames[2], (PixelRect{4, 73, 292, 403}));
    EXPECT_EQ(pageFrameRects(300, 480, true)[0].x, 33);
}

TEST(SkinLayout, SignInTextsAreCentredOnTheirLines) {
    const PixelRect prompt = promptTextBand(300);
    const PixelRect forgot = forgotPasswordTextBand(300);
    EXPECT_EQ(prompt.y * 2 + prompt.height, 243); // centre 121.5
    EXPECT_EQ(forgot.y * 2 + forgot.height, 443); // centre 221.5
    EXPECT_EQ(prompt.width, 300);
}

TEST(SkinLayout, ForgottenPasswordSpotIncludesTopLeftExcludesBottomRight) {
    EXPECT_TRUE(kForgotPasswordSpot.contains(100, 220));
    EXPECT_TRUE(kForgotPasswordSpot.contains(207, 231));
    EXPECT_FALSE(kForgotPasswordSpot.contains(208, 225));
    EXPECT_FALSE(kForgotPasswordSpot.contains(150, 232));
    EXPECT_FALSE(kForgotPasswordSpot.contains(99, 225));
}

TEST(SkinLayout, ViewFollowsTheSessionFlags) {
    EXPECT_EQ(viewFor(false, false), ViewKind::SignedOut);
    EXPECT_EQ(viewFor(true, false), ViewKind::SigningIn);
    EXPECT_EQ(viewFor(false, true), ViewKind::SignedIn);
}

TEST(SkinLayout, HeaderLinksShareTheSpareWidthAsTheirGap) {
    // Widths 60, 55 and 50 leave 33 of 198 pixels: a gap of 16.
    const auto links = headerLinkRects(456, {60, 55, 50}, 13);
    EXPECT_EQ(links[0], (PixelRect{40, 365, 75, 13}));  // x 40 to 115
    EXPECT_EQ(links[1], (PixelRect{131, 365, 70, 13})); // x 131 to 201
    EXPECT_EQ(links[2], (PixelRect{217, 365, 65, 13})); // x 217 to 282
}

TEST(SkinLayout, HeaderLinksKeepFifteenPixelsApartWhenTheTextsAreWide) {
    for (const std::array<int, 3>& widths :
         {std::array<int, 3>{66, 66, 66}, std::array<int, 3>{100, 100, 100}}) {
        const auto links = headerLinkRects(456, widths, 13);
        EXPECT_EQ(links[1].x, links[0].x + links[0].width + 15);
        EXPECT_EQ(links[2].x, links[1].x + links[1].width + 15);
    }
    // 31 spare pixels: the half pixel is dropped.
    const auto odd = headerLinkRects(456, {60, 55, 52}, 13);
    EXPECT_EQ(odd[1].x, 40 + 75 + 15);
}

TEST(SkinLayout, HeaderLinkBoxSitsAboveTheLinksAcrossThePage) {
    EXPECT_EQ(headerLinkBox(292, 456), (PixelRect{34, 362, 255, 20}));
}

TEST(SkinLayout, FramelessOutlineKeepsTheClientAreaWithItsUpperCornersCut) {
    const PixelRect client = clientInWindow(50, 292, 456);
    EXPECT_EQ(client, (PixelRect{4, 46, 292, 456}));
    const std::array<PixelPoint, 6> expected{
        {{4, 50}, {8, 46}, {292, 46}, {296, 50}, {296, 502}, {4, 502}}};
    EXPECT_EQ(framelessOutline(client), expected);
}

TEST(SkinLayout, SkinFileIsDecodedOnlyWhenItsDeclaredSizeIsSensible) {
    struct Case {
        int width, height;
        bool accepted;
    };
    for (const Case c : {Case{150, 125, true}, Case{300, 250, true}, Case{4096, 4096, true},
                         Case{4097, 4096, false}, Case{1, 20'000'000, false}, Case{0, 125, false},
                         Case{150, -125, false}, Case{2'147'483'647, 2'147'483'647, false}})
        EXPECT_EQ(skinFileSizeAcceptable(c.width, c.height), c.accepted)
            << c.width << " by " << c.height;
}

} // namespace
} // namespace textowl
