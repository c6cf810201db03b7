#include "app/buddy_tree_wiring.h"

#include "app/buddy_commands.h"
#include "app/command_router.h"
#include "buddylist/buddy_tree.h"

#include <QContextMenuEvent>
#include <QWidget>

namespace textowl {

namespace {

// A right click anywhere on the signed-in window, not only inside the tree, opens the pop-up of
// the selected line. Owned by the tree, so it goes when the tree goes at sign-out.
class ContextMenuAnywhere : public QObject {
public:
    ContextMenuAnywhere(std::function<void(LineKind, QPoint)> showMenu, BuddyTree& tree)
        : QObject(&tree), m_showMenu(std::move(showMenu)), m_tree(tree) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ContextMenu)
            return QObject::eventFilter(watched, event);
        const auto* request = static_cast<QContextMenuEvent*>(event);
        m_showMenu(m_tree.selectedLineKind(), request->globalPos());
        return true;
    }

private:
    std::function<void(LineKind, QPoint)> m_showMenu;
    BuddyTree& m_tree;
};

} // namespace

void attachBuddyTree(CommandRouter& router, const SessionContext& context,
                     const BuddyTreeWindow& window, BuddyTree& tree) {
    tree.setCommandSink([&router](int id) { router.postCommand(id); });
    QObject::connect(&tree, &BuddyTree::contextMenuRequested, &router, window.showContextMenu);
    QObject::connect(&tree, &BuddyTree::lineDropped, &router,
                     [&context, &tree](const QModelIndex& dragged, const QModelIndex& target) {
                         dropBuddyLine(context, tree, dragged, target);
                     });
    window.surface.installEventFilter(new ContextMenuAnywhere(window.showContextMenu, tree));
    QObject::connect(&tree, &BuddyTree::editFlagsChanged, &router, window.setEditFlags);
}

} // namespace textowl
