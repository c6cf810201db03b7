#include "app/buddy_tree_wiring.h"

#include "app/buddy_commands.h"
#include "app/main_window.h"
#include "buddylist/buddy_tree.h"

namespace textowl {

void attachBuddyTree(MainWindow& window, BuddyTree& tree) {
    tree.setCommandSink([&window](int id) { window.postCommand(id); });
    QObject::connect(
        &tree, &BuddyTree::contextMenuRequested, &window,
        [&window](LineKind kind, QPoint globalPos) { window.showContextMenu(kind, globalPos); });
    QObject::connect(&tree, &BuddyTree::lineDropped, &window,
                     [&window, &tree](QTreeWidgetItem* dragged, QTreeWidgetItem* target) {
                         dropBuddyLine(window, tree, dragged, target);
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
