#include "app/buddy_tree_wiring.h"

#include "app/buddy_commands.h"
#include "app/main_window.h"
#include "buddylist/buddy_tree.h"
#include "ui/main_surface.h"

#include <QContextMenuEvent>

namespace textowl {

namespace {

// A right click anywhere on the signed-in window, not only inside the tree, opens the pop-up of
// the selected line. Owned by the tree, so it goes when the tree goes at sign-out.
class ContextMenuAnywhere : public QObject {
public:
    ContextMenuAnywhere(MainWindow& window, BuddyTree& tree)
        : QObject(&tree), m_window(window), m_tree(tree) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ContextMenu)
            return QObject::eventFilter(watched, event);
        const auto* request = static_cast<QContextMenuEvent*>(event);
        m_window.showContextMenu(m_tree.selectedLineKind(), request->globalPos());
        return true;
    }

private:
    MainWindow& m_window;
    BuddyTree& m_tree;
};

} // namespace

void attachBuddyTree(MainWindow& window, BuddyTree& tree) {
    tree.setCommandSink([&window](int id) { window.postCommand(id); });
    QObject::connect(
        &tree, &BuddyTree::contextMenuRequested, &window,
        [&window](LineKind kind, QPoint globalPos) { window.showContextMenu(kind, globalPos); });
    QObject::connect(&tree, &BuddyTree::lineDropped, &window,
                     [&window, &tree](const QModelIndex& dragged, const QModelIndex& target) {
                         dropBuddyLine(window.sessionContext(), tree, dragged, target);
                     });
    window.surface()->installEventFilter(new ContextMenuAnywhere(window, tree));
    QObject::connect(&tree, &BuddyTree::editFlagsChanged, &window,
                     [&window](EditFlags flags) { window.setEditFlags(flags); });
}

} // namespace textowl
