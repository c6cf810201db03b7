#include "buddylist/buddy_list.h"
#include "buddylist/contact_rules.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace textowl {
namespace {

BuddyEntry buddy(std::string id, std::string nickname, std::string cellPhone = "555") {
    BuddyEntry entry;
    entry.kind = EntryKind::Buddy;
    entry.id = std::move(id);
    entry.nickname = std::move(nickname);
    entry.cellPhone = std::move(cellPhone);
    return entry;
}

// As the parser gives it: every member carries the group's id and name.
BuddyEntry group(std::string bgid, std::string name, std::vector<BuddyEntry> members) {
    for (BuddyEntry& member : members) {
        member.groupId = bgid;
        member.groupName = name;
    }
    BuddyEntry entry = BuddyEntry::makeGroup(std::move(bgid), std::move(name));
    entry.children = std::move(members);
    return entry;
}

// Ann and Bob at top level; Ann and Carl in Family; an empty family; Carl in Work.
BuddyList sampleList() {
    BuddyEntry root = BuddyEntry::makeRoot();
    root.children = {buddy("2", "Bob"), buddy("1", "Ann"),
                     group("10", "Family", {buddy("1", "Ann"), buddy("3", "Carl")}),
                     group("11", "family", {}), group("12", "Work", {buddy("3", "Carl")})};
    BuddyList list;
    list.fill(std::move(root));
    return list;
}

std::vector<std::string> texts(const BuddyNode& parent) {
    std::vector<std::string> out;
    for (const auto& child : parent.children)
        out.push_back(child->text);
    return out;
}

using Strings = std::vector<std::string>;

TEST(BuddyListRules, FindGroupByExactName) {
    BuddyList list = sampleList();
    list.insert(BuddyEntry::makeGroup("13", "Work"), list.root()); // a rename may repeat a name
    const struct {
        const char* name;
        const char* bgid; // null: none
    } cases[] = {{"Family", "10"}, {"family", "11"}, {"FAMILY", nullptr},
                 {"Work", "12"},   {"Ann", nullptr}, {"", nullptr}};
    for (const auto& c : cases) {
        const BuddyNode* found = list.findGroupByName(c.name);
        EXPECT_EQ(found ? found->entry.groupId : "none", c.bgid ? c.bgid : "none") << c.name;
    }
}

TEST(BuddyListRules, PlacesNewLines) {
    BuddyList list;
    list.fill(group("", "", {})); // only the root
    BuddyNode& club = *list.insert(BuddyEntry::makeGroup("7", "Club"), list.root());
    for (const char* name : {"Bob", "alice", "Carl"}) {
        list.insert(buddy(name, name), list.root());
        list.insert(buddy(name, name), club);
    }
    list.sortGroup(club);
    list.sortGroup(list.root()); // never sorted
    EXPECT_EQ(texts(list.root()), (Strings{"Bob", "Carl", "alice", "Club"}));
    EXPECT_EQ(texts(club), (Strings{"alice", "Bob", "Carl"}));
    EXPECT_EQ(list.insert(buddy("9", ""), club), nullptr); // no name to list it under
    EXPECT_EQ(list.insert(BuddyEntry::makeGroup("8", "Nested"), club), nullptr);
    EXPECT_EQ(placedUnder(club.children[0]->entry, list.root()).groupId, "0");
    EXPECT_EQ(placedUnder(list.root().children[0]->entry, club).groupName, "Club");
}

TEST(BuddyListRules, LocationCheck) {
    BuddyList list = sampleList();
    BuddyNode& root = list.root();
    const struct {
        const char* name;
        const BuddyNode* target;
        const char* bid;
        bool accepted;
    } cases[] = {
        {"root holding Ann", &root, "1", false},
        {"root without Carl", &root, "3", true},
        {"group holding Ann", list.findGroup("10"), "1", false},
        {"group without Ann", list.findGroup("12"), "1", true},
        {"empty group", list.findGroup("11"), "3", true},
        {"a buddy line", list.findBuddy("2", "0"), "3", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(acceptsBuddy(*c.target, c.bid), c.accepted) << c.name;
}

TEST(BuddyListRules, UpdateWalkChangesEveryPlacement) {
    BuddyList list = sampleList();
    BuddyEntry edited = buddy("", "Charlie", "999");
    edited.birthday = "1980-04-02";
    EXPECT_EQ(list.updateBuddy("3", edited), 2);
    for (const char* bgid : {"10", "12"}) {
        const BuddyNode& carl = *list.findBuddy("3", bgid);
        EXPECT_EQ(carl.text, "Charlie");
        EXPECT_EQ(carl.entry.cellPhone, "999");
        EXPECT_EQ(carl.entry.birthday, "1980-04-02");
        EXPECT_EQ(carl.entry.id, "3");
        EXPECT_EQ(carl.entry.groupId, bgid);
    }
    EXPECT_EQ(list.updateBuddy("3", buddy("", "")), 2);
    EXPECT_EQ(list.findBuddy("3", "10")->text, "Charlie"); // no name: the text stays
    EXPECT_EQ(list.updateBuddy("404", edited), 0);
}

TEST(BuddyListRules, DeleteWalks) {
    const struct {
        const char* name;
        std::function<void(BuddyList&)> remove;
        Strings top, family;
    } cases[] = {
        {"everywhere",
         [](BuddyList& l) { EXPECT_EQ(l.removeBuddyEverywhere("1"), 2); },
         {"Bob", "Family", "family", "Work"},
         {"Carl"}},
        {"this location",
         [](BuddyList& l) { l.remove(*l.findBuddy("1", "10")); },
         {"Ann", "Bob", "Family", "family", "Work"},
         {"Carl"}},
        {"a group",
         [](BuddyList& l) { l.remove(*l.findGroup("10")); },
         {"Ann", "Bob", "family", "Work"},
         {}},
        {"a group, whose members placed nowhere else go to the top level",
         [](BuddyList& l) {
             BuddyNode& family = *l.findGroup("10");
             for (const BuddyEntry& member : {buddy("5", "Dan"), buddy("4", "Abe")})
                 l.insert(placedUnder(member, family), family);
             l.removeGroup(family);
         },
         {"Abe", "Ann", "Bob", "Dan", "family", "Work"},
         {}},
        {"the root stays",
         [](BuddyList& l) { l.remove(l.root()); },
         {"Ann", "Bob", "Family", "family", "Work"},
         {"Ann", "Carl"}},
    };
    for (const auto& c : cases) {
        BuddyList list = sampleList();
        c.remove(list);
        EXPECT_EQ(texts(list.root()), c.top) << c.name;
        const BuddyNode* family = list.findGroup("10");
        EXPECT_EQ(family ? texts(*family) : Strings{}, c.family) << c.name;
    }
}

TEST(BuddyListRules, ClipboardEntryAndPasteFlag) {
    const BuddyEntry ann = buddy("1", "Ann");
    // c: copy, x: cut, a: cut accepted, p: pasted, d: drop, z: cleared by a fill
    const struct {
        const char* steps;
        bool pasteEnabled;
        bool pasteable;
        bool cutPending; // the service no longer holds the cut placement
    } cases[] = {
        {"", false, false, false},  {"c", true, true, false},    {"x", false, false, false},
        {"xa", true, true, true},   {"cd", true, false, false},  {"cdx", true, true, false},
        {"cdc", true, true, false}, {"cz", false, false, false}, {"xap", true, true, false},
        {"xac", true, true, false}, {"xad", true, false, false}, {"xaz", false, false, false},
        {"xaxa", true, true, true},
    };
    for (const auto& c : cases) {
        BuddyClipboard clipboard;
        for (const char* step = c.steps; *step; ++step) {
            switch (*step) {
            case 'c':
                clipboard.copy(ann);
                break;
            case 'x':
                clipboard.cut(ann);
                break;
            case 'a':
                clipboard.cutAccepted();
                break;
            case 'p':
                clipboard.cutSettled();
                break;
            case 'd':
                clipboard.dropped();
                break;
            default:
                clipboard.clear();
                break;
            }
        }
        EXPECT_EQ(clipboard.pasteEnabled(), c.pasteEnabled) << c.steps;
        EXPECT_EQ(clipboard.pasteable() != nullptr, c.pasteable) << c.steps;
        EXPECT_EQ(clipboard.pendingCut() != nullptr, c.cutPending) << c.steps;
    }
}

TEST(ContactRules, GroupChoicesAndPreselection) {
    const Strings choices = groupChoices({"work", "Family", "1st", "family"});
    EXPECT_EQ(choices, (Strings{"<Add New Group>", "1st", "Family", "family", "work"}));
    const struct {
        const char* initial;
        int row;
    } cases[] = {{"", 0}, {"fam", 2}, {"FAMILY", 2}, {"Work", 4}, {"x", 0}, {"<add", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(preselectedGroup(choices, c.initial), c.row) << c.initial;
    EXPECT_EQ(chosenGroup("<Add New Group>"), "");
    EXPECT_EQ(chosenGroup("Family"), "Family");
}

TEST(ContactRules, BirthdayRowsAndText) {
    const int year = 2026;
    const struct {
        const char* stored;
        BirthdayRows rows;
        const char* written;
    } cases[] = {
        {"1980-04-02", {46, 3, 1}, "1980-04-02"},
        {"1985-13-40", {41, -1, -1}, "1985-00-00"},
        {"85-01-01", {}, "0-00-00"},
        {"1899-01-01", {}, "0-00-00"},
        {"1980-00-05", {}, "0-00-00"},
        {"2030-01-01", {-1, 0, 0}, "0-01-01"},
        {"", {}, "0-00-00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(birthdayRows(c.stored, year), c.rows) << c.stored;
        EXPECT_EQ(birthdayText(c.rows, year), c.written) << c.stored;
    }
}

TEST(ContactRules, RequiredFields) {
    EXPECT_FALSE(contactIsComplete("", "", "", "555"));
    EXPECT_TRUE(contactIsComplete(" ", "", "", "555"));
    EXPECT_TRUE(contactIsComplete("", "", "Lee", "555"));
    EXPECT_FALSE(contactIsComplete("Ann", "", "", ""));
}

} // namespace
} // namespace textowl
