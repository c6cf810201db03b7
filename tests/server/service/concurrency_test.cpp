#include "service_fixture.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace textowl::server {
namespace {

using testing_support::Reply;
using testing_support::requestBody;
using testing_support::ServiceTest;

class Concurrency : public testing_support::EveryStoreTest {};
TEXTOWL_ON_EVERY_STORE(Concurrency);

// Eight clients at once over two accounts: every acknowledged change must be counted exactly
// once, and credit must never go below zero. On PostgreSQL half the clients of each account
// reach a second instance on the same database.
TEST_P(Concurrency, MixedClientsLeaveConsistentCountsAndBalances) {
    addUser("alice", "secret", 40 * 100);
    addUser("bob", "secret", 40 * 100);
    std::unique_ptr<ServiceHost> secondHost;
    PagewrightServer* second = nullptr;
    if (GetParam() == testing_support::StoreKind::Postgres) {
        HostConfig config;
        config.database = m_database;
        config.service.hashCost = HashCost::Minimum;
        config.service.clock = [this] { return m_now.load(); }; // instances share one clock
        secondHost = std::make_unique<ServiceHost>(std::move(config));
        ASSERT_TRUE(secondHost->bind());
        secondHost->start();
        second = &secondHost->server();
    }
    constexpr int kThreads = 8;
    // TEXTOWL_SOAK_SECONDS=60 turns the twelve rounds of each client into as many as fit.
    const char* soak = std::getenv("TEXTOWL_SOAK_SECONDS");
    const int kRounds = soak ? std::numeric_limits<int>::max() : 12;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(soak ? std::atoi(soak) : 3600);
    struct Tally {
        int rounds = 0, buddiesAdded = 0, buddiesDeleted = 0, groupsAdded = 0, sends = 0,
            refusedSends = 0;
    };
    std::vector<Tally> tallies(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            test::LoopbackClient client(second && t % 4 >= 2 ? second->port() : m_server->port());
            auto rpc = [&](const std::string& op, const testing_support::Params& params) {
                const auto res = client.post("/pagewright/soapserver.php", requestBody(op, params),
                                             "text/xml; charset=utf-8");
                return res ? testing_support::readReply(res->status, res->body) : Reply{};
            };
            const std::string user = t % 2 == 0 ? "alice" : "bob";
            // All sign in at once from one address, which holds only a few places in the
            // hashing queue: a busy answer is tried again, as the client's user would.
            Reply signIn;
            do {
                signIn = rpc("apiValidateLogin", {{"user", user}, {"password", "secret"}});
            } while (signIn.err == "7");
            const std::string ticket = signIn.child("ticket");
            Tally& tally = tallies[static_cast<std::size_t>(t)];
            for (int round = 0; round < kRounds && std::chrono::steady_clock::now() < deadline;
                 ++round) {
                ++tally.rounds;
                const std::string name = "g" + std::to_string(t) + "-" + std::to_string(round);
                const Reply group = rpc("apiAddBuddyGroup", {{"ticket", ticket}, {"name", name}});
                tally.groupsAdded += group.err == "0";
                const Reply buddy = rpc("apiAddBuddy", {{"ticket", ticket},
                                                        {"bgid", group.child("bgid")},
                                                        {"firstname", "F"},
                                                        {"lastname", ""},
                                                        {"nickname", name},
                                                        {"cellphone", "46700000001"},
                                                        {"email", ""},
                                                        {"birthday", ""}});
                tally.buddiesAdded += buddy.err == "0";
                rpc("apiCopyBuddy", {{"ticket", ticket},
                                     {"bid", buddy.child("bid")},
                                     {"bgid_from", group.child("bgid")},
                                     {"bgid_to", "0"}});
                const Reply sent = rpc("apiSendSms", {{"ticket", ticket},
                                                      {"sms_from", ""},
                                                      {"sms_to", "46700000001,46700000002"},
                                                      {"msg_content", "hi"},
                                                      {"msg_type", "text"},
                                                      {"unicode", "0"},
                                                      {"schedule", std::nullopt}});
                tally.sends += sent.err == "0";
                tally.refusedSends += sent.err == "6";
                if (round % 3 == 0) {
                    tally.buddiesDeleted +=
                        rpc("apiDeleteBuddy", {{"ticket", ticket}, {"bid", buddy.child("bid")}})
                            .err == "0";
                }
                rpc("apiGetBuddyList", {{"ticket", ticket}});
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    for (const std::string user : {"alice", "bob"}) {
        Tally sum;
        for (int t = user == "alice" ? 0 : 1; t < kThreads; t += 2) {
            const Tally& x = tallies[static_cast<std::size_t>(t)];
            sum.rounds += x.rounds;
            sum.buddiesAdded += x.buddiesAdded;
            sum.buddiesDeleted += x.buddiesDeleted;
            sum.groupsAdded += x.groupsAdded;
            sum.sends += x.sends;
            sum.refusedSends += x.refusedSends;
        }
        EXPECT_EQ(sum.groupsAdded, sum.rounds);
        EXPECT_EQ(sum.sends + sum.refusedSends, sum.rounds);
        EXPECT_EQ(sum.sends, 20); // 40 credits, two recipients a send
        const AccountId id = store().accounts().find(user)->id;
        const Store::Totals totals = store().totals(id);
        EXPECT_EQ(totals.groups, sum.groupsAdded) << user;
        EXPECT_EQ(totals.buddies, sum.buddiesAdded - sum.buddiesDeleted) << user;
        EXPECT_EQ(totals.placements, 2 * totals.buddies) << user;
        EXPECT_EQ(totals.messages, 2 * sum.sends) << user;
        EXPECT_EQ(store().accounts().balanceCents(id), 4000 - 100 * totals.messageParts) << user;
        EXPECT_EQ(store().accounts().balanceCents(id), 0) << user;
        if (soak) {
            std::printf("%s: %d rounds, %d groups, %lld buddies, %lld placements, %d sends "
                        "accepted, %d refused, %lld outbox rows, balance %lld\n",
                        user.c_str(), sum.rounds, sum.groupsAdded,
                        static_cast<long long>(totals.buddies),
                        static_cast<long long>(totals.placements), sum.sends, sum.refusedSends,
                        static_cast<long long>(totals.messages),
                        static_cast<long long>(store().accounts().balanceCents(id)));
        }
    }
}

} // namespace
} // namespace textowl::server
