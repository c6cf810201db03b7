#include "ui/tab_strip_layout.h"

#include <algorithm>
#include <optional>

namespace textowl {

void TabStripLayout::layout(int tabCount, int clientHeight) {
    count_ = std::max(tabCount, 0);
    // A position is there when its threshold, 57 pixels apart from 178, fits above the buttons.
    int fitting = 0;
    while (fitting < count_ && 178 + 57 * fitting <= clientHeight - 51)
        ++fitting;
    n_ = std::max(0, std::min(fitting + 1, count_ - 1));
    last_ = n_;
}

void TabStripLayout::scrollUp() {
    last_ = std::max(last_ - 1, n_);
}

void TabStripLayout::scrollDown() {
    last_ = std::max(n_, std::min(last_ + 1, count_ - 1));
}

std::vector<TabStripLayout::Slot> TabStripLayout::paintOrder(int current) const {
    std::vector<Slot> order;
    std::optional<Slot> raised;
    for (int k = 0; k < n_; ++k) {
        const Slot slot{last_ - k, webTabRect(n_ - k)};
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
