#include "buddylist/tree_rules.h"

#include <algorithm>
#include <numeric>
#include <ostream>

namespace textowl {

const char* lineKindName(LineKind kind) {
    switch (kind) {
    case LineKind::Root:
        return "Root";
    case LineKind::Group:
        return "Group";
    case LineKind::Buddy:
        return "Buddy";
    case LineKind::Phone:
        return "Phone";
    case LineKind::None:
        break;
    }
    return "None";
}

void PrintTo(LineKind kind, std::ostream* os) {
    *os << lineKindName(kind);
}

bool standsForBuddy(LineKind kind) {
    return kind == LineKind::Buddy || kind == LineKind::Phone;
}

EditFlags flagsForSelection(LineKind selected, EditFlags previous) {
    const bool buddy = standsForBuddy(selected);
    return {buddy, buddy, previous.paste, buddy};
}

PopupMenu popupMenuFor(LineKind selected) {
    switch (selected) {
    case LineKind::Group:
        return PopupMenu::Group;
    case LineKind::Buddy:
    case LineKind::Phone:
        return PopupMenu::Buddy;
    case LineKind::Root:
    case LineKind::None:
        break;
    }
    return PopupMenu::Root;
}

LineImages insertedImages(LineKind kind) {
    switch (kind) {
    case LineKind::Root:
        return {TreeImage::ClosedFolder, TreeImage::ClosedFolder};
    case LineKind::Group:
        return {TreeImage::GroupFolder, TreeImage::OpenFolder};
    case LineKind::Phone:
        return {TreeImage::Phone, TreeImage::Phone};
    case LineKind::Buddy:
    case LineKind::None:
        break;
    }
    return {TreeImage::Person, TreeImage::Person};
}

LineImages toggledImages(LineKind kind, bool expanded) {
    TreeImage image = TreeImage::Person;
    if (kind == LineKind::Root)
        image = expanded ? TreeImage::OpenFolder : TreeImage::ClosedFolder;
    else if (kind == LineKind::Group)
        image = expanded ? TreeImage::OpenFolder : TreeImage::GroupFolder;
    return {image, image};
}

std::size_t topLevelInsertIndex(std::span<const TopLevelLine> lines, std::string_view text) {
    return topLevelInsertIndex(
        lines.size(), [&](std::size_t i) { return lines[i]; }, text);
}

std::vector<std::size_t> topLevelFillOrder(std::span<const std::string> texts) {
    std::vector<std::size_t> order(texts.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    // Stable: the rule puts a text after the equal ones already there.
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return byteOrderLess(texts[a], texts[b]);
    });
    return order;
}

} // namespace textowl
