#pragma once

#include <array>
#include <vector>

namespace textowl {

// Pixel rectangle: left, top, width, height.
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool contains(int px, int py) const {
        return px >= x && py >= y && px < x + width && py < y + height;
    }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

struct PixelPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// Every skin bitmap is used at this size; other sizes are scaled to it when loaded.
inline constexpr int kSkinWidth = 150;
inline constexpr int kSkinHeight = 125;

// The pieces cut from the skin bitmap.
enum class SkinPiece {
    HeaderLeft,
    HeaderMiddle,
    HeaderRight,
    BorderLeft,
    BorderRight,
    BorderBottom,
    FrameToggleButton,
    MinimizeButton,
    MaximizeButton,
    CloseButton,
    TabBackground,
    ScrollUpButton,
    ScrollDownButton,
    LinkBullet,
    QuickSendBullet,
    PanelFrame,
};

PixelRect skinRegion(SkinPiece piece);

// Colours are read from single skin pixels.
inline constexpr PixelPoint kBackgroundPixel{50, 20};
std::array<PixelPoint, 3> frameColourPixels();

// One copy of a skin piece, stretched to the destination rectangle.
struct SkinBlit {
    SkinPiece piece;
    PixelRect destination;
};

// The header band and the borders for a client area of width w and height h, in paint order.
std::vector<SkinBlit> chromeBlits(int w, int h);

// The three nested page-area frame rectangles, outermost first, for frame colours 1 to 3.
std::array<PixelRect, 3> pageFrameRects(int w, int h, bool hasTabs);

inline constexpr PixelRect kTitleImageRect{26, 4, 88, 15};
inline constexpr PixelPoint kSignInIconPos{130, 140};
inline constexpr int kSignInIconSize = 32;
inline constexpr PixelRect kSignInButtonRect{80, 180, 65, 23};
inline constexpr PixelRect kRegisterButtonRect{155, 180, 65, 23};
// The forgotten-password link's hot spot before sign-in.
inline constexpr PixelRect kForgotPasswordSpot{100, 220, 108, 12};

// Bands whose vertical middle each one-line text of the signed-out view is centred on: the prompt
// and the signing-in text on y = 121.5, the forgotten-password link on y = 221.5.
PixelRect promptTextBand(int w);
PixelRect forgotPasswordTextBand(int w);

// The signed-in header: the user name (bold) and the balance line, each text's top-left corner.
inline constexpr PixelPoint kUserNamePos{25, 24};
inline constexpr PixelPoint kBalanceLinePos{37, 50};

// The three header links ("Add A Contact", "Add A Group", "Quick Send") for a client height h and
// the measured widths and height of their texts: each spans its bullet, 15 pixels, and its text;
// they are spread over 198 pixels from x 40, at least 15 apart. These are also the hot spots.
std::array<PixelRect, 3> headerLinkRects(int h, const std::array<int, 3>& textWidths,
                                         int textHeight);
// The one-pixel box around the links, in frame colour 2.
PixelRect headerLinkBox(int w, int h);
// Bullets sit at (left, top + 1) of their link; the text 15 pixels right of the link's left.
inline constexpr int kLinkBulletSize = 10;
inline constexpr int kLinkTextIndent = 15;

// A skin file is decoded only when its declared size stays within this many pixels, so that a
// header claiming enormous dimensions cannot exhaust memory; the largest sensible skin is a
// generously upscaled drawing of the 150 by 125 layout.
inline constexpr long long kSkinFilePixelLimit = 4096LL * 4096LL;
bool skinFileSizeAcceptable(int width, int height);

// Without its frame the window shows only its client area, whose two upper corners are cut
// diagonally by this many pixels.
inline constexpr int kFramelessCornerCut = 4;
// The visible outline, in window coordinates, of a client area placed at client.x, client.y.
std::array<PixelPoint, 6> framelessOutline(const PixelRect& client);
// Where the client area lies in a window with a sizing border on each side and, above it, a
// non-client height (caption, menu bar, both borders) in all.
PixelRect clientInWindow(int nonClientHeight, int clientWidth, int clientHeight, int border = 4);

// The frameless window's caption strip (Minimize, Maximize, Close) sits this far from the right
// edge, its buttons 14 pixels apart.
inline constexpr PixelPoint kCaptionStripOffset{50, 6};
inline constexpr int kCaptionButtonSize = 14;
inline constexpr PixelRect kFrameToggleRect{3, 4, 16, 15};

// The main window's three views, from the two session flags.
enum class ViewKind { SignedOut, SigningIn, SignedIn };
ViewKind viewFor(bool signingIn, bool signedIn);

} // namespace textowl
