#include "ui/skin_layout.h"

namespace textowl {

namespace {

constexpr std::array<PixelRect, 16> kRegions{{
    {0, 0, 16, 70},   // header left corner
    {17, 0, 43, 70},  // header middle
    {59, 0, 16, 70},  // header right corner
    {0, 70, 1, 10},   // left border
    {74, 70, 1, 10},  // right border
    {0, 79, 75, 1},   // bottom border
    {75, 0, 48, 16},  // frame toggle: 3 of 16x15
    {75, 15, 48, 14}, // minimize: 3 of 14x14
    {75, 29, 56, 14}, // maximize: 4 of 14x14
    {75, 43, 56, 14}, // close: 4 of 14x14
    {75, 57, 68, 57}, // tab backgrounds: 2 of 34x57
    {0, 80, 68, 17},  // scroll up: 4 of 17x17
    {0, 97, 68, 17},  // scroll down: 4 of 17x17
    {123, 0, 10, 10}, // link bullet
    {0, 115, 10, 10}, // quick-send bullet
    {133, 0, 17, 50}, // send panel frame
}};

constexpr int kHeaderHeight = 70;
constexpr int kCornerWidth = 16;

} // namespace

PixelRect skinRegion(SkinPiece piece) {
    return kRegions[static_cast<std::size_t>(piece)];
}

std::array<PixelPoint, 3> frameColourPixels() {
    return {{{83, 57}, {83, 58}, {83, 59}}};
}

std::vector<SkinBlit> chromeBlits(int w, int h) {
    return {
        {SkinPiece::HeaderMiddle, {0, 0, w, kHeaderHeight}},
        {SkinPiece::BorderLeft, {0, kHeaderHeight, 1, h}},
        {SkinPiece::BorderRight, {w - 1, kHeaderHeight, 1, h}},
        // Stretched from the last row down; only the client's last row stays visible.
        {SkinPiece::BorderBottom, {0, h - 1, w, h}},
        {SkinPiece::HeaderLeft, {0, 0, kCornerWidth, kHeaderHeight}},
        {SkinPiece::HeaderRight, {w - kCornerWidth, 0, kCornerWidth, kHeaderHeight}},
    };
}

std::array<PixelRect, 3> pageFrameRects(int w, int h, bool hasTabs) {
    const int left = hasTabs ? 33 : 2;
    const int top = 71;
    // The outer frame covers left..w-3 and top..h-3 inclusive; each next one is a pixel inside.
    std::array<PixelRect, 3> rects{};
    for (int i = 0; i < 3; ++i)
        rects[i] = {left + i, top + i, (w - 3) - left + 1 - 2 * i, (h - 3) - top + 1 - 2 * i};
    return rects;
}

PixelRect promptTextBand(int w) {
    return {0, 23, w, 220 - 23};
}
PixelRect forgotPasswordTextBand(int w) {
    return {0, 23, w, 420 - 23};
}

std::array<PixelRect, 3> headerLinkRects(int h, const std::array<int, 3>& textWidths,
                                         int textHeight) {
    const int total = textWidths[0] + textWidths[1] + textWidths[2];
    int gap = (198 - total) / 2;
    if (gap <= 0)
        gap = 15;
    std::array<PixelRect, 3> rects{};
    int left = 40;
    for (std::size_t i = 0; i < rects.size(); ++i) {
        rects[i] = {left, h - 91, textWidths[i] + kLinkTextIndent, textHeight};
        left += rects[i].width + gap;
    }
    return rects;
}

PixelRect headerLinkBox(int w, int h) {
    return {34, h - 94, w - 37, 20};
}

bool skinFileSizeAcceptable(int width, int height) {
    if (width <= 0 || height <= 0)
        return false;
    return static_cast<long long>(width) * height <= kSkinFilePixelLimit;
}

std::array<PixelPoint, 6> framelessOutline(const PixelRect& client) {
    const int left = client.x;
    const int top = client.y;
    const int right = client.x + client.width;
    const int bottom = client.y + client.height;
    const int cut = kFramelessCornerCut;
    return {{{left, top + cut},
             {left + cut, top},
             {right - cut, top},
             {right, top + cut},
             {right, bottom},
             {left, bottom}}};
}

PixelRect clientInWindow(int nonClientHeight, int clientWidth, int clientHeight, int border) {
    return {border, nonClientHeight - border, clientWidth, clientHeight};
}

ViewKind viewFor(bool signingIn, bool signedIn) {
    if (signedIn)
        return ViewKind::SignedIn;
    return signingIn ? ViewKind::SigningIn : ViewKind::SignedOut;
}

} // namespace textowl
