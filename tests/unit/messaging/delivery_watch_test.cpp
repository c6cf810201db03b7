#include "messaging/delivery_watch.h"

#include <gtest/gtest.h>

namespace textowl {
namespace {

// The service's clock runs an hour ahead of ours; only the session's age links the two.
constexpr std::int64_t kServiceNow = 1'800'000'000 + 3600;

MessageStatus at(std::int64_t id, const char* state, std::int64_t secondsAgo) {
    return {id, "4670" + std::to_string(id), state, "", "0", kServiceNow - secondsAgo};
}

std::string ids(const std::vector<DeliveryNotice>& notices) {
    std::string out;
    for (const DeliveryNotice& n : notices)
        out += std::to_string(n.message.id) + (n.failed ? "!" : "+") + " ";
    return out;
}

TEST(DeliveryWatch, AnnouncesEachOutcomeOfTheSessionOnceAndAsksFromTheOldestUnderWay) {
    DeliveryWatch watch;
    const std::int64_t sessionAge = 600;
    const struct {
        std::vector<MessageStatus> answer;
        std::string announced;
        std::int64_t since;
        bool waiting;
    } steps[] = {
        // Settled before the session: passed over. Ours: one failed, two under way.
        {{at(3, "failed", 5000), at(4, "rejected", 700), at(5, "failed", 10), at(6, "queued", 10),
          at(7, "submitted", 10), at(8, "exploded", 10)},
         "5! ",
         5,
         true},
        {{at(5, "failed", 10), at(6, "undelivered", 1), at(7, "accepted", 1)}, "6! ", 6, true},
        {{at(7, "delivered", 0), at(9, "rejected", 0)}, "9! ", 9, false},
        {{at(9, "rejected", 0)}, "", 9, false},
        {{}, "", 9, false},
    };
    for (const auto& step : steps) {
        EXPECT_EQ(ids(watch.take(step.answer, sessionAge)), step.announced);
        EXPECT_EQ(watch.since(), step.since);
        EXPECT_EQ(watch.waiting(), step.waiting);
    }
}

} // namespace
} // namespace textowl
