#pragma once

#include "buddylist/tree_rules.h"

#include <QPoint>
#include <functional>

class QWidget;

namespace textowl {

class BuddyTree;
class CommandRouter;
class PageHost;
struct SessionContext;

// What the tree needs of the window it is shown in.
struct BuddyTreeWindow {
    // Right clicks anywhere on it open the pop-up of the selected line.
    QWidget& surface;
    std::function<void(LineKind selected, QPoint globalPos)> showContextMenu;
    std::function<void(EditFlags flags)> setEditFlags;
};

// Connects the buddy tree: its double click and its pop-up choices become commands, its
// selection sets the window's clipboard flags, its context requests, like right clicks anywhere on
// the window, open the pop-up of the selected line, and its drops move buddies.
void attachBuddyTree(CommandRouter& router, const SessionContext& context,
                     const BuddyTreeWindow& window, BuddyTree& tree);

} // namespace textowl
