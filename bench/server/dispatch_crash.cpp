// Kills pagewright-service with SIGKILL while it hands messages to a sendsms double, starts it
// again each time, and counts what became of every message:
//
//   dispatch_crash [--messages 1200] [--kills 5] [--answer-ms 20]
//
// The double answers every request 202 after --answer-ms, so that the kills find requests in
// flight. Prints the messages, the requests in flight at the kills, the unknown messages (never
// more than those), the recipients that got a message twice (0), and whether the credits
// balance: what the account had, less what was charged, plus what failed messages gave back.

#include "server/service/password_hasher.h"
#include "server/store/message_state.h"
#include "server/store/store.h"
#include "service/result_document.h"
#include "service/service_proxy.h"
#include "service/utf.h"
#include "support/sendsms_double.h"
#include "support/service_process.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>

namespace textowl::bench {
namespace {

using namespace textowl::server;
using test::SendsmsDouble;

int option(int argc, char** argv, const std::string& name, int fallback) {
    for (int i = 1; i + 1 < argc; i += 2) {
        if (argv[i] == name) {
            return std::atoi(argv[i + 1]);
        }
    }
    return fallback;
}

std::string signIn(ServiceProxy& proxy) {
    ServiceText reply;
    proxy.apiValidateLogin(utf8ToUtf16("bench"), utf8ToUtf16("demo"), &reply);
    ResultDocument doc;
    return succeeded(checkResult(reply, doc)) ? resultElement(doc, "ticket").value_or("") : "";
}

// Queues one message to each of messages recipients, a hundred to a call.
bool queue(const std::string& endpoint, int messages) {
    ServiceProxy proxy(endpoint);
    const ServiceText ticket = utf8ToUtf16(signIn(proxy));
    for (int first = 0; first < messages; first += 100) {
        std::string to;
        for (int i = first; i < std::min(messages, first + 100); ++i) {
            to += (i > first ? "," : "") + std::to_string(46730000000 + i);
        }
        ServiceText reply;
        ResultDocument doc;
        proxy.apiSendSms(ticket, utf8ToUtf16("bench"), utf8ToUtf16(to), utf8ToUtf16("Crash"),
                         utf8ToUtf16("text"), utf8ToUtf16("0"), utf8ToUtf16(""), &reply);
        if (!succeeded(checkResult(reply, doc))) {
            return false;
        }
    }
    return true;
}

int run(int argc, char** argv) {
    const int messages = option(argc, argv, "--messages", 1200);
    const int kills = option(argc, argv, "--kills", 5);
    SendsmsDouble gateway(std::chrono::milliseconds(option(argc, argv, "--answer-ms", 20)));
    test::TempDir dir;
    const std::string database = dir.file("service.db").string();
    const std::int64_t credit = std::int64_t{messages} * 100 + 500;
    {
        Store store(database);
        store.accounts().create("bench", kDemoPasswordHash, credit); // the password "demo"
    }
    const std::vector<std::string> serveArgs{"--gateway", gateway.url()};
    int inFlightAtKills = 0;
    for (int round = 0; round <= kills; ++round) {
        auto service = test::ServiceProcess::serve(PAGEWRIGHT_SERVICE_EXE, database, serveArgs);
        if (!service->ready()) {
            std::fprintf(stderr, "the service did not start: %s\n", service->stderrAll().c_str());
            return 1;
        }
        if (round == 0 && !queue(service->endpoint(), messages)) {
            std::fprintf(stderr, "queueing the messages failed\n");
            return 1;
        }
        if (round == kills) {
            // The last run sends the rest; a graceful stop lets it record the last answers.
            Store store(database);
            for (;;) {
                const auto rows = store.outbox().list("bench");
                if (gateway.inFlight() == 0 &&
                    std::none_of(rows.begin(), rows.end(), [](const OutboxMessage& m) {
                        return m.state == MessageState::Queued;
                    })) {
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            service->signal(SIGTERM);
            service->wait();
            break;
        }
        const long target = gateway.requests() + messages / (kills + 1);
        while (gateway.requests() < target) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        inFlightAtKills += gateway.inFlight();
        service->signal(SIGKILL);
        service->wait();
    }
    Store store(database);
    const auto rows = store.outbox().list("bench");
    std::map<MessageState, int> states;
    std::int64_t refunded = 0;
    for (const OutboxMessage& m : rows) {
        ++states[m.state];
        refunded += refundsCredits(m.state) ? m.parts * 100 : 0;
    }
    int twice = 0;
    for (const auto& [to, count] : gateway.received()) {
        twice += count > 1;
    }
    const std::int64_t balance = store.accounts().balanceCents(store.accounts().find("bench")->id);
    const std::int64_t expected = credit - std::int64_t{messages} * 100 + refunded;
    std::printf("messages %d, kills %d, requests %ld, in flight at the kills %d\n", messages, kills,
                gateway.requests(), inFlightAtKills);
    std::printf("unknown %d, handed over %d, failed %d, queued %d\n", states[MessageState::Unknown],
                states[MessageState::Submitted], states[MessageState::Failed],
                states[MessageState::Queued]);
    std::printf("recipients sent to twice %d, recipients never sent to %d\n", twice,
                messages - static_cast<int>(gateway.received().size()));
    std::printf("credits: balance %lld, expected %lld: %s\n", static_cast<long long>(balance),
                static_cast<long long>(expected),
                balance == expected ? "balanced" : "NOT balanced");
    return twice == 0 && balance == expected && states[MessageState::Unknown] <= inFlightAtKills
               ? 0
               : 1;
}

} // namespace
} // namespace textowl::bench

int main(int argc, char** argv) {
    return textowl::bench::run(argc, argv);
}
