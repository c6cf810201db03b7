#include "base/command_ids.h"
#include "buddylist/buddy_tree.h"

#include <QClipboard>
#include <QDropEvent>
#include <QFont>
#include <QMimeData>
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

QString textOf(const QModelIndex& line) {
    return line.data().toString();
}

bool isBold(const QModelIndex& line) {
    return line.data(Qt::FontRole).value<QFont>().bold();
}

int childCount(const QModelIndex& line) {
    return line.model()->rowCount(line);
}

QModelIndex child(const QModelIndex& line, int row) {
    return line.model()->index(row, 0, line);
}

QImage shownPicture(const QModelIndex& line, QIcon::Mode mode = QIcon::Normal) {
    return line.data(Qt::DecorationRole).value<QIcon>().pixmap(kTreeImageSize, mode).toImage();
}

// The strip pictures a line shows unselected and selected, told apart by their colour.
LineImages shownImages(const QModelIndex& line) {
    const auto which = [line](QIcon::Mode mode) {
        const QRgb colour = shownPicture(line, mode).pixel(kTreeImageSize / 2, kTreeImageSize / 2);
        for (int i = 0; i < kTreeImageCount; ++i) {
            if (colour == stripColour(i))
                return static_cast<TreeImage>(i);
        }
        ADD_FAILURE() << textOf(line).toStdString() << " shows no picture of the strip";
        return static_cast<TreeImage>(-1);
    };
    return {which(QIcon::Normal), which(QIcon::Selected)};
}

// What a line stands for as the list sees it: a line without a node of its own is a phone line.
LineKind kindOf(const BuddyTree& tree, const QModelIndex& line) {
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

std::vector<std::string> texts(const QModelIndex& parent) {
    std::vector<std::string> out;
    for (int i = 0; i < childCount(parent); ++i)
        out.push_back(textOf(child(parent, i)).toStdString());
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

    QModelIndex root() const { return tree.rootLine(); }
    QModelIndex line(const QString& text) const {
        const auto found = tree.model()->match(root(), Qt::DisplayRole, text, 1,
                                               Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? QModelIndex() : found.first();
    }
    void showTree() {
        tree.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    }
    QPoint centreOf(const QModelIndex& line) const { return tree.visualRect(line).center(); }

    // Changes go through the list; these give the lines the tree shows for them.
    QModelIndex insert(const BuddyEntry& fields, const QModelIndex& parent) {
        return tree.lineOf(list.insert(fields, *tree.nodeOf(parent)));
    }
    QModelIndex buddyLine(std::string_view bid, std::string_view bgid) {
        return tree.lineOf(list.findBuddy(bid, bgid));
    }
    QModelIndex groupLine(std::string_view bgid) { return tree.lineOf(list.findGroup(bgid)); }
    std::vector<QModelIndex> linesOf(std::string_view bid) {
        std::vector<QModelIndex> lines;
        for (const BuddyNode* node : list.placements(bid))
            lines.push_back(tree.lineOf(node));
        return lines;
    }
    const BuddyEntry& entry(const QModelIndex& line) const { return tree.nodeOf(line)->entry; }

    BuddyList list;
    BuddyTree tree;
    EditFlags flags; // as last announced to the menus
};

TEST_F(BuddyTreeTest, FillShowsBoldRootThenSortedBuddiesThenGroupsInDocumentOrder) {
    fillSample();
    ASSERT_EQ(tree.model()->rowCount(), 1);
    EXPECT_EQ(textOf(root()), QStringLiteral("My Buddy List"));
    EXPECT_TRUE(isBold(root()));
    EXPECT_TRUE(tree.isExpanded(root()));
    EXPECT_EQ(texts(root()), (std::vector<std::string>{"Alice", "bob", "carl", "Work", "Family"}));
    EXPECT_TRUE(isBold(line(QStringLiteral("Work"))));
    EXPECT_FALSE(isBold(line(QStringLiteral("bob"))));
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

    QModelIndex carlInWork = buddyLine("3", "10");
    QModelIndex carlTop = buddyLine("3", "0");
    ASSERT_TRUE(carlInWork.isValid() && carlTop.isValid());
    EXPECT_NE(carlInWork, carlTop);
    EXPECT_EQ(entry(carlInWork).groupName, "Work");
    EXPECT_EQ(entry(carlInWork).cellPhone, "777");
    EXPECT_EQ(entry(carlTop).groupId, "0");
    EXPECT_EQ(linesOf("3").size(), 2);
}

TEST_F(BuddyTreeTest, PhoneLineOnlyForBuddiesWithACellPhoneAndStandsForItsBuddy) {
    fillSample();
    QModelIndex bob = line(QStringLiteral("bob"));
    ASSERT_EQ(childCount(bob), 1);
    QModelIndex phone = child(bob, 0);
    EXPECT_EQ(textOf(phone), QStringLiteral("555"));
    EXPECT_EQ(tree.nodeOf(phone), nullptr);
    EXPECT_EQ(tree.entryOf(phone), &entry(bob));
    EXPECT_EQ(shownImages(phone), (LineImages{TreeImage::Phone, TreeImage::Phone}));
    EXPECT_EQ(childCount(line(QStringLiteral("Alice"))), 0);
    tree.selectLine(phone);
    EXPECT_EQ(tree.selectedLineKind(), LineKind::Phone);
}

TEST_F(BuddyTreeTest, TopLevelInsertionKeepsByteOrderAheadOfGroups) {
    tree.fill(BuddyEntry::makeRoot());
    insert(BuddyEntry::makeGroup("7", "Friends"), root());
    for (const char* name : {"Bob", "alice", "Carl"})
        ASSERT_TRUE(insert(buddy(name, name), root()).isValid());
    EXPECT_EQ(texts(root()), (std::vector<std::string>{"Bob", "Carl", "alice", "Friends"}));
    // Sorting after every other buddy still lands before the first group line.
    insert(buddy("z", "zed"), root());
    EXPECT_EQ(texts(root()), (std::vector<std::string>{"Bob", "Carl", "alice", "zed", "Friends"}));
}

TEST_F(BuddyTreeTest, SortedGroupIgnoresCaseAndKeepsTheRootUnsorted) {
    tree.fill(BuddyEntry::makeRoot());
    QModelIndex group = insert(BuddyEntry::makeGroup("7", "Friends"), root());
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
    EXPECT_FALSE(insert(buddy("1", "", "555"), root()).isValid());
    EXPECT_EQ(childCount(root()), 0);
}

TEST_F(BuddyTreeTest, InsertedGroupKeepsOnlyItsIdAndName) {
    tree.fill(BuddyEntry::makeRoot());
    BuddyEntry fields = BuddyEntry::makeGroup("9", "Club");
    fields.id = "stray";
    fields.nickname = "stray";
    QModelIndex group = insert(fields, root());
    ASSERT_TRUE(group.isValid());
    EXPECT_EQ(entry(group), BuddyEntry::makeGroup("9", "Club"));
    EXPECT_EQ(shownImages(group), (LineImages{TreeImage::GroupFolder, TreeImage::OpenFolder}));
    EXPECT_TRUE(isBold(group));
}

TEST_F(BuddyTreeTest, ExpandAndCollapseSwitchPictures) {
    fillSample();
    EXPECT_EQ(shownImages(root()).normal, TreeImage::OpenFolder);
    QModelIndex work = line(QStringLiteral("Work"));
    tree.expand(work);
    EXPECT_EQ(shownImages(work), (LineImages{TreeImage::OpenFolder, TreeImage::OpenFolder}));
    tree.collapse(work);
    EXPECT_EQ(shownImages(work), (LineImages{TreeImage::GroupFolder, TreeImage::GroupFolder}));
    QModelIndex bob = line(QStringLiteral("bob"));
    tree.expand(bob);
    EXPECT_EQ(shownImages(bob), (LineImages{TreeImage::Person, TreeImage::Person}));
    tree.collapse(root());
    EXPECT_EQ(shownImages(root()), (LineImages{TreeImage::ClosedFolder, TreeImage::ClosedFolder}));
}

TEST_F(BuddyTreeTest, ImagesAreCutFromTheStripWithMagentaTransparent) {
    fillSample();
    tree.collapse(root());
    QModelIndex work = line(QStringLiteral("Work"));
    QModelIndex bob = line(QStringLiteral("bob"));
    // Every picture of the strip, as some line shows it.
    const std::pair<QImage, TreeImage> shown[] = {
        {shownPicture(root()), TreeImage::ClosedFolder},
        {shownPicture(work), TreeImage::GroupFolder},
        {shownPicture(work, QIcon::Selected), TreeImage::OpenFolder},
        {shownPicture(bob), TreeImage::Person},
        {shownPicture(child(bob, 0)), TreeImage::Phone}};
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
    ASSERT_EQ(childCount(bare.rootLine()), 1);
    EXPECT_TRUE(child(bare.rootLine(), 0).data(Qt::DecorationRole).value<QIcon>().isNull());
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
    QModelIndex carl = buddyLine("3", "10");
    tree.selectLine(carl);
    ASSERT_TRUE(flags.remove);
    list.remove(*tree.nodeOf(carl));
    EXPECT_EQ(texts(line(QStringLiteral("Work"))), (std::vector<std::string>{"Ann"}));
    EXPECT_TRUE(buddyLine("3", "0").isValid());
    EXPECT_EQ(tree.selectedLineKind(), kindOf(tree, tree.selectedLine()));
    EXPECT_EQ(flags.remove, standsForBuddy(tree.selectedLineKind()));
}

TEST_F(BuddyTreeTest, LookupsFindGroupsByIdAndExactName) {
    fillSample();
    EXPECT_EQ(groupLine("11"), line(QStringLiteral("Family")));
    EXPECT_FALSE(groupLine("0").isValid());
    EXPECT_EQ(tree.lineOf(list.findGroupByName("Family")), line(QStringLiteral("Family")));
    EXPECT_EQ(list.findGroupByName("family"), nullptr);
    EXPECT_EQ(tree.groupNames(), (QStringList{QStringLiteral("Work"), QStringLiteral("Family")}));
}

TEST_F(BuddyTreeTest, RefillReplacesEveryLine) {
    fillSample();
    BuddyEntry next = BuddyEntry::makeRoot();
    next.children = {buddy("9", "only")};
    tree.fill(std::move(next));
    EXPECT_EQ(tree.model()->rowCount(), 1);
    EXPECT_EQ(texts(root()), (std::vector<std::string>{"only"}));
    EXPECT_FALSE(groupLine("10").isValid());
}

TEST_F(BuddyTreeTest, RightClickSelectsTheLinePointedAtAndEmptySpaceKeepsTheSelection) {
    fillSample();
    showTree();
    QSignalSpy requested(&tree, &BuddyTree::contextMenuRequested);
    const QModelIndex bob = line(QStringLiteral("bob"));
    // What the platform delivers for a right click: the press, then the menu request.
    const auto rightClick = [&](QPoint pointer) {
        QTest::mousePress(tree.viewport(), Qt::RightButton, {}, pointer);
        QContextMenuEvent event(QContextMenuEvent::Mouse, pointer,
                                tree.viewport()->mapToGlobal(pointer));
        QApplication::sendEvent(tree.viewport(), &event);
        QTest::mouseRelease(tree.viewport(), Qt::RightButton, {}, pointer);
        return requested.takeLast().at(0).value<LineKind>();
    };
    tree.selectLine(bob);
    EXPECT_EQ(rightClick(centreOf(line(QStringLiteral("Work")))), LineKind::Group);
    EXPECT_EQ(tree.selectedLine(), line(QStringLiteral("Work")));
    tree.selectLine(bob);
    const QPoint belowEveryLine(5, tree.viewport()->height() - 2);
    ASSERT_FALSE(tree.indexAt(belowEveryLine).isValid());
    EXPECT_EQ(rightClick(belowEveryLine), LineKind::Buddy);
    EXPECT_EQ(tree.selectedLine(), bob);
}

TEST_F(BuddyTreeTest, KeysOpenTheSelectedLinesMenuAtItAndEnterSends) {
    fillSample();
    showTree();
    tree.setFocus();
    std::vector<int> commands;
    tree.setCommandSink([&](int id) { commands.push_back(id); });
    QSignalSpy requested(&tree, &BuddyTree::contextMenuRequested);
    const QModelIndex work = line(QStringLiteral("Work"));
    tree.selectLine(work);
    for (const QKeyCombination key :
         {QKeyCombination(Qt::Key_Menu), QKeyCombination(Qt::SHIFT, Qt::Key_F10)}) {
        QTest::keyClick(&tree, key.key(), key.keyboardModifiers());
        ASSERT_EQ(requested.count(), 1) << key.key();
        const QList<QVariant> request = requested.takeFirst();
        EXPECT_EQ(request.at(0).value<LineKind>(), LineKind::Group);
        const QPoint at = tree.viewport()->mapFromGlobal(request.at(1).toPoint());
        EXPECT_TRUE(tree.visualRect(work).contains(at)) << at.x() << "," << at.y();
    }
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
        QTest::keyClick(&tree, key);
    QCoreApplication::processEvents();
    EXPECT_EQ(commands, (std::vector<int>{kCmdSendMessage, kCmdSendMessage}));
}

TEST_F(BuddyTreeTest, ContextMenuKindForEachSelection) {
    fillSample();
    showTree();
    QSignalSpy requested(&tree, &BuddyTree::contextMenuRequested);
    const auto kindShownFor = [&](const QModelIndex& selected) {
        tree.selectLine(selected);
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                tree.viewport()->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(tree.viewport(), &event);
        return requested.takeLast().at(0).value<LineKind>();
    };
    EXPECT_EQ(kindShownFor({}), LineKind::None);
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
    QModelIndex bob = line(QStringLiteral("bob"));
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
                           doomed.visualRect(doomed.rootLine()).center());
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
        QModelIndex carl = buddyLine("3", bgid);
        ASSERT_TRUE(carl.isValid()) << bgid;
        EXPECT_EQ(textOf(carl), QStringLiteral("zz-carl"));
        EXPECT_EQ(textOf(child(carl, 0)), QStringLiteral("123"));
        EXPECT_EQ(entry(carl).email, "c@example.com");
        EXPECT_EQ(entry(carl).groupId, bgid);
        EXPECT_EQ(entry(carl).id, "3");
    }
    EXPECT_EQ(texts(root()),
              (std::vector<std::string>{"Alice", "bob", "zz-carl", "Work", "Family"}));
}

TEST_F(BuddyTreeTest, UpdatingThePhoneAddsOrRemovesThePhoneLine) {
    fillSample();
    QModelIndex alice = buddyLine("2", "0");
    ASSERT_EQ(childCount(alice), 0);
    list.updateBuddy("2", buddy("2", "Alice", "+46"));
    ASSERT_EQ(childCount(alice), 1);
    EXPECT_EQ(kindOf(tree, child(alice, 0)), LineKind::Phone);
    EXPECT_EQ(shownImages(child(alice, 0)), (LineImages{TreeImage::Phone, TreeImage::Phone}));
    EXPECT_EQ(textOf(child(alice, 0)), QStringLiteral("+46"));
    list.updateBuddy("2", buddy("2", "", ""));
    EXPECT_EQ(childCount(alice), 0);
    EXPECT_EQ(textOf(alice), QStringLiteral("Alice")) << "an empty name keeps the old text";
}

TEST_F(BuddyTreeTest, RemovingABuddyEverywhereLeavesOthers) {
    fillSample();
    EXPECT_EQ(list.removeBuddyEverywhere("3"), 2);
    EXPECT_TRUE(linesOf("3").empty());
    EXPECT_EQ(texts(root()), (std::vector<std::string>{"Alice", "bob", "Work", "Family"}));
    EXPECT_EQ(texts(line(QStringLiteral("Work"))), (std::vector<std::string>{"Ann"}));
}

TEST_F(BuddyTreeTest, DraggingAPhoneLineOntoAGroupHighlightsItAndReportsBoth) {
    fillSample();
    showTree();
    QSignalSpy dropped(&tree, &BuddyTree::lineDropped);
    const QModelIndex bob = line(QStringLiteral("bob"));
    tree.expand(bob);
    const QModelIndex phone = child(bob, 0);
    const QModelIndex work = line(QStringLiteral("Work"));
    tree.selectLine(phone);
    // The drag clears the selection before it runs; the pointer then crosses Work and lets go,
    // as the platform's drag would report it.
    QColor shownOverWork;
    QObject::connect(tree.selectionModel(), &QItemSelectionModel::selectionChanged, &tree, [&] {
        if (tree.selectedLine().isValid() || shownOverWork.isValid())
            return;
        QMimeData data;
        data.setData(QStringLiteral("application/x-textowl-buddy-line"), {});
        const QPointF over = centreOf(work);
        QDragEnterEvent enter(over.toPoint(), Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(tree.viewport(), &enter);
        QDragMoveEvent move(over.toPoint(), Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(tree.viewport(), &move);
        const QRect row = tree.visualRect(work);
        shownOverWork = tree.viewport()->grab(row).toImage().pixelColor(row.width() - 2, 2);
        QDropEvent drop(over, Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(tree.viewport(), &drop);
    });
    // Through the window, as the platform delivers them: the first move readies the view to
    // drag, the next one far enough starts it.
    QWindow* window = tree.windowHandle();
    const QPoint from = tree.viewport()->mapTo(&tree, centreOf(phone));
    QTest::mousePress(window, Qt::LeftButton, {}, from);
    QTest::mouseMove(window, from + QPoint(0, 1));
    QTest::mouseMove(window, from + QPoint(0, 3 * kTreeImageSize));
    QTest::mouseRelease(window, Qt::LeftButton, {}, from + QPoint(0, 3 * kTreeImageSize));
    ASSERT_EQ(dropped.count(), 1);
    EXPECT_EQ(dropped.at(0).at(0).value<QModelIndex>(), bob);
    EXPECT_EQ(dropped.at(0).at(1).value<QModelIndex>(), work);
    EXPECT_EQ(shownOverWork, tree.palette().color(QPalette::Highlight));
    EXPECT_EQ(texts(root()), (std::vector<std::string>{"Alice", "bob", "carl", "Work", "Family"}));
}

} // namespace
} // namespace textowl
