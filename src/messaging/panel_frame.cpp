#include "messaging/panel_frame.h"

namespace textowl {

namespace {

constexpr int kSendTop = 40;
constexpr int kSendBottom = 180;
constexpr int kLogTop = 10;
constexpr int kLogBottom = 206;
constexpr int kBarHeight = 23;
constexpr int kCornerWidth = 6;

} // namespace

int panelBottomBarY(bool logView) {
    return logView ? kLogBottom : kSendBottom;
}

std::vector<FrameBlit> panelFrameBlits(bool logView) {
    const int t = logView ? kLogTop : kSendTop;
    const int b = panelBottomBarY(logView);
    const int edge = logView ? b - 29 : b - 53;
    return {
        {{6, 0, 5, kBarHeight}, {19, t, 221, kBarHeight}},
        {{2, 23, 12, 4}, {13, t + kBarHeight, 230, b - 63}},
        {{6, 27, 5, kBarHeight}, {19, b, 221, kBarHeight}},
        {{0, 23, 1, 4}, {13, t + kBarHeight, 1, edge}},
        {{0, 23, 1, 4}, {242, t + kBarHeight, 1, edge}},
        {{0, 0, kCornerWidth, kBarHeight}, {13, t, kCornerWidth, kBarHeight}, true},
        {{11, 0, kCornerWidth, kBarHeight}, {237, t, kCornerWidth, kBarHeight}, true},
        {{0, 27, kCornerWidth, kBarHeight}, {13, b, kCornerWidth, kBarHeight}, true},
        {{11, 27, kCornerWidth, kBarHeight}, {237, b, kCornerWidth, kBarHeight}, true},
    };
}

std::array<PixelRect, 3> panelFrameLines(int w, int h) {
    return {{{0, 0, w, h}, {1, 1, w - 2, h - 2}, {2, 2, w - 4, h - 4}}};
}

PanelLabelPositions panelLabelPositions() {
    return {{12, 15},
            {20, 45},
            {160, 45},
            {20, kSendBottom + 5},
            {190, kSendBottom + 5},
            {12, kSendBottom + 34}};
}

PixelPoint logTitlePosition(int titleWidth) {
    return {(240 - titleWidth) / 2, 15};
}

} // namespace textowl
