#include "buddylist/buddy_operation.h"
#include "service/utf.h"

#include <gtest/gtest.h>
#include <string>

namespace textowl {
namespace {

// A proxy stand-in that answers with a fixed status and result and counts its calls.
struct ScriptedCall {
    Status status = S_OK;
    ServiceText result;
    int calls = 0;

    ServiceCall call() {
        return [this](ServiceText& out) {
            ++calls;
            if (succeeded(status))
                out = result;
            return status;
        };
    }
};

ScriptedCall answering(const std::string& text) {
    return {S_OK, utf8ToUtf16(text), 0};
}

TEST(BuddyOperation, MissingTicketFailsWithoutCalling) {
    ScriptedCall service = answering("<r err='0'/>");
    EXPECT_LT(runBuddyOperation("", service.call()), 0);
    BuddyEntry root;
    EXPECT_LT(fetchBuddyList("", service.call(), root), 0);
    EXPECT_EQ(service.calls, 0);
}

struct OutcomeCase {
    const char* name;
    Status callStatus;
    ServiceText result;
    const char* requiredElement;
    bool succeeds;
    const char* value;
};

class BuddyOperationOutcome : public testing::TestWithParam<OutcomeCase> {};

TEST_P(BuddyOperationOutcome, SucceedsOnlyWhenEveryStepHolds) {
    const OutcomeCase& c = GetParam();
    ScriptedCall service{c.callStatus, c.result, 0};
    std::string value = "untouched";
    const Status status = runBuddyOperation("ticket", service.call(), c.requiredElement, &value);
    EXPECT_EQ(service.calls, 1);
    if (c.succeeds) {
        EXPECT_EQ(status, S_OK);
        EXPECT_EQ(value, c.value);
    } else {
        // Every failed step reads the same to the caller.
        EXPECT_EQ(status, E_FAIL);
        EXPECT_EQ(value, "untouched");
    }
}

ServiceText text(const char* utf8) {
    return utf8ToUtf16(utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, BuddyOperationOutcome,
    testing::Values(
        OutcomeCase{"Accepted", S_OK, text("<r err='0'/>"), "", true, "untouched"},
        OutcomeCase{"CallFailed", E_OUTOFMEMORY, text("<r err='0'/>"), "", false, ""},
        OutcomeCase{"NullResult", S_OK, std::nullopt, "", false, ""},
        OutcomeCase{"Refused", S_OK, text("<r err='2'><bid>9</bid></r>"), "bid", false, ""},
        OutcomeCase{"NotXml", S_OK, text("ok"), "", false, ""},
        OutcomeCase{"IdRead", S_OK, text("<r err='0'><bid>41</bid></r>"), "bid", true, "41"},
        OutcomeCase{"IdMissing", S_OK, text("<r err='0'><bgid>3</bgid></r>"), "bid", false, ""},
        OutcomeCase{"IdWithoutChildNode", S_OK, text("<r err='0'><bgid/></r>"), "bgid", false, ""},
        OutcomeCase{"IdNestedDeeperIsMissing", S_OK, text("<r err='0'><x><bid>1</bid></x></r>"),
                    "bid", false, ""}),
    [](const testing::TestParamInfo<OutcomeCase>& info) { return std::string(info.param.name); });

TEST(BuddyOperation, FetchParsesTheListOnSuccess) {
    ScriptedCall service =
        answering("<r err='0'><buddylist><buddy id='1' firstname='' lastname='' nickname='n' "
                  "cellphone='' email='' birthday=''/></buddylist></r>");
    BuddyEntry root;
    ASSERT_EQ(fetchBuddyList("t", service.call(), root), S_OK);
    ASSERT_EQ(root.children.size(), 1u);
    EXPECT_EQ(root.kind, EntryKind::Root);
    EXPECT_EQ(root.children[0].nickname, "n");
}

TEST(BuddyOperation, FetchFailsWhenTheCallFails) {
    ScriptedCall service{E_FAIL, std::nullopt, 0};
    BuddyEntry root;
    EXPECT_EQ(fetchBuddyList("t", service.call(), root), E_FAIL);
    EXPECT_EQ(service.calls, 1);
}

} // namespace
} // namespace textowl
