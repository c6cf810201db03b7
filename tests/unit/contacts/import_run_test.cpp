#include "contact_rows.h"
#include "contacts/import_run.h"
#include "service/utf.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace textowl {
namespace {

// A call as the service would see it: what is made, added or copied where.
std::string describe(const ImportCall& call) {
    const auto in = [&call](std::size_t at) { return utf16ToUtf8(*call.parameters.at(at)); };
    switch (call.operation) {
    case OperationId::apiAddBuddyGroup:
        return "group " + in(1);
    case OperationId::apiAddBuddy:
        return "add " + in(4) + " to " + in(1);
    case OperationId::apiCopyBuddy:
        return "copy " + in(1) + " from " + in(2) + " to " + in(3);
    default:
        return "other";
    }
}

struct RunCase {
    const char* name;
    std::string ticket;
    std::string refused; // the call the service turns down, as described
    int cancelAfter;     // answers handed in before Cancel; 0 for none
    std::vector<std::string> calls;
    std::vector<RowOutcome> rows;
    int groupsCreated;
    int groupsFailed;
};

class ImportRunSteps : public testing::TestWithParam<RunCase> {};

// Ann in two groups, Bob at the top level, Cy in the second group, and a group without anyone.
TEST_P(ImportRunSteps, HandsOutEachCallAndTakesItsAnswer) {
    const RunCase& c = GetParam();
    BuddyList list;
    list.fill(BuddyEntry::makeRoot());
    const ContactBook book{{contact("Ann", "+491701234561", {"Family", "Friends"}),
                            contact("Bob", "+491701234562", {}),
                            contact("Cy", "+491701234563", {"Friends"})},
                           {"Club"}};
    const ImportPlan plan = planImport(list, book, "DE");
    ImportRun run(list, plan, {}, c.ticket);
    ASSERT_EQ(run.rowsToImport(), 3u);
    std::vector<std::string> asked;
    int ids = 0;
    for (int answers = 1; const ImportCall* call = run.nextCall(); ++answers) {
        asked.push_back(describe(*call));
        const std::string id = std::to_string(++ids);
        const std::string result = asked.back() == c.refused ? "<r err='2'/>"
                                   : call->operation == OperationId::apiAddBuddyGroup
                                       ? "<r err='0'><bgid>g" + id + "</bgid></r>"
                                   : call->operation == OperationId::apiAddBuddy
                                       ? "<r err='0'><bid>b" + id + "</bid></r>"
                                       : "<r err='0'/>";
        run.answer(S_OK, utf8ToUtf16(result));
        if (answers == c.cancelAfter)
            run.cancel();
    }
    EXPECT_TRUE(run.finished());
    EXPECT_EQ(asked, c.calls);
    EXPECT_EQ(run.report().rows, c.rows);
    EXPECT_EQ(run.report().groupsCreated, c.groupsCreated);
    EXPECT_EQ(run.report().groupsFailed, c.groupsFailed);
    EXPECT_EQ(run.rowsImported(),
              static_cast<std::size_t>(c.rows.size() - std::count(c.rows.begin(), c.rows.end(),
                                                                  RowOutcome::NotReached)));
    // Every accepted group and placement is in the list, as the service holds them.
    std::size_t lines = 0;
    for (const auto& child : list.root().children)
        lines += 1 + child->children.size();
    std::size_t accepted = 0;
    for (const std::string& call : asked)
        accepted += call != c.refused;
    EXPECT_EQ(lines, accepted);
}

using enum RowOutcome;
const std::vector<std::string> kAllCalls{
    "group Family", "group Friends", "add Ann to g1", "copy b3 from g1 to g2",
    "add Bob to 0", "add Cy to g2",  "group Club"};

INSTANTIATE_TEST_SUITE_P(
    Import, ImportRunSteps,
    testing::Values(
        RunCase{"AllAccepted", "t", "", 0, kAllCalls, {Added, Added, Added}, 3, 0},
        RunCase{"ARefusedGroupFailsItsRowOnly",
                "t",
                "group Family",
                0,
                {"group Family", "add Bob to 0", "group Friends", "add Cy to g3", "group Club"},
                {Failed, Added, Added},
                2,
                1},
        RunCase{"ARefusedCopyKeepsTheAddedBuddy",
                "t",
                "copy b3 from g1 to g2",
                0,
                kAllCalls,
                {Failed, Added, Added},
                3,
                0},
        RunCase{"CancelFinishesTheRowInHand",
                "t",
                "",
                1,
                {"group Family", "group Friends", "add Ann to g1", "copy b3 from g1 to g2"},
                {Added, NotReached, NotReached},
                2,
                0},
        RunCase{"WithoutATicketNothingIsAsked", "", "", 0, {}, {Failed, Failed, Failed}, 0, 3}),
    [](const testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace textowl
