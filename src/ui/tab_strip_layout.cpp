#include "ui/tab_strip_layout.h"

#include <algorithm>
#include <optional>

namespace textowl {

void TabStripLayout::layout(int tabCount, int clientHeight) {
    m_count = std::max(tabCount, 0);
    // A position is there when its threshold, 57 pixels apart from 178, fits above the buttons.
    int fitting = 0;
    while (fitting < m_count && 178 + 57 * fitting <= clientHeight - 51)
        ++fitting;
    m_n = std::max(0, std::min(fitting + 1, m_count - 1));
    m_last = m_n;
}

void TabStripLayout::scrollUp() {
    m_last = std::max(m_last - 1, m_n);
}

void TabStripLayout::scrollDown() {
    m_last = std::max(m_n, std::min(m_last + 1, m_count - 1));
}

std::vector<TabStripLayout::Slot> TabStripLayout::paintOrder(int current) const {
    std::vector<Slot> order;
    std::optional<Slot> raised;
    for (int k = 0; k < m_n; ++k) {
        const Slot slot{m_last - k, webTabRect(m_n - k)};
        if (slot.index == current)
            raised = slot;
        else
            order.push_back(slot);
    }
    order.push_back({0, buddyListTabRect()});
    if (raised)
        order.push_back(*raised);
    return order;
}

int TabStripLayout::tabAt(PixelPoint point, int current) const {
    std::vector<Slot> shown = paintOrder(current);
    std::sort(shown.begin(), shown.end(),
              [](const Slot& a, const Slot& b) { return a.index > b.index; });
    for (const Slot& slot : shown) {
        if (slot.rect.contains(point.x, point.y))
            return slot.index;
    }
    return -1;
}

} // namespace textowl
