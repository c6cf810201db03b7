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
        m_tree = std::make_unique<BuddyTree>(m_list, QPixmap());
        m_tree->fill(std::move(root));
    }
    void TearDown() override {
        m_tree.reset();
        WindowTest::TearDown();
    }

    QModelIndex groupLine() { return m_tree->lineOf(m_list.findGroupByName("Friends")); }
    QModelIndex bertLine() { return m_tree->lineOf(m_list.findBuddy("2", "0")); }

    // A shown window, signed in, with the tree attached: pop-ups open only then.
    MainWindow& openSignedIn() {
        MainWindow& w = open();
        attachBuddyTree(router(), host().context(), buddyTreeWindowOf(w), *m_tree);
        WindowState s;
        s.signedIn = true;
        enterState(w, host().session(), s);
        w.show();
        return w;
    }

    BuddyList m_list;
    std::unique_ptr<BuddyTree> m_tree;
};

TEST_F(BuddyTreeWiring, SelectionSetsTheClipboardFlagsOfTheWindow) {
    MainWindow& w = open();
    attachBuddyTree(router(), host().context(), buddyTreeWindowOf(w), *m_tree);
    m_tree->selectLine(bertLine());
    EXPECT_TRUE(w.commandState().cutEnabled);
    EXPECT_TRUE(w.commandState().copyEnabled);
    EXPECT_TRUE(w.commandState().deleteEnabled);
    m_tree->selectLine(groupLine());
    EXPECT_FALSE(w.commandState().cutEnabled);
    EXPECT_FALSE(w.commandState().copyEnabled);
    EXPECT_FALSE(w.commandState().deleteEnabled);
    EXPECT_FALSE(w.mainMenu().action(kCmdCut)->isEnabled());
}

TEST_F(BuddyTreeWiring, ContextRequestOpensThePopupOfTheSelectedLine) {
    MainWindow& w = openSignedIn();
    emit m_tree->contextMenuRequested(LineKind::Group, w.mapToGlobal(QPoint(40, 120)));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->actions().at(1)->data().toInt(), kCmdEditGroup);
    menu->close();
}

TEST_F(BuddyTreeWiring, RightClickAnywhereOnTheWindowOpensThePopupOfTheSelectedLine) {
    MainWindow& w = openSignedIn();
    m_tree->selectLine(groupLine());
    ASSERT_EQ(m_tree->selectedLineKind(), LineKind::Group);
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
    attachBuddyTree(router(), host().context(), buddyTreeWindowOf(w), *m_tree);
    int sends = 0;
    router().setCommandHandler(kCmdSendMessage, [&sends] { ++sends; });
    m_tree->selectLine(bertLine());
    m_tree->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_tree.get()));
    const QRect r = m_tree->visualRect(bertLine());
    QTest::mouseDClick(m_tree->viewport(), Qt::LeftButton, {}, r.center());
    // The tree posts the command and the window posts it on once more.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(sends, 1);
}

TEST_F(BuddyTreeWiring, ShortcutsAtTheTreeFollowTheSelectedLineAndWhatWasCopied) {
    MainWindow& w = open();
    m_tree->setParent(w.surface());
    attachBuddyTree(router(), host().context(), buddyTreeWindowOf(w), *m_tree);
    std::vector<int> ran;
    for (int id : {kCmdDelete, kCmdCopy, kCmdCut, kCmdPaste})
        router().setCommandHandler(id, [&ran, id] { ran.push_back(id); });
    WindowState s;
    s.signedIn = true;
    enterState(w, host().session(), s);
    w.show();
    m_tree->show();
    m_tree->setFocus();
    const auto press = [this](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(m_tree.get(), key, modifiers);
        QCoreApplication::processEvents();
    };

    m_tree->selectLine(groupLine());
    press(Qt::Key_Delete);
    press(Qt::Key_C, Qt::ControlModifier);
    press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(ran.empty()) << "a group is deleted through its menu only, and nothing was copied";

    m_tree->selectLine(bertLine());
    press(Qt::Key_V, Qt::ControlModifier);
    press(Qt::Key_Delete);
    press(Qt::Key_C, Qt::ControlModifier);
    m_tree->setPasteEnabled(true);
    press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(ran, (std::vector<int>{kCmdDelete, kCmdCopy, kCmdPaste}));
}

} // namespace
} // namespace textowl::testing
