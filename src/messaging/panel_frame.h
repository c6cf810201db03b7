#pragma once

#include "ui/skin_layout.h"

#include <array>
#include <vector>

namespace textowl {

// One copy out of the skin's 17 by 50 panel frame image.
struct FrameBlit {
    PixelRect source;
    PixelRect destination;
    bool transparent = false; // magenta shows what lies below
};

// The frame of the send view (bars at y 40 and 180) or the log view (y 10 and 206), in paint
// order: the stretched middles and body first, the corners last so they sit on top.
std::vector<FrameBlit> panelFrameBlits(bool logView);

// The top of the bottom bar, below which the send view paints its lower labels.
int panelBottomBarY(bool logView);

// Three nested one-pixel rectangles around a client area of w by h, outermost first.
std::array<PixelRect, 3> panelFrameLines(int w, int h);

// Where the send view's painted labels start (top-left corners).
struct PanelLabelPositions {
    PixelPoint to, charset, remaining, heading, flash, schedule;
};
PanelLabelPositions panelLabelPositions();

// The log view's title, centred on 240 pixels in the top bar.
PixelPoint logTitlePosition(int titleWidth);

} // namespace textowl
