#include "service/element_hash.h"
#include "service/operation_map.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace textowl {
namespace {

std::vector<std::string> inNames(const OperationMap& op) {
    std::vector<std::string> names;
    for (const ParameterEntry& e : op.parameters()) {
        if (e.isIn()) {
            names.emplace_back(e.name);
        }
    }
    return names;
}

struct Contract {
    OperationId id;
    std::vector<std::string> in;
};

const std::vector<std::string> kSend{"ticket",   "sms_from", "sms_to",  "msg_content",
                                     "msg_type", "unicode",  "schedule"};

TEST(OperationMaps, InParametersFollowTheContractOrder) {
    const std::vector<Contract> contract{
        {OperationId::apiValidateLogin, {"user", "password"}},
        {OperationId::apiLogout, {"ticket"}},
        {OperationId::apiAddBuddy,
         {"ticket", "bgid", "firstname", "lastname", "nickname", "cellphone", "email", "birthday"}},
        {OperationId::apiUpdateBuddy,
         {"ticket", "bid", "firstname", "lastname", "nickname", "cellphone", "email", "birthday"}},
        {OperationId::apiRemoveBuddy, {"ticket", "bid", "bgid"}},
        {OperationId::apiCopyBuddy, {"ticket", "bid", "bgid_from", "bgid_to"}},
        {OperationId::apiMoveBuddy, {"ticket", "bid", "bgid_from", "bgid_to"}},
        {OperationId::apiUpdateBuddyGroup, {"ticket", "bgid", "name"}},
        {OperationId::apiSendSms, kSend},
        {OperationId::apiSendSmsToGroup, kSend},
        {OperationId::apiSendSmsToList, kSend},
        {OperationId::apiUpdateBuddyBulkList, {"ticket", "bblid", "name"}},
        {OperationId::apiSetPreferenceSender, {"ticket", "sender"}},
    };
    for (const Contract& c : contract) {
        EXPECT_EQ(inNames(operationMap(c.id)), c.in) << operationMap(c.id).name;
    }
}

TEST(OperationMaps, EveryMapEndsWithANullableReturnInItsLastSlot) {
    for (int i = 0; i < kOperationCount; ++i) {
        const OperationMap& op = operationMap(static_cast<OperationId>(i));
        const auto params = op.parameters();
        ASSERT_FALSE(params.empty());
        const ParameterEntry& last = params.back();
        EXPECT_EQ(last.name, "return") << op.name;
        EXPECT_TRUE(last.isOut() && last.isNullable() && !last.isIn()) << op.name;
        EXPECT_EQ(last.slot, params.size() - 1) << op.name;
        EXPECT_EQ(op.recordSize, params.size()) << op.name;
        EXPECT_EQ(op.resultCount, 1);
        for (const ParameterEntry& e : params) {
            EXPECT_EQ(e.hash, elementHash(e.wideName)) << e.name;
            EXPECT_EQ(e.wideName.size(), e.name.size());
        }
        EXPECT_EQ(op.hash, elementHash(op.wideName));
        EXPECT_EQ(op.ns, "urn:Pagewright");
    }
}

TEST(OperationMaps, OnlyInvokedOperationsCarryASoapActionLine) {
    int invoked = 0;
    for (int i = 0; i < kOperationCount; ++i) {
        const auto id = static_cast<OperationId>(i);
        const OperationMap& op = operationMap(id);
        if (isInvoked(id)) {
            ++invoked;
            EXPECT_EQ(op.soapActionLine,
                      "SOAPAction: \"urn:Pagewright#" + std::string(op.name) + "\"\r\n");
        } else {
            EXPECT_TRUE(op.soapActionLine.empty()) << op.name;
        }
    }
    EXPECT_EQ(invoked, 17);
    EXPECT_EQ(operationMap(OperationId::apiGetInterface).soapActionLine,
              "SOAPAction: \"urn:Pagewright#apiGetInterface\"\r\n");
}

TEST(OperationMaps, HeaderMapsAreEmptyAndShareNameAndNamespace) {
    for (int i = 0; i < kOperationCount; ++i) {
        const auto id = static_cast<OperationId>(i);
        EXPECT_EQ(headerMap(id).kind, MapKind::Header);
        EXPECT_EQ(headerMap(id).name, operationMap(id).name);
        EXPECT_TRUE(headerMap(id).parameters().empty());
        EXPECT_EQ(headerMap(id).resultCount, 0);
    }
}

TEST(OperationMaps, FindOperationIsExactAndCaseSensitive) {
    EXPECT_EQ(findOperation("apiSendSmsToGroup"), OperationId::apiSendSmsToGroup);
    EXPECT_EQ(findOperation("apiGetPreference"), OperationId::apiGetPreference);
    EXPECT_FALSE(findOperation("apisendsms"));
    EXPECT_FALSE(findOperation("apiSendSm"));
}

} // namespace
} // namespace textowl
