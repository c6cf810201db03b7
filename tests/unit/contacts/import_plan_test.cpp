#include "buddylist/buddy_list_document.h"
#include "contact_rows.h"
#include "contacts/contact_export.h"
#include "contacts/import_plan.h"
#include "service/utf.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace textowl {
namespace {

// Ann at the top level and in Family, Bob in Family; numbers stored as the service keeps them.
BuddyList sampleList() {
    const char* document = R"(<r err="0"><buddylist>
        <buddy id="1" firstname="" lastname="" nickname="Ann" cellphone="491701234567" email=""
               birthday=""/>
        <buddygroup id="10" name="Family">
          <buddy id="1" firstname="" lastname="" nickname="Ann" cellphone="491701234567" email=""
                 birthday=""/>
          <buddy id="2" firstname="" lastname="" nickname="Bob" cellphone="49301234567" email=""
                 birthday=""/>
        </buddygroup></buddylist></r>)";
    BuddyEntry root;
    EXPECT_EQ(parseBuddyListResult(utf8ToUtf16(document), root), S_OK);
    BuddyList list;
    list.fill(std::move(root));
    return list;
}

TEST(ImportPlan, DecidesEachRowAndOrdersTheCalls) {
    const ContactBook book{
        {contact("Ann", "0170 1234567", {}), contact("Bob", "+49 171 1234568", {"Work", "Family"}),
         contact("Cy", "0172 7654321", {"Friends", "Family"}),
         contact("Cy again", "+49 172 7654321", {"Friends"}), contact("Di", "n/a", {}),
         contact("", "0170 7654321", {}), contact("Eve", "0171 1111111", {"Work"})},
        {"Family", "Work", "Friends", "Chess"}};
    const ImportPlan plan = planImport(sampleList(), book, "DE");

    const std::vector<ImportDecision> decisions{ImportDecision::AlreadyInList,
                                                ImportDecision::Add,
                                                ImportDecision::Add,
                                                ImportDecision::AlreadyInList,
                                                ImportDecision::NoValidNumber,
                                                ImportDecision::NoName,
                                                ImportDecision::Add};
    ASSERT_EQ(plan.rows.size(), decisions.size());
    for (std::size_t i = 0; i < decisions.size(); ++i)
        EXPECT_EQ(plan.rows[i].decision, decisions[i]) << "row " << i;
    EXPECT_EQ(plan.rows[1].contact.cellPhone, "491711234568");
    EXPECT_EQ(plan.rows[4].numberProblem, NumberProblem::NotANumber);

    using Op = OperationId;
    const std::vector<ImportStep> steps{
        {Op::apiAddBuddyGroup, 1, "Work", ""},   {Op::apiAddBuddy, 1, "Work", ""},
        {Op::apiCopyBuddy, 1, "Family", "Work"}, {Op::apiAddBuddyGroup, 2, "Friends", ""},
        {Op::apiAddBuddy, 2, "Friends", ""},     {Op::apiCopyBuddy, 2, "Family", "Friends"},
        {Op::apiAddBuddy, 6, "Work", ""},        {Op::apiAddBuddyGroup, 7, "Chess", ""}};
    EXPECT_EQ(importSteps(plan), steps);
    // Unticking the row that would have made Work leaves the group to the next row needing it.
    const std::vector<ImportStep> withoutBob{
        {Op::apiAddBuddyGroup, 2, "Friends", ""},   {Op::apiAddBuddy, 2, "Friends", ""},
        {Op::apiCopyBuddy, 2, "Family", "Friends"}, {Op::apiAddBuddyGroup, 6, "Work", ""},
        {Op::apiAddBuddy, 6, "Work", ""},           {Op::apiAddBuddyGroup, 7, "Chess", ""}};
    EXPECT_EQ(importSteps(plan, {true, false}), withoutBob);
}

TEST(ImportPlan, TakesTheFirstValidNumberAndKnowsStoredOnesInAnyForm) {
    BuddyList list = sampleList();
    BuddyEntry typed = BuddyEntry::makeRoot();
    typed.kind = EntryKind::Buddy;
    typed.id = "3";
    typed.nickname = "Typed";
    typed.cellPhone = "+46 70-123 45 67"; // as a user may have typed it, not as the service writes
    list.insert(typed, list.root());
    const struct {
        const char* name;
        const char* cell;
        std::vector<std::string> others;
        ImportDecision decision;
        const char* number; // the row's number afterwards
        NumberProblem problem;
        const char* heldBy;
    } cases[] = {
        {"Fay",
         "+44 7700 900461",
         {"08-123 456 78", "070-111 22 33"},
         ImportDecision::Add,
         "46701112233",
         {},
         ""},
        {"Gus", "070-765 43 21", {"08-123 456 78"}, ImportDecision::Add, "46707654321", {}, ""},
        {"Hal",
         "(555) 010-0123",
         {"12"},
         ImportDecision::NoValidNumber,
         "(555) 010-0123",
         NumberProblem::NotInUse,
         ""},
        {"Ida",
         "(212) 555-0147",
         {"070-123 45 67"},
         ImportDecision::AlreadyInList,
         "46701234567",
         {},
         "Typed"},
        {"Jo", "+49 170 1234567", {}, ImportDecision::AlreadyInList, "491701234567", {}, "Ann"},
        {"Kim", "0046 70 111 22 33", {}, ImportDecision::AlreadyInList, "46701112233", {}, "Fay"},
        {"Liv",
         "08-123 456 78",
         {"031-123 45 67"},
         ImportDecision::NoValidNumber,
         "08-123 456 78",
         NumberProblem::Landline,
         ""},
    };
    ContactBook book;
    for (const auto& c : cases) {
        Contact row = contact(c.name, c.cell, {});
        row.otherPhones = c.others;
        book.contacts.push_back(row);
    }
    const ImportPlan plan = planImport(list, book, "SE");
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(plan.rows[i].decision, cases[i].decision) << "row " << i;
        EXPECT_EQ(plan.rows[i].contact.cellPhone, cases[i].number) << "row " << i;
        EXPECT_EQ(plan.rows[i].numberProblem, cases[i].problem) << "row " << i;
        EXPECT_EQ(plan.rows[i].heldBy, cases[i].heldBy) << "row " << i;
    }
}

TEST(ContactExport, EachBuddyOnceWithItsGroups) {
    BuddyList list = sampleList();
    list.insert(BuddyEntry::makeGroup("11", "Empty"), list.root());
    const ContactBook book = contactsOfList(list);
    ASSERT_EQ(book.contacts.size(), 2u);
    EXPECT_EQ(book.contacts[0].nickname, "Ann");
    EXPECT_EQ(book.contacts[0].cellPhone, "+491701234567");
    EXPECT_EQ(book.contacts[0].groups, std::vector<std::string>{"Family"});
    EXPECT_EQ(book.groups, (std::vector<std::string>{"Family", "Empty"}));
    EXPECT_EQ(contactsOfGroup(*list.findGroupByName("Family")).contacts.size(), 2u);
}

} // namespace
} // namespace textowl
