#include "base/command_ids.h"
#include "buddylist/buddy_tree.h"

#include <QClipboard>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <utility>
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

void PrintTo(const LineImages& images, std::ostream* os) {
    *os << "{normal=" << static_cast<int>(images.normal)
        << " selected=" << static_cast<int>(images.selected) << '}';
}

namespace {

constexpr QRgb kMagenta = qRgb(255, 0, 255);

QRgb stripColour(int image) {
    return QColor::fromHsv(image * 60, 255, 200).rgb();
}

// Five pictures of distinct colours, each with a magenta top-left pixel.
QPixmap testStrip() {
    QImage strip(kTreeImageSize * kTreeImageCount, kTreeImageSize, QImage::Format_RGB32);
    for (int i = 0; i < kTreeImageCount; ++i) {
        QPainter painter(&strip);
        painter.fillRect(i * kTreeImageSize, 0, kTreeImageSize, kTreeImageSize, stripColour(i));
        painter.end();
        strip.setPixel(i * kTreeImageSize, 0, kMagenta);
    }
    return QPixmap::fromImage(strip);
}

QImage shownPicture(const QTreeWidgetItem* line, QIcon::Mode mode = QIcon::Normal) {
    return line->icon(0).pixmap(kTreeImageSize, mode).toImage();
}

// The strip pictures a line shows unselected and selected, told apart by their colour.
LineImages shownImages(const QTreeWidgetItem* line) {
    const auto which = [line](QIcon::Mode mode) {
        const QRgb colour = shownPicture(line, mode).pixel(kTreeImageSize / 2, kTreeImageSize / 2);
        for (int i = 0; i < kTreeImageCount; ++i) {
            if (colour == stripColour(i))
                return static_cast<TreeImage>(i);
        }
        ADD_FAILURE() << line->text(0).toStdString() << " shows no picture of the strip";
        return static_cast<TreeImage>(-1);
    };
    return {which(QIcon::Normal), which(QIcon::Selected)};
}

// What a line stands for as the list sees it: a line without a node of its own is a phone line.
LineKind kindOf(const BuddyTree& tree, const QTreeWidgetItem* line) {
    if (const BuddyNode* node = tree.nodeOf(line)) {
        if (node->entry.isRoot())
            return LineKind::Root;
        return node->entry.isGroup() ? LineKind::Group : LineKind::Buddy;
    }
    return tree.nodeFor(line) ? LineKind::Phone : LineKind::None;
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
    BuddyTreeTest() : tree(list, testStrip()) {
        tree.resize(300, 500);
        QObject::connect(&tree, &BuddyTree::editFlagsChanged,
                         [this](EditFlags announced) { flags = announced; });
    }

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

    // Changes go through the list; these give the lines the tree shows for them.
    QTreeWidgetItem* insert(const BuddyEntry& fields, QTreeWidgetItem* parent) {
        return tree.lineOf(list.insert(fields, *tree.nodeOf(parent)));
    }
    QTreeWidgetItem* buddyLine(std::string_view bid, std::string_view bgid) {
        return tree.lineOf(list.findBuddy(bid, bgid));
    }
    QTreeWidgetItem* groupLine(std::string_view bgid) { return tree.lineOf(list.findGroup(bgid)); }
    std::vector<QTreeWidgetItem*> linesOf(std::string_view bid) {
        std::vector<QTreeWidgetItem*> lines;
        for (const BuddyNode* node : list.placements(bid))
            lines.push_back(tree.lineOf(node));
        return lines;
    }
    const BuddyEntry& entry(const QTreeWidgetItem* line) const { return tree.nodeOf(line)->entry; }

    BuddyList list;
    BuddyTree tree;
    EditFlags flags; // as last announced to the menus
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
    EXPECT_TRUE(linesOf("4").empty());
}

TEST_F(BuddyTreeTest, EveryLineShowsItsOwnNodeOfTheList) {
    fillSample();
    ASSERT_EQ(tree.nodeOf(root()), &list.root());
    EXPECT_EQ(entry(root()), BuddyEntry::makeRoot());
    const BuddyNode* group = tree.nodeOf(line(QStringLiteral("Work")));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->entry, BuddyEntry::makeGroup("10", "Work"));

    QTreeWidgetItem* carlInWork = buddyLine("3", "10");
    QTreeWidgetItem* carlTop = buddyLine("3", "0");
    ASSERT_TRUE(carlInWork && carlTop);
    EXPECT_NE(carlInWork, carlTop);
    EXPECT_EQ(entry(carlInWork).groupName, "Work");
    EXPECT_EQ(entry(carlInWork).cellPhone, "777");
    EXPECT_EQ(entry(carlTop).groupId, "0");
    EXPECT_EQ(linesOf("3").size(), 2);
}

TEST_F(BuddyTreeTest, PhoneLineOnlyForBuddiesWithACellPhoneAndStandsForItsBuddy) {
    fillSample();
    QTreeWidgetItem* bob = line(QStringLiteral("bob"));
    ASSERT_EQ(bob->childCount(), 1);
    QTreeWidgetItem* phone = bob->child(0);
    EXPECT_EQ(phone->text(0), QStringLiteral("555"));
    EXPECT_EQ(tree.nodeOf(phone), nullptr);
    EXPECT_EQ(tree.entryOf(phone), &entry(bob));
    EXPECT_EQ(shownImages(phone), (LineImages{TreeImage::Phone, TreeImage::Phone}));
    EXPECT_EQ(line(QStringLiteral("Alice"))->childCount(), 0);
    tree.selectLine(phone);
    EXPECT_EQ(tree.selectedLineKind(), LineKind::Phone);
}

TEST_F(BuddyTreeTest, TopLevelInsertionKeepsByteOrderAheadOfGroups) {
    tree.fill(BuddyEntry::makeRoot());
    insert(BuddyEntry::makeGroup("7", "Friends"), root());
    for (const char* name : {"Bob", "alice", "Carl"})
        ASSERT_NE(insert(buddy(name, name), root()), nullptr);
    EXPECT_EQ(texts(root()), (std::vector<std::string>{"Bob", "Carl", "alice", "Friends"}));
    // Sorting after every other buddy still lands before the first group line.
    insert(buddy("z", "zed"), root());
    EXPECT_EQ(texts(root()), (std::vector<std::string>{"Bob", "Carl", "alice", "zed", "Friends"}));
}

TEST_F(BuddyTreeTest, SortedGroupIgnoresCaseAndKeepsTheRootUnsorted) {
    tree.fill(BuddyEntry::makeRoot());
    QTreeWidgetItem* group = insert(BuddyEntry::makeGroup("7", "Friends"), root());
    for (const char* name : {"Bob", "alice", "Carl"})
        insert(buddy(name, name), group);
    EXPECT_EQ(texts(group), (std::vector<std::string>{"Bob", "alice", "Carl"}));
    tree.sortGroup(group);
    EXPECT_EQ(texts(group), (std::vector<std::string>{"alice", "Bob", "Carl"}));
    insert(BuddyEntry::makeGroup("8", "Acme"), root());
    tree.sortGroup(root());
    EXPECT_EQ(texts(root()), (std::vector<std::string>{"Friends", "Acme"}));
}

TEST_F(BuddyTreeTest, ANamelessBuddyGetsNoLine) {
    tree.fill(BuddyEntry::makeRoot());
    EXPECT_EQ(insert(buddy("1", "", "555"), root()), nullptr);
    EXPECT_EQ(root()->childCount(), 0);
}

TEST_F(BuddyTreeTest, InsertedGroupKeepsOnlyItsIdAndName) {
    tree.fill(BuddyEntry::makeRoot());
    BuddyEntry fields = BuddyEntry::makeGroup("9", "Club");
    fields.id = "stray";
    fields.nickname = "stray";
    QTreeWidgetItem* group = insert(fields, root());
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(entry(group), BuddyEntry::makeGroup("9", "Club"));
    EXPECT_EQ(shownImages(group), (LineImages{TreeImage::GroupFolder, TreeImage::OpenFolder}));
    EXPECT_TRUE(group->font(0).bold());
}

TEST_F(BuddyTreeTest, ExpandAndCollapseSwitchPictures) {
    fillSample();
    EXPECT_EQ(shownImages(root()).normal, TreeImage::OpenFolder);
    QTreeWidgetItem* work = line(QStringLiteral("Work"));
    tree.expandItem(work);
    EXPECT_EQ(shownImages(work), (LineImages{TreeImage::OpenFolder, TreeImage::OpenFolder}));
    tree.collapseItem(work);
    EXPECT_EQ(shownImages(work), (LineImages{TreeImage::GroupFolder, TreeImage::GroupFolder}));
    QTreeWidgetItem* bob = line(QStringLiteral("bob"));
    tree.expandItem(bob);
    EXPECT_EQ(shownImages(bob), (LineImages{TreeImage::Person, TreeImage::Person}));
    tree.collapseItem(root());
    EXPECT_EQ(shownImages(root()), (LineImages{TreeImage::ClosedFolder, TreeImage::ClosedFolder}));
}

TEST_F(BuddyTreeTest, ImagesAreCutFromTheStripWithMagentaTransparent) {
    fillSample();
    tree.collapseItem(root());
    QTreeWidgetItem* work = line(QStringLiteral("Work"));
    QTreeWidgetItem* bob = line(QStringLiteral("bob"));
    // Every picture of the strip, as some line shows it.
    const std::pair<QImage, TreeImage> shown[] = {
        {shownPicture(root()), TreeImage::ClosedFolder},
        {shownPicture(work), TreeImage::GroupFolder},
        {shownPicture(work, QIcon::Selected), TreeImage::OpenFolder},
        {shownPicture(bob), TreeImage::Person},
        {shownPicture(bob->child(0)), TreeImage::Phone}};
    for (const auto& [image, which] : shown) {
        const int i = static_cast<int>(which);
        ASSERT_EQ(image.size(), QSize(kTreeImageSize, kTreeImageSize)) << "image " << i;
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "image " << i;
        EXPECT_EQ(image.pixelColor(8, 8).rgb(), stripColour(i)) << "image " << i;
    }
}

TEST_F(BuddyTreeTest, MissingStripGivesEmptyPicturesNotACrash) {
    BuddyList bareList;
    BuddyTree bare{bareList, QPixmap()};
    BuddyEntry root = BuddyEntry::makeRoot();
    root.children = {buddy("1", "x")};
    bare.fill(std::move(root));
    ASSERT_EQ(bare.rootLine()->childCount(), 1);
    EXPECT_TRUE(bare.rootLine()->child(0)->icon(0).isNull());
}

TEST_F(BuddyTreeTest, SelectionDecidesCutCopyDeleteAndKeepsPaste) {
    fillSample();
    EXPECT_EQ(flags, (EditFlags{true, true, false, false}));
    QSignalSpy changed(&tree, &BuddyTree::editFlagsChanged);
    tree.selectLine(root());
    EXPECT_EQ(flags, (EditFlags{false, false, false, false}));
    EXPECT_EQ(changed.count(), 1);
    tree.setPasteEnabled(true);
    tree.selectLine(line(QStringLiteral("bob")));
    EXPECT_EQ(flags, (EditFlags{true, true, true, true}));
    tree.selectLine(line(QStringLiteral("Work")));
    EXPECT_EQ(flags, (EditFlags{false, false, true, false}));
    tree.selectLine(line(QStringLiteral("777")));
    EXPECT_EQ(tree.selectedLineKind(), LineKind::Phone);
    EXPECT_EQ(flags, (EditFlags{true, true, true, true}));
}

TEST_F(BuddyTreeTest, RemovingTheSelectedBuddyClearsItsFlags) {
    fillSample();
    QTreeWidgetItem* carl = buddyLine("3", "10");
    tree.selectLine(carl);
    ASSERT_TRUE(flags.remove);
    list.remove(*tree.nodeOf(carl));
    EXPECT_EQ(texts(line(QStringLiteral("Work"))), (std::vector<std::string>{"Ann"}));
    EXPECT_NE(buddyLine("3", "0"), nullptr);
    EXPECT_EQ(tree.selectedLineKind(), kindOf(tree, tree.selectedLine()));
    EXPECT_EQ(flags.remove, standsForBuddy(tree.selectedLineKind()));
}

TEST_F(BuddyTreeTest, LookupsFindGroupsByIdAndExactName) {
    fillSample();
    EXPECT_EQ(groupLine("11"), line(QStringLiteral("Family")));
    EXPECT_EQ(groupLine("0"), nullptr);
    EXPECT_EQ(tree.lineOf(list.findGroupByName("Family")), line(QStringLiteral("Family")));
    EXPECT_EQ(list.findGroupByName("family"), nullptr);
    EXPECT_EQ(tree.groupNames(), (QStringList{QStringLiteral("Work"), QStringLiteral("Family")}));
}

TEST_F(BuddyTreeTest, RefillReplacesEveryLine) {
    fillSample();
    BuddyEntry next = BuddyEntry::makeRoot();
    next.children = {buddy("9", "only")};
    tree.fill(std::move(next));
    EXPECT_EQ(tree.topLevelItemCount(), 1);
    EXPECT_EQ(texts(root()), (std::vector<std::string>{"only"}));
    EXPECT_EQ(groupLine("10"), nullptr);
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
    EXPECT_EQ(list.updateBuddy("3", values), 2);
    for (const char* bgid : {"0", "10"}) {
        QTreeWidgetItem* carl = buddyLine("3", bgid);
        ASSERT_NE(carl, nullptr) << bgid;
        EXPECT_EQ(carl->text(0), QStringLiteral("zz-carl"));
        EXPECT_EQ(carl->child(0)->text(0), QStringLiteral("123"));
        EXPECT_EQ(entry(carl).email, "c@example.com");
        EXPECT_EQ(entry(carl).groupId, bgid);
        EXPECT_EQ(entry(carl).id, "3");
    }
    EXPECT_EQ(texts(root()),
              (std::vector<std::string>{"Alice", "bob", "zz-carl", "Work", "Family"}));
}

TEST_F(BuddyTreeTest, UpdatingThePhoneAddsOrRemovesThePhoneLine) {
    fillSample();
    QTreeWidgetItem* alice = buddyLine("2", "0");
    ASSERT_EQ(alice->childCount(), 0);
    list.updateBuddy("2", buddy("2", "Alice", "+46"));
    ASSERT_EQ(alice->childCount(), 1);
    EXPECT_EQ(kindOf(tree, alice->child(0)), LineKind::Phone);
    EXPECT_EQ(shownImages(alice->child(0)), (LineImages{TreeImage::Phone, TreeImage::Phone}));
    EXPECT_EQ(alice->child(0)->text(0), QStringLiteral("+46"));
    list.updateBuddy("2", buddy("2", "", ""));
    EXPECT_EQ(alice->childCount(), 0);
    EXPECT_EQ(alice->text(0), QStringLiteral("Alice")) << "an empty name keeps the old text";
}

TEST_F(BuddyTreeTest, RemovingABuddyEverywhereLeavesOthers) {
    fillSample();
    EXPECT_EQ(list.removeBuddyEverywhere("3"), 2);
    EXPECT_TRUE(linesOf("3").empty());
    EXPECT_EQ(texts(root()), (std::vector<std::string>{"Alice", "bob", "Work", "Family"}));
    EXPECT_EQ(texts(line(QStringLiteral("Work"))), (std::vector<std::string>{"Ann"}));
}

} // namespace
} // namespace textowl
