#include "app/buddy_tree_wiring.h"

#include "app/main_window.h"
#include "buddylist/buddy_tree.h"

namespace textowl {

namespace {

TreeLineKind menuLineKind(LineKind kind) {
    switch (kind) {
    case LineKind::Root:
        return TreeLineKind::Root;
    case LineKind::Group:
        return TreeLineKind::Group;
    case LineKind::Buddy:
        return TreeLineKind::Buddy;
    case LineKind::Phone:
        return TreeLineKind::Phone;
    case LineKind::None:
        break;
    }
    return TreeLineKind::None;
}

} // namespace

void attachBuddyTree(MainWindow& window, BuddyTree& tree) {
    tree.setCommandSink([&window](int id) { window.postCommand(id); });
    QObject::connect(&tree, &BuddyTree::contextMenuRequested, &window,
                     [&window](LineKind kind, QPoint globalPos) {
                         window.showContextMenu(menuLineKind(kind), globalPos);
                     });
    QObject::connect(&tree, &BuddyTree::editFlagsChanged, &window, [&window](EditFlags flags) {
        WindowState state = window.commandState();
        state.cutEnabled = flags.cut;
        state.copyEnabled = flags.copy;
        state.pasteEnabled = flags.paste;
        state.deleteEnabled = flags.remove;
        window.setCommandState(state);
    });
}

} // namespace textowl
