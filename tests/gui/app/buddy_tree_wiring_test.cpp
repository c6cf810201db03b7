#include "app/buddy_tree_wiring.h"
#include "base/command_ids.h"
#include "buddylist/buddy_tree.h"
#include "support/qt/session_state.h"
#include "ui/main_surface.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <vector>

namespace textowl::testing {
namespace {

BuddyEntry buddy(std::string id, std::string nick, std::string groupId) {
    BuddyEntry e;
    e.kind = EntryKind::Buddy;
    e.id = std::move(id);
    e.nickname = std::move(nick);
    e.cellPhone = "+46701234567";
    e.groupId = std::move(groupId);
    return e;
}

class BuddyTreeWiring : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        BuddyEntry root = BuddyEntry::makeRoot();
        BuddyEntry group = BuddyEntry::makeGroup("7", "Friends");
        group.children.push_back(buddy("1", "Anna", "7"));
        root.children.push_back(std::move(group));
        root.children.push_back(buddy("2", "Bert", "0"));
        tree_ = std::make_unique<BuddyTree>(list_, QPixmap());
        tree_->fill(std::move(root));
    }
    void TearDown() override {
        tree_.reset();
        WindowTest::TearDown();
    }

    QModelIndex groupLine() { return tree_->lineOf(list_.findGroupByName("Friends")); }
    QModelIndex bertLine() { return tree_->lineOf(list_.findBuddy("2", "0")); }

    // A shown window, signed in, with the tree attached: pop-ups open only then.
    MainWindow& openSignedIn() {
        MainWindow& w = open();
        attachBuddyTree(router(), host().context(), buddyTreeWindowOf(w), *tree_);
        WindowState s;
        s.signedIn = true;
        enterState(w, host().session(), s);
        w.show();
        return w;
    }

    BuddyList list_;
    std::unique_ptr<BuddyTree> tree_;
};

TEST_F(BuddyTreeWiring, SelectionSetsTheClipboardFlagsOfTheWindow) {
    MainWindow& w = open();
    attachBuddyTree(router(), host().context(), buddyTreeWindowOf(w), *tree_);
    tree_->selectLine(bertLine());
    EXPECT_TRUE(w.commandState().cutEnabled);
    EXPECT_TRUE(w.commandState().copyEnabled);
    EXPECT_TRUE(w.commandState().deleteEnabled);
    tree_->selectLine(groupLine());
    EXPECT_FALSE(w.commandState().cutEnabled);
    EXPECT_FALSE(w.commandState().copyEnabled);
    EXPECT_FALSE(w.commandState().deleteEnabled);
    EXPECT_FALSE(w.mainMenu().action(kCmdCut)->isEnabled());
}

TEST_F(BuddyTreeWiring, ContextRequestOpensThePopupOfTheSelectedLine) {
    MainWindow& w = openSignedIn();
    emit tree_->contextMenuRequested(LineKind::Group, w.mapToGlobal(QPoint(40, 120)));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->actions().at(1)->data().toInt(), kCmdEditGroup);
    menu->close();
}

TEST_F(BuddyTreeWiring, RightClickAnywhereOnTheWindowOpensThePopupOfTheSelectedLine) {
    MainWindow& w = openSignedIn();
    tree_->selectLine(groupLine());
    ASSERT_EQ(tree_->selectedLineKind(), LineKind::Group);
    const QPoint inHeader(150, 30);
    QContextMenuEvent click(QContextMenuEvent::Mouse, inHeader, w.surface()->mapToGlobal(inHeader));
    QApplication::sendEvent(w.surface(), &click);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->actions().at(1)->data().toInt(), kCmdEditGroup);
    menu->close();
}

TEST_F(BuddyTreeWiring, DoubleClickCommandReachesTheWindow) {
    MainWindow& w = open();
    attachBuddyTree(router(), host().context(), buddyTreeWindowOf(w), *tree_);
    int sends = 0;
    router().setCommandHandler(kCmdSendMessage, [&sends] { ++sends; });
    tree_->selectLine(bertLine());
    tree_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(tree_.get()));
    const QRect r = tree_->visualRect(bertLine());
    QTest::mouseDClick(tree_->viewport(), Qt::LeftButton, {}, r.center());
    // The tree posts the command and the window posts it on once more.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(sends, 1);
}

TEST_F(BuddyTreeWiring, ShortcutsAtTheTreeFollowTheSelectedLineAndWhatWasCopied) {
    MainWindow& w = open();
    tree_->setParent(w.surface());
    attachBuddyTree(router(), host().context(), buddyTreeWindowOf(w), *tree_);
    std::vector<int> ran;
    for (int id : {kCmdDelete, kCmdCopy, kCmdCut, kCmdPaste})
        router().setCommandHandler(id, [&ran, id] { ran.push_back(id); });
    WindowState s;
    s.signedIn = true;
    enterState(w, host().session(), s);
    w.show();
    tree_->show();
    tree_->setFocus();
    const auto press = [this](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(tree_.get(), key, modifiers);
        QCoreApplication::processEvents();
    };

    tree_->selectLine(groupLine());
    press(Qt::Key_Delete);
    press(Qt::Key_C, Qt::ControlModifier);
    press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(ran.empty()) << "a group is deleted through its menu only, and nothing was copied";

    tree_->selectLine(bertLine());
    press(Qt::Key_V, Qt::ControlModifier);
    press(Qt::Key_Delete);
    press(Qt::Key_C, Qt::ControlModifier);
    tree_->setPasteEnabled(true);
    press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(ran, (std::vector<int>{kCmdDelete, kCmdCopy, kCmdPaste}));
}

} // namespace
} // namespace textowl::testing
