#include "buddylist/buddy_list_document.h"
#include "service/utf.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace textowl {
namespace {

// A compact picture of a parsed list: "kind:bgid:display" per entry, children indented.
void describe(const BuddyEntry& entry, const std::string& indent, std::vector<std::string>& out) {
    const std::string_view name =
        entry.isGroup() ? std::string_view(entry.groupName) : displayName(entry);
    out.push_back(indent + entryKindName(entry.kind) + ":" + entry.groupId + ":" +
                  std::string(name));
    for (const BuddyEntry& child : entry.children)
        describe(child, indent + "  ", out);
}

std::vector<std::string> describeChildren(const BuddyEntry& root) {
    std::vector<std::string> out;
    for (const BuddyEntry& child : root.children)
        describe(child, "", out);
    return out;
}

std::string buddy(const std::string& id, const std::string& nick, const std::string& extra = {}) {
    return "<buddy id='" + id + "' firstname='' lastname='' nickname='" + nick +
           "' cellphone='555' email='' birthday=''" + extra + "/>";
}

std::string document(const std::string& err, const std::string& list) {
    return "<result" + err + "><buddylist>" + list + "</buddylist></result>";
}

Status parse(const std::string& text, BuddyEntry& root) {
    return parseBuddyListResult(utf8ToUtf16(text), root);
}

struct RefusedCase {
    const char* name;
    std::string text;
};

class BuddyListRefused : public testing::TestWithParam<RefusedCase> {};

TEST_P(BuddyListRefused, FetchFailsAndLeavesTheListAlone) {
    BuddyEntry root = BuddyEntry::makeRoot();
    root.children.push_back(BuddyEntry::makeGroup("7", "kept"));
    const BuddyEntry before = root;
    EXPECT_LT(parse(GetParam().text, root), 0);
    EXPECT_EQ(root, before);
}

INSTANTIATE_TEST_SUITE_P(
    ErrAndShape, BuddyListRefused,
    testing::Values(RefusedCase{"ErrOne", document(" err='1'", buddy("1", "bob"))},
                    RefusedCase{"ErrEmpty", document(" err=''", buddy("1", "bob"))},
                    RefusedCase{"ErrZeroZero", document(" err='00'", buddy("1", "bob"))},
                    RefusedCase{"ErrSpaced", document(" err=' 0'", buddy("1", "bob"))},
                    RefusedCase{"NoErr", document("", buddy("1", "bob"))},
                    RefusedCase{"NotXml", "buddylist err=0"},
                    RefusedCase{"Truncated", document(" err='0'", buddy("1", "bob")).substr(0, 40)},
                    RefusedCase{"NoBuddylist", "<result err='0'><buddy/></result>"}),
    [](const testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

TEST(BuddyListDocument, NullResultFails) {
    BuddyEntry root;
    EXPECT_LT(parseBuddyListResult(std::nullopt, root), 0);
}

TEST(BuddyListDocument, EmptyBuddylistYieldsOnlyTheRoot) {
    BuddyEntry root;
    ASSERT_EQ(parse("<anything err='0'><buddylist/></anything>", root), S_OK);
    EXPECT_EQ(root, BuddyEntry::makeRoot());
}

TEST(BuddyListDocument, ReadsEveryFieldOfABuddyInAGroup) {
    BuddyEntry root;
    ASSERT_EQ(
        parse(document(" err='0'", "<buddygroup id='12' name='Family &amp; Co'>"
                                   "<buddy id='5' firstname='Ann' lastname='Lee' nickname='Annie' "
                                   "cellphone='+4670' email='a@b.c' birthday='1980-04-02'/>"
                                   "</buddygroup>"),
              root),
        S_OK);
    BuddyEntry expected = BuddyEntry::makeRoot();
    BuddyEntry group = BuddyEntry::makeGroup("12", "Family & Co");
    BuddyEntry ann;
    ann.kind = EntryKind::Buddy;
    ann.id = "5";
    ann.firstName = "Ann";
    ann.lastName = "Lee";
    ann.nickname = "Annie";
    ann.cellPhone = "+4670";
    ann.email = "a@b.c";
    ann.birthday = "1980-04-02";
    ann.groupId = "12";
    ann.groupName = "Family & Co";
    group.children.push_back(ann);
    expected.children.push_back(group);
    EXPECT_EQ(root, expected);
}

struct ListCase {
    const char* name;
    std::string list;
    std::vector<std::string> expected;
};

class BuddyListContent : public testing::TestWithParam<ListCase> {};

TEST_P(BuddyListContent, ParsesToTheExpectedEntries) {
    BuddyEntry root;
    ASSERT_EQ(parse(document(" err='0'", GetParam().list), root), S_OK);
    EXPECT_EQ(describeChildren(root), GetParam().expected);
}

const char* const kNoBirthday = "<buddy id='2' firstname='' lastname='' nickname='nob' "
                                "cellphone='' email=''/>";

INSTANTIATE_TEST_SUITE_P(
    Rules, BuddyListContent,
    testing::Values(
        // Groups follow the top-level buddies whatever the document order.
        ListCase{"BuddiesBeforeGroupsInDocumentOrder",
                 "<buddygroup id='3' name='Work'>" + buddy("9", "w") + "</buddygroup>" +
                     buddy("1", "bob") + buddy("2", "Alice") + buddy("3", "carl"),
                 {"buddy:0:bob", "buddy:0:Alice", "buddy:0:carl", "group:3:Work", "  buddy:3:w"}},
        ListCase{"MissingBirthdayDropsOnlyThatBuddy",
                 std::string(kNoBirthday) + buddy("3", "ok"),
                 {"buddy:0:ok"}},
        ListCase{"EmptyBirthdayLoads", buddy("2", "nob"), {"buddy:0:nob"}},
        ListCase{"MissingIdDropsTheBuddy",
                 "<buddy firstname='' lastname='' nickname='x' cellphone='' email='' "
                 "birthday=''/>",
                 {}},
        ListCase{"DuplicateIdAcrossGroupsLoadsTwice",
                 buddy("4", "dup") + "<buddygroup id='8' name='G'>" + buddy("4", "dup") +
                     "</buddygroup>",
                 {"buddy:0:dup", "group:8:G", "  buddy:8:dup"}},
        ListCase{"GroupWithoutNameVanishesWithItsBuddies",
                 "<buddygroup id='1'>" + buddy("1", "lost") + "</buddygroup>" +
                     "<buddygroup id='2' name='Next'>" + buddy("2", "kept") + "</buddygroup>",
                 {"group:2:Next", "  buddy:2:kept"}},
        ListCase{"GroupWithoutIdVanishes",
                 "<buddygroup name='NoId'>" + buddy("1", "lost") + "</buddygroup>",
                 {}},
        ListCase{"BadBuddyInGroupSkipsOnlyIt",
                 "<buddygroup id='5' name='G'>" + std::string(kNoBirthday) + buddy("6", "b") +
                     "</buddygroup>",
                 {"group:5:G", "  buddy:5:b"}},
        ListCase{"NestedGroupIsNotRead",
                 "<buddygroup id='5' name='Outer'><buddygroup id='6' name='Inner'>" +
                     buddy("1", "deep") + "</buddygroup></buddygroup>",
                 {"group:5:Outer"}},
        ListCase{"OtherElementsAndTextIgnored",
                 "text<note/>" + buddy("1", "a", " extra='y'") + "<buddies>" + buddy("2", "b") +
                     "</buddies>",
                 {"buddy:0:a"}}),
    [](const testing::TestParamInfo<ListCase>& info) { return std::string(info.param.name); });

TEST(BuddyListDocument, ReadsOnlyTheFirstBuddylist) {
    BuddyEntry root;
    ASSERT_EQ(parse("<r err='0'><buddylist>" + buddy("1", "first") + "</buddylist><buddylist>" +
                        buddy("2", "second") + "</buddylist></r>",
                    root),
              S_OK);
    EXPECT_EQ(describeChildren(root), std::vector<std::string>{"buddy:0:first"});
}

TEST(BuddyListDocument, KeepsValuesUntrimmedAndUnicodeIntact) {
    BuddyEntry root;
    ASSERT_EQ(parse(document(" err='0'", buddy(" 7 ", "  Åsa ☎ ")), root), S_OK);
    ASSERT_EQ(root.children.size(), 1u);
    EXPECT_EQ(root.children[0].id, " 7 ");
    EXPECT_EQ(root.children[0].nickname, "  Åsa ☎ ");
}

struct NameCase {
    const char* nickname;
    const char* firstName;
    const char* lastName;
    const char* expected;
};

class DisplayName : public testing::TestWithParam<NameCase> {};

TEST_P(DisplayName, TakesTheFirstNonEmptyNameNeverJoined) {
    const NameCase& c = GetParam();
    BuddyEntry entry;
    entry.nickname = c.nickname;
    entry.firstName = c.firstName;
    entry.lastName = c.lastName;
    EXPECT_EQ(displayName(entry), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Rules, DisplayName,
                         testing::Values(NameCase{"Nick", "Ann", "Lee", "Nick"},
                                         NameCase{"", "Ann", "Lee", "Ann"},
                                         NameCase{"", "", "Lee", "Lee"}, NameCase{"", "", "", ""},
                                         NameCase{" ", "Ann", "", " "}));

TEST(BuddyEntry, NewEntryIsTopLevelWithoutKind) {
    const BuddyEntry entry;
    EXPECT_EQ(entry.groupId, "0");
    EXPECT_EQ(entry.kind, EntryKind::None);
    EXPECT_TRUE(entry.id.empty() && entry.groupName.empty() && entry.children.empty());
}

} // namespace
} // namespace textowl
