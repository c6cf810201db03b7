#include "server/store/message_state.h"

#include <gtest/gtest.h>

namespace textowl::server {
namespace {

using S = MessageState;

TEST(MessageStateRules, DeliveryReportsMoveForwardOnly) {
    struct Row {
        S current;
        int type;
        std::optional<S> next;
    };
    const Row rows[] = {
        {S::Submitted, 8, S::Accepted},   {S::Submitted, 4, S::Accepted},
        {S::Submitted, 1, S::Delivered},  {S::Submitted, 2, S::Undelivered},
        {S::Submitted, 16, S::Rejected},  {S::Accepted, 1, S::Delivered},
        {S::Accepted, 4, std::nullopt},   {S::Delivered, 8, std::nullopt},
        {S::Delivered, 2, std::nullopt},  {S::Undelivered, 1, std::nullopt},
        {S::Rejected, 1, std::nullopt},   {S::Failed, 1, std::nullopt},
        {S::Unknown, 1, S::Delivered},    {S::Unknown, 16, S::Rejected},
        {S::Held, 1, std::nullopt},       {S::Queued, 8, std::nullopt},
        {S::Submitted, 0, std::nullopt},  {S::Submitted, 3, std::nullopt},
        {S::Submitted, 32, std::nullopt}, {S::Submitted, -1, std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(stateAfterReport(row.current, row.type), row.next)
            << stateName(row.current) << " after a report of type " << row.type;
    }
}

TEST(MessageStateRules, OnlyFailedAndRejectedGiveCreditsBackAndNamesRoundTrip) {
    for (int i = 0; i <= static_cast<int>(S::Unknown); ++i) {
        const auto state = static_cast<S>(i);
        EXPECT_EQ(refundsCredits(state), state == S::Failed || state == S::Rejected);
        EXPECT_EQ(parseStateName(stateName(state)), state);
    }
    EXPECT_EQ(parseStateName("Delivered"), std::nullopt);
}

} // namespace
} // namespace textowl::server
