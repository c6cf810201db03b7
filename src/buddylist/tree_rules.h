#pragma once

#include "buddylist/buddy_entry.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace textowl {

// What the selected line of the buddy tree is; a phone line stands for its buddy.
enum class LineKind { None, Root, Group, Buddy, Phone };

const char* lineKindName(LineKind kind);
void PrintTo(LineKind kind, std::ostream* os);

// The editing states the menus and shortcuts enable commands by.
struct EditFlags {
    bool cut = false;
    bool copy = false;
    bool paste = false;
    bool remove = false;
    friend bool operator==(const EditFlags&, const EditFlags&) = default;
};

bool standsForBuddy(LineKind kind);
// Only buddies move by dragging (a phone line drags its buddy); groups and the root stay.
inline bool canDragLine(LineKind kind) {
    return standsForBuddy(kind);
}
// The lines a drag highlights as places a buddy can go.
inline bool isDropTarget(LineKind kind) {
    return kind == LineKind::Root || kind == LineKind::Group;
}

// Cut, copy and delete follow the selection; paste is carried over as it was.
EditFlags flagsForSelection(LineKind selected, EditFlags previous);

// The pop-up menu resource offered for the selected line.
enum class PopupMenu : int { Root = 217, Group = 218, Buddy = 214 };
PopupMenu popupMenuFor(LineKind selected);

// Pictures of the tree's image strip, by index.
enum class TreeImage : int {
    ClosedFolder = 0,
    GroupFolder = 1,
    OpenFolder = 2,
    Person = 3,
    Phone = 4
};
inline constexpr int kTreeImageCount = 5;
inline constexpr int kTreeImageSize = 16;

struct LineImages {
    TreeImage normal;
    TreeImage selected;
    friend bool operator==(const LineImages&, const LineImages&) = default;
};

LineImages insertedImages(LineKind kind);
// Expanding or collapsing sets both images of the line to the same picture.
LineImages toggledImages(LineKind kind, bool expanded);

// Byte order of the line texts: case-sensitive, so every upper-case letter sorts before "a".
inline bool byteOrderLess(std::string_view a, std::string_view b) {
    return a < b;
}

// A top-level line as the insertion rule sees it: the kind of its entry and its text.
struct TopLevelLine {
    EntryKind kind = EntryKind::None;
    std::string text;
};

// Where a new top-level buddy line with `text` goes among the root's `count` children
// (lineAt(i) describes child i). Keeps top-level buddies in byte order ahead of the group lines,
// inserting after equal texts; `count` means last. Walks the lines the way the tree always has,
// so a level that fell out of order after an edit still gets the same place as before.
template <class LineAt>
std::size_t topLevelInsertIndex(std::size_t count, LineAt&& lineAt, std::string_view text) {
    if (count == 0)
        return count;
    TopLevelLine previous = lineAt(std::size_t{0});
    if (previous.kind == EntryKind::Group)
        return 0;
    if (previous.kind == EntryKind::None)
        return count;
    if (byteOrderLess(text, previous.text))
        return 0;
    for (std::size_t i = 0; i + 1 < count; ++i) {
        TopLevelLine next = lineAt(i + 1);
        if (!byteOrderLess(text, previous.text) && byteOrderLess(text, next.text))
            return i + 1;
        if (next.kind == EntryKind::Group)
            return i + 1;
        previous = std::move(next);
    }
    return count;
}

std::size_t topLevelInsertIndex(std::span<const TopLevelLine> lines, std::string_view text);

// The order in which a fill places top-level buddy texts: the same result as inserting them one
// by one with the rule above into an empty level, without a scan per line.
std::vector<std::size_t> topLevelFillOrder(std::span<const std::string> texts);

} // namespace textowl
