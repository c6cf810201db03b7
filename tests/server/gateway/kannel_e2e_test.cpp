// The client's proxy, the service and real Kannel with its fake operator.
#include "gateway_harness.h"
#include "server/soap/wire_values.h"
#include "support/service_process.h"

#include <csignal>
#include <iostream>
#include <map>
#include <set>
#include <sstream>

namespace textowl::server::gateway_test {
namespace {

using test::FakeDelivery;
using test::KannelGateway;
using test::ServiceProcess;
using test::TempDir;

class KannelEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        REQUIRE_KANNEL();
        m_kannel = std::make_unique<KannelGateway>(m_kannelDir.path());
        ASSERT_TRUE(m_kannel->ready()) << m_kannel->failure();
        m_service = std::make_unique<ServiceWithGateway>(m_kannel->sendsmsUrl());
    }

    // smsbox keeps its report connections open; once it is gone the service stops at once.
    void TearDown() override {
        m_kannel.reset();
        m_service.reset();
    }

    TempDir m_kannelDir;
    std::unique_ptr<KannelGateway> m_kannel;
    std::unique_ptr<ServiceWithGateway> m_service;
};

TEST_F(KannelEndToEnd, TextsArriveAsWrittenAndAreDelivered) {
    const std::string gsm = "Hello {team}, 5 \xE2\x82\xAC each";
    const std::string unicode = "Hej \xC3\xA5 \xF0\x9F\x98\x80";
    ASSERT_EQ(m_service->send("46700000001", gsm), "0");
    ASSERT_EQ(m_service->send("46700000002", unicode), "0");
    ASSERT_TRUE(m_kannel->waitForDeliveries(2, std::chrono::seconds(20)));
    std::map<std::string, FakeDelivery> byRecipient;
    for (const FakeDelivery& d : m_kannel->deliveries()) {
        byRecipient[d.to] = d;
    }
    EXPECT_EQ(byRecipient["46700000001"].type, "text");
    EXPECT_EQ(byRecipient["46700000001"].text, gsm);
    EXPECT_EQ(byRecipient["46700000002"].type, "ucs-2");
    EXPECT_EQ(byRecipient["46700000002"].text, unicode);
    EXPECT_EQ(byRecipient["46700000002"].from, "demo");
    EXPECT_TRUE(waitFor([&] { return m_service->allIn(MessageState::Delivered); }));
}

TEST_F(KannelEndToEnd, AGroupSendGivesOneDeliveryPerMember) {
    ASSERT_EQ(m_service->send("Family", "Dinner at six", true), "0");
    ASSERT_TRUE(waitFor([&] { return m_service->allIn(MessageState::Delivered); }));
    std::multiset<std::string> recipients;
    for (const FakeDelivery& d : m_kannel->deliveries()) {
        recipients.insert(d.to);
    }
    EXPECT_EQ(recipients, (std::multiset<std::string>{"46704567890", "46705678901"}));
}

TEST_F(KannelEndToEnd, AScheduledMessageGoesOutOnceAtItsTime) {
    const std::int64_t dueAt = m_service->service().now() + 2;
    const std::string due = formatLocalTimestamp(dueAt);
    ASSERT_EQ(m_service->send("46700000003", "Later", false, "text", due), "0");
    ASSERT_TRUE(m_kannel->waitForDeliveries(1, std::chrono::seconds(20)));
    // Both clocks are this machine's, logged to the second; Kannel reads the coarse clock, which
    // may still show the second before for a few milliseconds after it has turned.
    EXPECT_GE(m_kannel->deliveries().at(0).loggedAt, formatLocalTimestamp(dueAt - 1));
    ASSERT_TRUE(waitFor([&] { return m_service->allIn(MessageState::Delivered); }));
    EXPECT_EQ(m_kannel->deliveries().size(), 1u);
}

// States of the outbox as pagewright-service prints them, by message id.
std::map<std::string, std::string> outboxStates(const std::string& database) {
    ServiceProcess outbox(PAGEWRIGHT_SERVICE_EXE, {"outbox", "--db", database});
    std::istringstream lines(outbox.stdoutRest());
    outbox.wait();
    std::map<std::string, std::string> states;
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');) {
            fields.push_back(cell);
        }
        if (fields.size() >= 11) {
            states[fields[0]] = fields[9];
        }
    }
    return states;
}

TEST(KannelCrash, AKilledServiceNeverSendsAMessageTwice) {
    REQUIRE_KANNEL();
    TempDir dir;
    KannelGateway kannel(dir.path());
    ASSERT_TRUE(kannel.ready()) << kannel.failure();
    const std::string database = dir.file("service.db").string();
    const std::vector<std::string> serveArgs{"--hash-cost", "min", "--gateway",
                                             kannel.sendsmsUrl()};
    ServiceProcess addUser(PAGEWRIGHT_SERVICE_EXE, {"add-user", "--db", database, "--hash-cost",
                                                    "min", "bulk", "pw", "500"});
    ASSERT_EQ(addUser.wait(), 0);

    constexpr int kMessages = 200;
    std::string listen;
    {
        auto service = ServiceProcess::serve(PAGEWRIGHT_SERVICE_EXE, database, serveArgs);
        ASSERT_TRUE(service->ready()) << service->stderrAll();
        // Report addresses name this port: the restarted service takes it over.
        const std::string& endpoint = service->endpoint();
        listen = endpoint.substr(7, endpoint.find('/', 7) - 7);
        ServiceProxy proxy(endpoint);
        ServiceText reply;
        proxy.apiValidateLogin(u("bulk"), u("pw"), &reply);
        ResultDocument doc;
        ASSERT_TRUE(succeeded(checkResult(reply, doc)));
        const std::string ticket = resultElement(doc, "ticket").value_or("");
        std::string numbers;
        for (int i = 0; i < kMessages; ++i) {
            numbers += (i ? "," : "") + std::to_string(46710000000 + i);
        }
        ASSERT_TRUE(succeeded(proxy.apiSendSms(u(ticket), u("bulk"), u(numbers), u("Crash test"),
                                               u("text"), u("0"), u(""), &reply)));
        ASSERT_TRUE(kannel.waitForDeliveries(20, std::chrono::seconds(30)));
        service->signal(SIGKILL);
        service->wait();
    }
    const std::size_t beforeRestart = kannel.deliveries().size();

    std::vector<std::string> restartArgs = serveArgs;
    restartArgs.insert(restartArgs.end(), {"--listen", listen});
    auto restarted = ServiceProcess::serve(PAGEWRIGHT_SERVICE_EXE, database, restartArgs);
    ASSERT_TRUE(restarted->ready());
    std::map<std::string, int> counts;
    const bool settled = waitFor(
        [&] {
            counts.clear();
            for (const auto& [id, state] : outboxStates(database)) {
                ++counts[state];
            }
            return counts["delivered"] + counts["unknown"] == kMessages;
        },
        std::chrono::seconds(90));
    std::map<std::string, int> perRecipient;
    for (const FakeDelivery& d : kannel.deliveries()) {
        ++perRecipient[d.to];
    }
    int duplicates = 0;
    for (const auto& [to, n] : perRecipient) {
        duplicates += n > 1 ? n - 1 : 0;
    }
    std::ostringstream states;
    for (const auto& [state, n] : counts) {
        states << " " << state << " " << n;
    }
    std::cout << "crash: " << beforeRestart << " at the operator when killed, "
              << kannel.deliveries().size() << " in the end; delivered " << counts["delivered"]
              << ", unknown " << counts["unknown"] << ", duplicates " << duplicates
              << "; states:" << states.str() << std::endl;
    EXPECT_TRUE(settled);
    EXPECT_EQ(duplicates, 0);
    EXPECT_EQ(counts["delivered"] + counts["unknown"], kMessages);
}

} // namespace
} // namespace textowl::server::gateway_test
