#pragma once

#include "ui/skin_layout.h"

#include <vector>

namespace textowl {

// The column of tabs at the left edge: tab 0 (the buddy list) always at the top, the web tabs
// below it, as many as the client height holds, scrolled by the two buttons at the bottom.
class TabStripLayout {
public:
    // At every window layout: the strip scrolls back to its start.
    void layout(int tabCount, int clientHeight);
    void scrollUp();
    void scrollDown();

    int tabCount() const { return m_count; }
    // Web-tab positions on screen.
    int visiblePositions() const { return m_n; }
    // The highest-numbered web tab on screen.
    int lastVisible() const { return m_last; }
    bool scrollButtonsShown() const { return m_n < m_count - 1; }
    bool canScrollUp() const { return m_last > m_n; }
    bool canScrollDown() const { return m_last < m_count - 1; }

    struct Slot {
        int index;
        PixelRect rect;
        friend bool operator==(const Slot&, const Slot&) = default;
    };
    // The tabs on screen in paint order: the web tabs from the bottom up, then tab 0, then the
    // current web tab again so that it lies on top of its neighbours.
    std::vector<Slot> paintOrder(int current) const;
    // The tab under the point, or -1. Only tabs on screen count: a tab scrolled away must not
    // take a click meant for the one now shown where it used to be.
    int tabAt(PixelPoint point, int current) const;

    static PixelRect buddyListTabRect() { return {2, 71, 32, 59}; }
    static PixelRect webTabRect(int position) { return {2, 71 + 46 * position, 34, 57}; }
    static PixelPoint scrollUpButtonPos(int clientHeight) { return {8, clientHeight - 50}; }
    static PixelPoint scrollDownButtonPos(int clientHeight) { return {8, clientHeight - 30}; }

private:
    int m_count = 0;
    int m_n = 0;
    int m_last = 0;
};

} // namespace textowl
