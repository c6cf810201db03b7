#include "service_fixture.h"

#include <algorithm>

namespace textowl::server {
namespace {

using testing_support::EveryStoreTest;

// apiGetMessageStates over messages that the gateway and its reports took to each state.
class MessageStates : public EveryStoreTest {
protected:
    // Queues one message per recipient for the account, parts as given, and returns their ids.
    std::vector<std::int64_t> queue(const std::string& user,
                                    const std::vector<std::pair<std::string, int>>& messages) {
        const AccountId account = store().accounts().find(user)->id;
        for (const auto& [to, parts] : messages) {
            OutboxMessage m{0,
                            {},
                            user,
                            to,
                            "text",
                            false,
                            "2026-12-07 10:00:00",
                            parts,
                            "hi",
                            MessageState::Queued,
                            0,
                            m_now.load(),
                            "secret-" + to};
            EXPECT_EQ(store().outbox().queue(account, {m}, parts * 100, m_now), Err::Ok);
        }
        std::vector<std::int64_t> ids;
        for (const ClaimedMessage& c : store().outbox().claimDue(m_now, 100)) {
            ids.push_back(c.id);
        }
        std::sort(ids.begin(), ids.end()); // claims come back in no particular order
        return ids;
    }

    // Each message as "to state reason credits_returned", oldest first; or the err.
    std::string states(const std::string& ticket, const std::string& since) {
        const auto reply = call("apiGetMessageStates", {{"ticket", ticket}, {"since", since}});
        if (reply.err != "0") {
            return "err " + reply.err;
        }
        std::string out;
        for (pugi::xml_node m : reply.root().children("message")) {
            out += std::string(m.attribute("to").value()) + " " + m.attribute("state").value() +
                   " '" + m.attribute("reason").value() + "' " +
                   m.attribute("credits_returned").value() + " " + m.attribute("updated").value() +
                   "\n";
        }
        return out;
    }
};

TEXTOWL_ON_EVERY_STORE(MessageStates);

TEST_P(MessageStates, SinceOwnershipStatesAndReasonsThroughTheOperation) {
    const std::string alice = signedIn("alice");
    const std::string bob = signedIn("bob");
    const auto ids =
        queue("alice", {{"111", 1}, {"222", 2}, {"333", 1}, {"444", 1}, {"555", 3}, {"666", 1}});
    queue("bob", {{"999", 1}});
    store().outbox().recordAnswers(
        {{ids[0], DispatchAnswer::Kind::Final, 0, MessageState::Failed,
          "HTTP 400: Number(s) has/have been denied by white- and/or black-lists."},
         {ids[1], DispatchAnswer::Kind::HandedOver, 0, {}, {}},
         {ids[2], DispatchAnswer::Kind::HandedOver, 0, {}, {}},
         {ids[3], DispatchAnswer::Kind::HandedOver, 0, {}, {}},
         {ids[4], DispatchAnswer::Kind::HandedOver, 0, {}, {}}},
        m_now);
    const std::pair<int, int> reports[] = {{1, 16}, {2, 2}, {3, 1}, {3, 2}, {4, 8}};
    for (const auto& [index, type] : reports) {
        const std::string to = std::to_string((index + 1) * 111);
        store().reports().apply(ids[index], "secret-" + to, type, m_now, "said <no> & " + to);
    }
    // 2023-11-14 22:13:20 is the fixture's clock.
    const std::string all = "111 failed 'HTTP 400: Number(s) has/have been denied by white- and/or "
                            "black-lists.' 1 2023-11-14 22:13:20\n"
                            "222 rejected 'said <no> & 222' 2 2023-11-14 22:13:20\n"
                            "333 undelivered 'said <no> & 333' 0 2023-11-14 22:13:20\n"
                            "444 delivered '' 0 2023-11-14 22:13:20\n"
                            "555 accepted '' 0 2023-11-14 22:13:20\n"
                            "666 submitted '' 0 2023-11-14 22:13:20\n";
    const struct {
        const std::string& ticket;
        std::string since;
        std::string expected;
    } cases[] = {
        {alice, "0", all},
        {alice, std::to_string(ids[2]), all.substr(all.find("444"))},
        {alice, std::to_string(ids[5]), ""},
        {alice, "9999999", ""},
        {bob, "0", "999 submitted '' 0 2023-11-14 22:13:20\n"},
        {alice, "-1", "err 3"},
        {alice, "1.5", "err 3"},
        {std::string(64, 'f'), "0", "err 1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(states(c.ticket, c.since), c.expected) << "since " << c.since;
    }
    EXPECT_EQ(balance(alice), "4"); // 10 - 9 sent + 3 returned for the failed and the rejected
}

} // namespace
} // namespace textowl::server
