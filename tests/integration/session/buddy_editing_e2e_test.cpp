#include "buddylist/buddy_tree.h"
#include "session_fixture.h"
#include "support/qt/session_state.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <algorithm>
#include <csignal>

namespace textowl::testing {
namespace {

// Every line below the root as "text [id@bgid] (phone)". A group's lines are sorted only when
// something is added to it, while a fresh load lists them as stored, so members compare as sets.
QStringList snapshot(const BuddyTree& tree) {
    QStringList lines;
    const QAbstractItemModel& model = *tree.model();
    const auto describe = [&](const QModelIndex& line) {
        const BuddyEntry* entry = tree.entryOf(line);
        QString text = line.data().toString();
        if (entry && entry->isBuddy())
            text +=
                QStringLiteral(" [%1@%2]")
                    .arg(QString::fromStdString(entry->id), QString::fromStdString(entry->groupId));
        // The one line below a buddy without a node of its own is its phone line.
        if (model.rowCount(line) == 1 && !tree.nodeOf(model.index(0, 0, line)))
            text += QStringLiteral(" (%1)").arg(model.index(0, 0, line).data().toString());
        return text;
    };
    const QModelIndex root = tree.rootLine();
    for (int i = 0; i < model.rowCount(root); ++i) {
        const QModelIndex line = model.index(i, 0, root);
        lines.append(describe(line));
        QStringList members;
        const BuddyNode* node = tree.nodeOf(line);
        for (int j = 0; node && node->entry.isGroup() && j < model.rowCount(line); ++j)
            members.append(QStringLiteral("  ") + describe(model.index(j, 0, line)));
        members.sort();
        lines.append(members);
    }
    return lines;
}

class BuddyEditingEndToEnd : public LiveServiceTest {
protected:
    // A command, with the answers of the calls it makes.
    void run(int command) {
        router().runCommand(command);
        ASSERT_TRUE(waitForAnswers(host().session()));
    }
    void drop(BuddyTree& tree, const QModelIndex& dragged, const QModelIndex& target) {
        emit tree.lineDropped(dragged, target);
        ASSERT_TRUE(waitForAnswers(host().session()));
    }
    QModelIndex select(const QString& text, const QString& under = {}) {
        BuddyTree& tree = *host().controller().buddyTree();
        const QModelIndex parent = under.isEmpty() ? tree.rootLine() : group(under);
        for (int i = 0; i < tree.model()->rowCount(parent); ++i) {
            const QModelIndex line = tree.model()->index(i, 0, parent);
            if (line.data().toString() == text) {
                tree.selectLine(line);
                return line;
            }
        }
        ADD_FAILURE() << "no line " << text.toStdString();
        return {};
    }
    QModelIndex group(const QString& name) {
        BuddyTree& tree = *host().controller().buddyTree();
        return tree.lineOf(tree.list().findGroupByName(utf8(name)));
    }
    QStringList membersOf(const QString& name) {
        QStringList texts;
        const QModelIndex line = group(name);
        for (int i = 0; line.isValid() && i < line.model()->rowCount(line); ++i)
            texts.append(line.model()->index(i, 0, line).data().toString());
        return texts;
    }
};

TEST_F(BuddyEditingEndToEnd, EveryEditReachesTheServiceAndTheNextSignInShowsTheSameTree) {
    MainWindow& w = open();
    w.show();
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    BuddyTree* tree = host().controller().buddyTree();
    ASSERT_NE(tree, nullptr);

    m_prompts->groups.push_back(Prompts::GroupForm{{}, QStringLiteral("Club")});
    run(kCmdAddGroup);
    ASSERT_TRUE(group(QStringLiteral("Club")).isValid());
    EXPECT_EQ(tree->selectedLine(), group(QStringLiteral("Club")));

    Prompts::ContactForm gina;
    gina.nickname = QStringLiteral("Gina");
    gina.cellPhone = QStringLiteral("46709999999");
    gina.groupText = QStringLiteral("Club");
    m_prompts->contacts.push_back(gina);
    run(kCmdAddContact);
    EXPECT_EQ(membersOf(QStringLiteral("Club")), QStringList{QStringLiteral("Gina")});

    gina.nickname = QStringLiteral("Gigi");
    gina.cellPhone = QStringLiteral("46709999990");
    gina.birthday = {0, 3, 1};
    m_prompts->contacts.push_back(gina);
    run(kCmdEditContact);
    const QModelIndex gigi = select(QStringLiteral("Gigi"), QStringLiteral("Club"));
    ASSERT_TRUE(gigi.isValid());
    EXPECT_EQ(tree->model()->index(0, 0, gigi).data().toString(), QStringLiteral("46709999990"));
    EXPECT_EQ(tree->entryOf(gigi)->birthday.substr(4), "-04-02");

    run(kCmdCopy);
    tree->selectLine(tree->rootLine());
    run(kCmdPaste);
    EXPECT_EQ(tree->entryOf(tree->selectedLine())->groupId, "0");

    const QModelIndex carl = select(QStringLiteral("Carl"));
    drop(*tree, carl, group(QStringLiteral("Club")));
    EXPECT_EQ(membersOf(QStringLiteral("Club")),
              (QStringList{QStringLiteral("Carl"), QStringLiteral("Gigi")}));

    select(QStringLiteral("Frida"), QStringLiteral("Work"));
    run(kCmdCut);
    tree->selectLine(group(QStringLiteral("Family")));
    run(kCmdPaste);
    EXPECT_TRUE(membersOf(QStringLiteral("Family")).contains(QStringLiteral("Frida")));

    select(QStringLiteral("Bobby"), QStringLiteral("Work"));
    m_prompts->answers.push_back(Prompts::Answer::Yes);
    run(kCmdDelete);
    select(QStringLiteral("Mum"), QStringLiteral("Family"));
    m_prompts->answers.push_back(Prompts::Answer::No);
    run(kCmdDelete);

    EXPECT_TRUE(messages().empty()) << messages().front().text.toStdString();
    const QStringList shown = snapshot(*tree);
    const char* expected[] = {
        "Alice [1@0] (46701234567)",
        "Bobby [2@0] (46702345678)",
        "Gigi [7@0] (46709999990)",
        "Family",
        "  Erik [5@1] (46705678901)",
        "  Frida [6@1] (46706789012)",
        "Work",
        "Club",
        "  Carl [3@3] (46703456789)",
        "  Gigi [7@3] (46709999990)",
    };
    QStringList expectedLines;
    for (const char* line : expected)
        expectedLines.append(QString::fromUtf8(line));
    EXPECT_EQ(shown, expectedLines);

    router().runCommand(kCmdSignInOut);
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    ASSERT_NE(host().controller().buddyTree(), nullptr);
    EXPECT_EQ(snapshot(*host().controller().buddyTree()), shown);
}

TEST_F(BuddyEditingEndToEnd, ACutBuddyNeverPastedIsPutBackWhereItWas) {
    MainWindow& w = open();
    w.show();
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    BuddyTree* tree = host().controller().buddyTree();
    ASSERT_NE(tree, nullptr);

    // Bobby also sits at the top level: a cut from Work that is never pasted stays a removal.
    select(QStringLiteral("Bobby"), QStringLiteral("Work"));
    run(kCmdCut);
    select(QStringLiteral("Alice"));
    run(kCmdCopy);
    EXPECT_EQ(membersOf(QStringLiteral("Work")), QStringList{QStringLiteral("Frida")});
    const QStringList kept = snapshot(*tree);

    // Frida was only in Work: copying Alice replaces the clipboard and Frida goes back.
    select(QStringLiteral("Frida"), QStringLiteral("Work"));
    run(kCmdCut);
    EXPECT_TRUE(membersOf(QStringLiteral("Work")).isEmpty());
    select(QStringLiteral("Alice"));
    run(kCmdCopy);
    EXPECT_EQ(snapshot(*tree), kept);

    // A cut replaced by another cut, and a cut still pending when the session ends.
    select(QStringLiteral("Erik"), QStringLiteral("Family"));
    run(kCmdCut);
    select(QStringLiteral("Carl"));
    run(kCmdCut);
    EXPECT_TRUE(membersOf(QStringLiteral("Family")).contains(QStringLiteral("Erik")));
    router().runCommand(kCmdSignInOut);
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    ASSERT_NE(host().controller().buddyTree(), nullptr);
    EXPECT_EQ(snapshot(*host().controller().buddyTree()), kept);

    // A cut whose answer is still on its way when the session ends.
    select(QStringLiteral("Alice"));
    router().runCommand(kCmdCut);
    ASSERT_TRUE(host().session().callPending());
    host().controller().signOut();
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    ASSERT_NE(host().controller().buddyTree(), nullptr);
    EXPECT_EQ(snapshot(*host().controller().buddyTree()), kept);
    EXPECT_TRUE(messages().empty());
}

TEST_F(BuddyEditingEndToEnd, ARightClickedLineIsTheOneTheMenuDeletes) {
    MainWindow& w = open();
    w.show();
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    BuddyTree& tree = *host().controller().buddyTree();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    const QModelIndex alice = select(QStringLiteral("Alice"));
    const QModelIndex carl = select(QStringLiteral("Carl"));
    tree.selectLine(alice);
    const QPoint pointer = tree.visualRect(carl).center();
    QTest::mousePress(tree.viewport(), Qt::RightButton, {}, pointer);
    QContextMenuEvent click(QContextMenuEvent::Mouse, pointer,
                            tree.viewport()->mapToGlobal(pointer));
    QApplication::sendEvent(tree.viewport(), &click);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> items = menu->actions();
    const auto remove = std::ranges::find_if(
        items, [](const QAction* item) { return item->data().toInt() == kCmdDelete; });
    ASSERT_NE(remove, items.end());
    (*remove)->trigger();
    menu->close();
    ASSERT_TRUE(QTest::qWaitFor(
        [this] { return !m_prompts->askedOf(ScriptedPrompts::Kind::YesNoCancel).empty(); }));
    const QString question = m_prompts->askedOf(ScriptedPrompts::Kind::YesNoCancel).front().text;
    EXPECT_TRUE(question.contains(QStringLiteral("Carl"))) << question.toStdString();
    EXPECT_FALSE(question.contains(QStringLiteral("Alice"))) << question.toStdString();
}

// The service stalls past the client's time-out, then makes the change after all.
TEST_F(BuddyEditingEndToEnd, AChangeMadeAfterItsTimeOutShowsOnceTheServiceAnswers) {
    MainWindow& w = open();
    w.show();
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    const auto addGroupSlow = [this] {
        m_prompts->groups.push_back(Prompts::GroupForm{{}, QStringLiteral("Slow")});
        router().runCommand(kCmdAddGroup);
    };
    m_service->signal(SIGSTOP);
    addGroupSlow();
    const bool timedOut = QTest::qWaitFor([this] { return !messages().empty(); }, 60000);
    m_service->signal(SIGCONT);
    ASSERT_TRUE(timedOut);
    EXPECT_EQ(messages().back().text, localised(host().context().catalogue, Text::NewGroupFailed));
    ASSERT_TRUE(QTest::qWaitFor([this] { return group(QStringLiteral("Slow")).isValid(); }, 60000));
    ASSERT_TRUE(waitForAnswers(host().session()));
    addGroupSlow();
    ASSERT_TRUE(waitForAnswers(host().session()));
    EXPECT_EQ(messages().back().text, localised(host().context().catalogue, Text::GroupExists));
}

} // namespace
} // namespace textowl::testing
