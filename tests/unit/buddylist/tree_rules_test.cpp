#include "buddylist/tree_rules.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace textowl {
namespace {

TopLevelLine buddyLine(std::string text) {
    return {EntryKind::Buddy, std::move(text)};
}
TopLevelLine groupLine(std::string text) {
    return {EntryKind::Group, std::move(text)};
}

// Inserts texts one by one with the rule, as lines added through editing would be.
std::vector<TopLevelLine> insertAll(std::vector<TopLevelLine> level,
                                    const std::vector<std::string>& texts) {
    for (const std::string& text : texts) {
        const std::size_t at = topLevelInsertIndex(level, text);
        level.insert(level.begin() + static_cast<std::ptrdiff_t>(at), buddyLine(text));
    }
    return level;
}

std::vector<std::string> textsOf(const std::vector<TopLevelLine>& level) {
    std::vector<std::string> texts;
    for (const TopLevelLine& line : level)
        texts.push_back(line.text);
    return texts;
}

struct InsertCase {
    const char* name;
    std::vector<TopLevelLine> level;
    std::vector<std::string> inserted;
    std::vector<std::string> expected;
};

class TopLevelInsertion : public testing::TestWithParam<InsertCase> {};

TEST_P(TopLevelInsertion, PlacesBuddiesInByteOrderAheadOfGroups) {
    const InsertCase& c = GetParam();
    EXPECT_EQ(textsOf(insertAll(c.level, c.inserted)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rule, TopLevelInsertion,
    testing::Values(
        InsertCase{
            "UpperCaseBeforeLowerCase", {}, {"Bob", "alice", "Carl"}, {"Bob", "Carl", "alice"}},
        InsertCase{"SameNamesAnyOrder", {}, {"alice", "Carl", "Bob"}, {"Bob", "Carl", "alice"}},
        InsertCase{
            "DocumentOrderBobAliceCarl", {}, {"bob", "Alice", "carl"}, {"Alice", "bob", "carl"}},
        InsertCase{"LastNameGoesBeforeFirstGroup",
                   {buddyLine("Ann"), groupLine("A-team"), groupLine("Zoo")},
                   {"zed"},
                   {"Ann", "zed", "A-team", "Zoo"}},
        InsertCase{"FirstLineAGroupPutsBuddyFirst",
                   {groupLine("Family"), groupLine("Work")},
                   {"zz"},
                   {"zz", "Family", "Work"}},
        InsertCase{"BeforeEverything", {buddyLine("b"), groupLine("G")}, {"a"}, {"a", "b", "G"}},
        InsertCase{
            "EqualTextsKeepArrivalOrder", {buddyLine("x"), groupLine("G")}, {"x"}, {"x", "x", "G"}},
        InsertCase{"NoGroupsAppendsAtTheEnd",
                   {buddyLine("a"), buddyLine("c")},
                   {"d", "b"},
                   {"a", "b", "c", "d"}},
        InsertCase{
            "NonAsciiSortsAfterAscii", {}, {"Émile", "zoe", "Adam"}, {"Adam", "zoe", "Émile"}},
        // An edit may leave the level unsorted; the walk takes the first fitting gap.
        InsertCase{"UnsortedLevelFirstFittingGap",
                   {buddyLine("m"), buddyLine("b"), buddyLine("x"), groupLine("G")},
                   {"n"},
                   {"m", "b", "n", "x", "G"}}),
    [](const testing::TestParamInfo<InsertCase>& info) { return std::string(info.param.name); });

TEST(TopLevelInsertion, LevelWithoutEntriesUsesTheRequestedPosition) {
    const std::vector<TopLevelLine> level{{EntryKind::None, "z"}, buddyLine("a")};
    EXPECT_EQ(topLevelInsertIndex(level, "b"), level.size());
}

TEST(TopLevelFillOrder, MatchesOneByOneInsertionIntoAnEmptyLevel) {
    std::mt19937 random(7);
    const std::vector<std::string> alphabet{"a", "B", "b", "Ab", "aB", "é", "", "Z", "ab"};
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> texts;
        const int count = static_cast<int>(random() % 12);
        for (int i = 0; i < count; ++i)
            texts.push_back(alphabet[random() % alphabet.size()] +
                            alphabet[random() % alphabet.size()] + std::to_string(random() % 3));
        std::vector<std::string> filled;
        for (std::size_t index : topLevelFillOrder(texts))
            filled.push_back(texts[index]);
        ASSERT_EQ(filled, textsOf(insertAll({}, texts))) << "round " << round;
    }
}

TEST(TopLevelFillOrder, EqualTextsKeepDocumentOrder) {
    const std::vector<std::string> texts{"b", "a", "b", "a"};
    EXPECT_EQ(topLevelFillOrder(texts), (std::vector<std::size_t>{1, 3, 0, 2}));
}

struct SelectionCase {
    LineKind selected;
    bool buddyCommands;
    PopupMenu menu;
};

class SelectedLine : public testing::TestWithParam<SelectionCase> {};

TEST_P(SelectedLine, DecidesFlagsAndMenu) {
    const SelectionCase& c = GetParam();
    for (bool paste : {false, true}) {
        const EditFlags flags = flagsForSelection(c.selected, {!paste, !paste, paste, !paste});
        EXPECT_EQ(flags, (EditFlags{c.buddyCommands, c.buddyCommands, paste, c.buddyCommands}));
    }
    EXPECT_EQ(popupMenuFor(c.selected), c.menu);
}

INSTANTIATE_TEST_SUITE_P(Table, SelectedLine,
                         testing::Values(SelectionCase{LineKind::None, false, PopupMenu::Root},
                                         SelectionCase{LineKind::Root, false, PopupMenu::Root},
                                         SelectionCase{LineKind::Group, false, PopupMenu::Group},
                                         SelectionCase{LineKind::Buddy, true, PopupMenu::Buddy},
                                         SelectionCase{LineKind::Phone, true, PopupMenu::Buddy}));

TEST(LineImagesRule, ExpandAndCollapseSetBothImages) {
    using enum TreeImage;
    EXPECT_EQ(toggledImages(LineKind::Root, true), (LineImages{OpenFolder, OpenFolder}));
    EXPECT_EQ(toggledImages(LineKind::Root, false), (LineImages{ClosedFolder, ClosedFolder}));
    EXPECT_EQ(toggledImages(LineKind::Group, true), (LineImages{OpenFolder, OpenFolder}));
    EXPECT_EQ(toggledImages(LineKind::Group, false), (LineImages{GroupFolder, GroupFolder}));
    EXPECT_EQ(toggledImages(LineKind::Buddy, true), (LineImages{Person, Person}));
    EXPECT_EQ(insertedImages(LineKind::Group), (LineImages{GroupFolder, OpenFolder}));
    EXPECT_EQ(insertedImages(LineKind::Phone), (LineImages{Phone, Phone}));
}

} // namespace
} // namespace textowl
