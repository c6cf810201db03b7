#include "base/command_ids.h"
#include "buddylist/buddy_tree.h"

#include <QClipboard>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// Readable failures for texts.
void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace textowl {

void PrintTo(const EditFlags& f, std::ostream* os) {
    *os << "{cut=" << f.cut << " copy=" << f.copy << " paste=" << f.paste << " delete=" << f.remove
        << '}';
}

namespace {

constexpr QRgb kMagenta = qRgb(255, 0, 255);

// Five pictures of distinct colours, each with a magenta top-left pixel.
QPixmap testStrip() {
    QImage strip(kTreeImageSize * kTreeImageCount, kTreeImageSize, QImage::Format_RGB32);
    for (int i = 0; i < kTreeImageCount; ++i) {
        QPainter painter(&strip);
        painter.fillRect(i * kTreeImageSize, 0, kTreeImageSize, kTreeImageSize,
                         QColor::fromHsv(i * 60, 255, 200));
        painter.end();
        strip.setPixel(i * kTreeImageSize, 0, kMagenta);
    }
    return QPixmap::fromImage(strip);
}

BuddyEntry buddy(std::string id, std::string nick, std::string phone = "555",
                 std::string first = {}, std::string last = {}) {
    BuddyEntry e;
    e.kind = EntryKind::Buddy;
    e.id = std::move(id);
    e.nickname = std::move(nick);
    e.cellPhone = std::move(phone);
    e.firstName = std::move(first);
    e.lastName = std::move(last);
    return e;
}

BuddyEntry inGroup(BuddyEntry e, const BuddyEntry& group) {
    e.groupId = group.groupId;
    e.groupName = group.groupName;
    return e;
}

std::vector<std::string> texts(const QTreeWidgetItem* parent) {
    std::vector<std::string> out;
    for (int i = 0; i < parent->childCount(); ++i)
        out.push_back(parent->child(i)->text(0).toStdString());
    return out;
}

class BuddyTreeTest : public testing::Test {
protected:
    BuddyTreeTest() : tree(list, testStrip()) { tree.resize(300, 500); }

    // bob, Alice, carl at top level in document order; Work then Family; a nameless buddy.
    void fillSample() {
        BuddyEntry root = BuddyEntry::makeRoot();
        root.children = {buddy("1", "bob"), buddy("2", "Alice", ""), buddy("3", "carl"),
                         buddy("4", "", "9", "", "")};
        BuddyEntry work = BuddyEntry::makeGroup("10", "Work");
        work.children = {inGroup(buddy("3", "carl", "777"), work),
                         inGroup(buddy("5", "", "888", "Ann", "Lee"), work)};
        root.children.push_back(work);
        root.children.push_back(BuddyEntry::makeGroup("11", "Family"));
        tree.fill(std::move(root));
    }

    QTreeWidgetItem* root() const { return tree.rootLine(); }
    QTreeWidgetItem* line(const QString& text) const {
        const auto found = tree.findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    }
    void showTree() {
        tree.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    }
    QPoint centreOf(QTreeWidgetItem* item) const { return tree.visualItemRect(item).center(); }

    BuddyList list;
    BuddyTree tree;
};

TEST_F(BuddyTreeTest, FillShowsBoldRootThenSortedBuddiesThenGroupsInDocumentOrder) {
    fillSample();
    ASSERT_EQ(tree.topLevelItemCount(), 1);
    EXPECT_EQ(root()->text(0), QStringLiteral("My Buddy List"));
    EXPECT_TRUE(root()->font(0).bold());
    EXPECT_TRUE(root()->isExpanded());
    EXPECT_EQ(texts(root()), (std::vector<std::string>{"Alice", "bob", "carl", "Work", "Family"}));
    EXPECT_TRUE(line(QStringLiteral("Work"))->font(0).bold());
    EXPECT_FALSE(line(QStringLiteral("bob"))->font(0).bold());
    // Group members keep document order and the display-name rule; nobody is shown unnamed.
    EXPECT_EQ(texts(line(QStringLiteral("Work"))), (std::vector<std::string>{"carl", "Ann"}));
    EXPECT_EQ(tree.buddyLines("4").size(), 0);
}

TEST_F(BuddyTreeTest, LinesOwnCopiesOfTheirEntries) {
    fillSample();
    const BuddyEntry* rootEntry = tree.ownEntry(root());
    ASSERT_NE(rootEntry, nullptr);
    EXPECT_EQ(*rootEntry, BuddyEntry::makeRoot());
    const BuddyEntry* group = tree.ownEntry(line(QStringLiteral("Work")));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(*group, BuddyEntry::makeGroup("10", "Work"));

    QTreeWidgetItem* carlInWork = tree.findBuddyLine("3", "10");
    QTreeWidgetItem* carlTop = tree.findBuddyLine("3", "0");
    ASSERT_TRUE(carlInWork && carlTop);
    EXPECT_NE(carlInWork, carlTop);
    EXPECT_EQ(tree.ownEntry(carlInWork)->groupName, "Work");
    EXPECT_EQ(tree.ownEntry(carlInWork)->cellPhone, "777");
    EXPECT_EQ(tree.ownEntry(carlTop)->groupId, "0");
    EXPECT_EQ(tree.buddyLines("3").size(), 2);
}

TEST_F(BuddyTreeTest, PhoneLineOnlyForBuddiesWithACellPhoneAndStandsForItsBuddy) {
    fillSample();
    QTreeWidgetItem* bob = line(QStringLiteral("bob"));
    ASSERT_EQ(bob->childCount(), 1);
    QTreeWidgetItem* phone = bob->child(0);
    EXPECT_EQ(phone->text(0), QStringLiteral("555"));
    EXPECT_EQ(tree.lineKind(phone), LineKind::Phone);
    EXPECT_EQ(tree.ownEntry(phone), nullptr);
    EXPECT_EQ(tree.entryOf(phone), tree.ownEntry(bob));
    EXPECT_EQ(tree.lineImages(phone), (LineImages{TreeImage::Phone, TreeImage::Phone}));
    EXPECT_EQ(line(QStringLiteral("Alice"))->childCount(), 0);
}

TEST_F(BuddyTreeTest, TopLevelInsertionKeepsByteOrderAheadOfGroups) {
    tree.fill(BuddyEntry::makeRoot());
    tree.insertLine(BuddyEntry::makeGroup("7", "Friends"), root());
    for (const char* name : {"Bob", "alice", "Carl"})
        ASSERT_NE(tree.insertLine(buddy(name, name), root()), nullptr);
    EXPECT_EQ(texts(root()), (std::vector<std::string>{"Bob", "Carl", "alice", "Friends"}));
    // Sorting after every other buddy still lands before the first group line.
    tree.insertLine(buddy("z", "zed"), root());
    EXPECT_EQ(texts(root()), (std::vector<std::string>{"Bob", "Carl", "alice", "zed", "Friends"}));
}

TEST_F(BuddyTreeTest, SortedGroupIgnoresCaseAndKeepsTheRootUnsorted) {
    tree.fill(BuddyEntry::makeRoot());
    QTreeWidgetItem* group = tree.insertLine(BuddyEntry::makeGroup("7", "Friends"), root());
    for (const char* name : {"Bob", "alice", "Carl"})
        tree.insertLine(buddy(name, name), group);
    EXPECT_EQ(texts(group), (std::vector<std::string>{"Bob", "alice", "Carl"}));
    tree.sortGroup(group);
    EXPECT_EQ(texts(group), (std::vector<std::string>{"alice", "Bob", "Carl"}));
    tree.insertLine(BuddyEntry::makeGroup("8", "Acme"), root());
    tree.sortGroup(root());
    EXPECT_EQ(texts(root()), (std::vector<std::string>{"Friends", "Acme"}));
}

TEST_F(BuddyTreeTest, InsertReturnsNothingForANamelessBuddyOrMissingParent) {
    tree.fill(BuddyEntry::makeRoot());
    EXPECT_EQ(tree.insertLine(buddy("1", "", "555"), root()), nullptr);
    EXPECT_EQ(tree.insertLine(buddy("1", "x"), nullptr), nullptr);
    EXPECT_EQ(root()->childCount(), 0);
}

TEST_F(BuddyTreeTest, InsertedGroupKeepsOnlyItsIdAndName) {
    tree.fill(BuddyEntry::makeRoot());
    BuddyEntry fields = BuddyEntry::makeGroup("9", "Club");
    fields.id = "stray";
    fields.nickname = "stray";
    QTreeWidgetItem* group = tree.insertLine(fields, root());
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(*tree.ownEntry(group), BuddyEntry::makeGroup("9", "Club"));
    EXPECT_EQ(tree.lineImages(group), (LineImages{TreeImage::GroupFolder, TreeImage::OpenFolder}));
    EXPECT_TRUE(group->font(0).bold());
}

TEST_F(BuddyTreeTest, ExpandAndCollapseSwitchPictures) {
    fillSample();
    EXPECT_EQ(tree.lineImages(root()).normal, TreeImage::OpenFolder);
    QTreeWidgetItem* work = line(QStringLiteral("Work"));
    tree.expandItem(work);
    EXPECT_EQ(tree.lineImages(work), (LineImages{TreeImage::OpenFolder, TreeImage::OpenFolder}));
    tree.collapseItem(work);
    EXPECT_EQ(tree.lineImages(work), (LineImages{TreeImage::GroupFolder, TreeImage::GroupFolder}));
    QTreeWidgetItem* bob = line(QStringLiteral("bob"));
    tree.expandItem(bob);
    EXPECT_EQ(tree.lineImages(bob), (LineImages{TreeImage::Person, TreeImage::Person}));
    tree.collapseItem(root());
    EXPECT_EQ(tree.lineImages(root()),
              (LineImages{TreeImage::ClosedFolder, TreeImage::ClosedFolder}));
}

TEST_F(BuddyTreeTest, ImagesAreCutFromTheStripWithMagentaTransparent) {
    for (int i = 0; i < kTreeImageCount; ++i) {
        const QImage image = tree.treeImage(static_cast<TreeImage>(i)).toImage();
        ASSERT_EQ(image.size(), QSize(kTreeImageSize, kTreeImageSize));
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "image " << i;
        EXPECT_EQ(image.pixelColor(8, 8).rgb(), QColor::fromHsv(i * 60, 255, 200).rgb())
            << "image " << i;
    }
}

TEST_F(BuddyTreeTest, MissingStripGivesEmptyPicturesNotACrash) {
    BuddyList bareList;
    BuddyTree bare{bareList, QPixmap()};
    BuddyEntry root = BuddyEntry::makeRoot();
    root.children = {buddy("1", "x")};
    bare.fill(std::move(root));
    EXPECT_TRUE(bare.treeImage(TreeImage::Person).isNull());
    EXPECT_EQ(bare.rootLine()->childCount(), 1);
}

TEST_F(BuddyTreeTest, SelectionDecidesCutCopyDeleteAndKeepsPaste) {
    fillSample();
    EXPECT_EQ(tree.editFlags(), (EditFlags{true, true, false, false}));
    QSignalSpy changed(&tree, &BuddyTree::editFlagsChanged);
    tree.selectLine(root());
    EXPECT_EQ(tree.editFlags(), (EditFlags{false, false, false, false}));
    EXPECT_EQ(changed.count(), 1);
    tree.setPasteEnabled(true);
    tree.selectLine(line(QStringLiteral("bob")));
    EXPECT_EQ(tree.editFlags(), (EditFlags{true, true, true, true}));
    tree.selectLine(line(QStringLiteral("Work")));
    EXPECT_EQ(tree.editFlags(), (EditFlags{false, false, true, false}));
    tree.selectLine(line(QStringLiteral("777")));
    EXPECT_EQ(tree.selectedLineKind(), LineKind::Phone);
    EXPECT_EQ(tree.editFlags(), (EditFlags{true, true, true, true}));
}

TEST_F(BuddyTreeTest, RemovingTheSelectedBuddyClearsItsFlags) {
    fillSample();
    QTreeWidgetItem* carl = tree.findBuddyLine("3", "10");
    tree.selectLine(carl);
    ASSERT_TRUE(tree.editFlags().remove);
    tree.removeLine(carl);
    EXPECT_EQ(tree.findBuddyLine("3", "10"), nullptr);
    EXPECT_NE(tree.findBuddyLine("3", "0"), nullptr);
    EXPECT_EQ(tree.selectedLineKind(), tree.lineKind(tree.selectedLine()));
    EXPECT_EQ(tree.editFlags().remove, standsForBuddy(tree.selectedLineKind()));
}

TEST_F(BuddyTreeTest, LookupsFindGroupsByIdAndExactName) {
    fillSample();
    EXPECT_EQ(tree.findGroupLine("11"), line(QStringLiteral("Family")));
    EXPECT_EQ(tree.findGroupLine("0"), nullptr);
    EXPECT_EQ(tree.findGroupLineByName(QStringLiteral("Family")), line(QStringLiteral("Family")));
    EXPECT_EQ(tree.findGroupLineByName(QStringLiteral("family")), nullptr);
    EXPECT_EQ(tree.groupNames(), (QStringList{QStringLiteral("Work"), QStringLiteral("Family")}));
}

TEST_F(BuddyTreeTest, RefillReplacesEveryLine) {
    fillSample();
    BuddyEntry next = BuddyEntry::makeRoot();
    next.children = {buddy("9", "only")};
    tree.fill(std::move(next));
    EXPECT_EQ(tree.topLevelItemCount(), 1);
    EXPECT_EQ(texts(root()), (std::vector<std::string>{"only"}));
    EXPECT_EQ(tree.findGroupLine("10"), nullptr);
}

TEST_F(BuddyTreeTest, ContextMenuFollowsTheSelectedLineNotThePointer) {
    fillSample();
    showTree();
    QSignalSpy requested(&tree, &BuddyTree::contextMenuRequested);
    QTreeWidgetItem* bob = line(QStringLiteral("bob"));
    QTreeWidgetItem* work = line(QStringLiteral("Work"));
    tree.selectLine(bob);
    const QPoint pointer = centreOf(work);
    const QPoint global = tree.viewport()->mapToGlobal(pointer);
    // What the platform delivers for a right click: the press, then the menu request.
    QTest::mousePress(tree.viewport(), Qt::RightButton, {}, pointer);
    QContextMenuEvent event(QContextMenuEvent::Mouse, pointer, global);
    QApplication::sendEvent(tree.viewport(), &event);
    QTest::mouseRelease(tree.viewport(), Qt::RightButton, {}, pointer);
    ASSERT_EQ(requested.count(), 1);
    EXPECT_EQ(requested.at(0).at(0).value<LineKind>(), LineKind::Buddy);
    EXPECT_EQ(requested.at(0).at(1).toPoint(), global);
    EXPECT_EQ(tree.selectedLine(), bob);
}

TEST_F(BuddyTreeTest, ContextMenuKindForEachSelection) {
    fillSample();
    showTree();
    QSignalSpy requested(&tree, &BuddyTree::contextMenuRequested);
    const auto kindShownFor = [&](QTreeWidgetItem* selected) {
        tree.selectLine(selected);
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                tree.viewport()->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(tree.viewport(), &event);
        return requested.takeLast().at(0).value<LineKind>();
    };
    EXPECT_EQ(kindShownFor(nullptr), LineKind::None);
    EXPECT_EQ(kindShownFor(root()), LineKind::Root);
    EXPECT_EQ(kindShownFor(line(QStringLiteral("Work"))), LineKind::Group);
    EXPECT_EQ(kindShownFor(line(QStringLiteral("carl"))), LineKind::Buddy);
    EXPECT_EQ(kindShownFor(line(QStringLiteral("777"))), LineKind::Phone);
}

TEST_F(BuddyTreeTest, DoubleClickPostsSendMessage) {
    fillSample();
    showTree();
    std::vector<int> commands;
    tree.setCommandSink([&](int id) { commands.push_back(id); });
    QTreeWidgetItem* bob = line(QStringLiteral("bob"));
    QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, centreOf(bob));
    EXPECT_TRUE(commands.empty()) << "posted, not run inside the click";
    QCoreApplication::processEvents();
    EXPECT_EQ(commands, std::vector<int>{kCmdSendMessage});
}

TEST_F(BuddyTreeTest, DoubleClickAfterTheTreeIsGoneRunsNothing) {
    std::vector<int> commands;
    {
        BuddyTree doomed{list, testStrip()};
        BuddyEntry root = BuddyEntry::makeRoot();
        doomed.fill(std::move(root));
        doomed.setCommandSink([&](int id) { commands.push_back(id); });
        doomed.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&doomed));
        QTest::mouseDClick(doomed.viewport(), Qt::LeftButton, {},
                           doomed.visualItemRect(doomed.rootLine()).center());
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(commands.empty());
}

TEST_F(BuddyTreeTest, EditingKeysDoNothingInsideTheTree) {
    fillSample();
    showTree();
    std::vector<int> commands;
    tree.setCommandSink([&](int id) { commands.push_back(id); });
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    tree.selectLine(line(QStringLiteral("bob")));
    tree.setFocus();
    for (const QKeySequence& key :
         {QKeySequence(QKeySequence::Copy), QKeySequence(QKeySequence::Paste),
          QKeySequence(Qt::CTRL | Qt::Key_P), QKeySequence(Qt::Key_Delete),
          QKeySequence(QKeySequence::Cut)})
        QTest::keySequence(&tree, key);
    QCoreApplication::processEvents();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    EXPECT_TRUE(commands.empty());
    EXPECT_EQ(texts(root()), (std::vector<std::string>{"Alice", "bob", "carl", "Work", "Family"}));
    EXPECT_EQ(tree.selectedLine(), line(QStringLiteral("bob")));
}

TEST_F(BuddyTreeTest, UpdatingABuddyChangesEveryPlacementButNotItsPlace) {
    fillSample();
    BuddyEntry values = buddy("ignored", "zz-carl", "123", "Carl", "Smith");
    values.email = "c@example.com";
    values.groupId = "99";
    EXPECT_EQ(tree.updateBuddyLines("3", values), 2);
    for (const char* bgid : {"0", "10"}) {
        QTreeWidgetItem* carl = tree.findBuddyLine("3", bgid);
        ASSERT_NE(carl, nullptr) << bgid;
        EXPECT_EQ(carl->text(0), QStringLiteral("zz-carl"));
        EXPECT_EQ(carl->child(0)->text(0), QStringLiteral("123"));
        const BuddyEntry* entry = tree.ownEntry(carl);
        EXPECT_EQ(entry->email, "c@example.com");
        EXPECT_EQ(entry->groupId, bgid);
        EXPECT_EQ(entry->id, "3");
    }
    EXPECT_EQ(texts(root()),
              (std::vector<std::string>{"Alice", "bob", "zz-carl", "Work", "Family"}));
}

TEST_F(BuddyTreeTest, UpdatingThePhoneAddsOrRemovesThePhoneLine) {
    fillSample();
    QTreeWidgetItem* alice = tree.findBuddyLine("2", "0");
    ASSERT_EQ(alice->childCount(), 0);
    tree.updateBuddyLines("2", buddy("2", "Alice", "+46"));
    ASSERT_EQ(alice->childCount(), 1);
    EXPECT_EQ(tree.lineKind(alice->child(0)), LineKind::Phone);
    EXPECT_EQ(alice->child(0)->text(0), QStringLiteral("+46"));
    tree.updateBuddyLines("2", buddy("2", "", ""));
    EXPECT_EQ(alice->childCount(), 0);
    EXPECT_EQ(alice->text(0), QStringLiteral("Alice")) << "an empty name keeps the old text";
}

TEST_F(BuddyTreeTest, RemovingABuddyEverywhereLeavesOthers) {
    fillSample();
    EXPECT_EQ(tree.removeBuddyLines("3"), 2);
    EXPECT_TRUE(tree.buddyLines("3").isEmpty());
    EXPECT_EQ(texts(root()), (std::vector<std::string>{"Alice", "bob", "Work", "Family"}));
    EXPECT_EQ(texts(line(QStringLiteral("Work"))), (std::vector<std::string>{"Ann"}));
}

} // namespace
} // namespace textowl
