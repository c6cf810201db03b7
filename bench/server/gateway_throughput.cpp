// Messages per second through the whole service to Kannel, beside a plain loop posting the same
// requests straight to Kannel's sendsms, both against one Kannel with its fake operator.
//
//   gateway_throughput [--messages 1000] [--clients 4]
//
// The service runs in this process on loopback with a temporary database. Its figure counts from
// the first apiSendSms to the moment every message is delivered; the plain loop's from its first
// request to the moment the fake operator has logged every message. The service should reach at
// least 0.8 of the plain loop: then Kannel, not the service, sets the pace.

#include "server/gateway/gateway_dispatcher.h"
#include "server/gateway/sendsms_client.h"
#include "server/host/http_server.h"
#include "server/host/service_host.h"
#include "server/service/service.h"
#include "service/result_document.h"
#include "service/service_proxy.h"
#include "service/utf.h"
#include "support/kannel_gateway.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace textowl::bench {
namespace {

using Clock = std::chrono::steady_clock;
using namespace textowl::server;

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

std::string number(int i) {
    return std::to_string(46720000000 + i);
}

// Waits until the fake operator has logged count messages in all.
void awaitOperator(const test::KannelGateway& kannel, std::size_t count) {
    if (!kannel.waitForDeliveries(count, std::chrono::minutes(5))) {
        std::fprintf(stderr, "the fake operator logged only %zu of %zu messages\n",
                     kannel.deliveries().size(), count);
        std::exit(1);
    }
}

double plainLoop(const test::KannelGateway& kannel, int messages, const std::string& reports) {
    SendsmsClient client(*GatewayUrl::parse(kannel.sendsmsUrl()));
    const std::size_t before = kannel.deliveries().size();
    const auto start = Clock::now();
    for (int i = 0; i < messages; ++i) {
        std::string detail;
        const SmsSubmission sms{"bench", number(i), "Throughput",
                                false,   false,     reportUrl(reports, 1000000 + i, "plain")};
        if (client.submit(sms, detail) != GatewayAnswer::Accepted) {
            std::fprintf(stderr, "sendsms refused a plain request: %s\n", detail.c_str());
            std::exit(1);
        }
    }
    awaitOperator(kannel, before + static_cast<std::size_t>(messages));
    return messages / seconds(Clock::now() - start);
}

std::string signIn(ServiceProxy& proxy) {
    ServiceText reply;
    proxy.apiValidateLogin(utf8ToUtf16("bench"), utf8ToUtf16("bench"), &reply);
    ResultDocument doc;
    return succeeded(checkResult(reply, doc)) ? resultElement(doc, "ticket").value_or("") : "";
}

double throughService(Store& store, const std::string& endpoint, int messages, int clients) {
    std::vector<std::string> tickets;
    for (int c = 0; c < clients; ++c) {
        ServiceProxy proxy(endpoint);
        tickets.push_back(signIn(proxy));
    }
    const auto start = Clock::now();
    std::atomic<int> next{0};
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            ServiceProxy proxy(endpoint);
            const ServiceText ticket = utf8ToUtf16(tickets[c]);
            for (int i = next++; i < messages; i = next++) {
                ServiceText reply;
                proxy.apiSendSms(ticket, utf8ToUtf16("bench"), utf8ToUtf16(number(i)),
                                 utf8ToUtf16("Throughput"), utf8ToUtf16("text"), utf8ToUtf16("0"),
                                 utf8ToUtf16(""), &reply);
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    std::printf("accepted %d messages through SOAP in %.2f s\n", messages,
                seconds(Clock::now() - start));
    for (;;) {
        const auto rows = store.outbox().list("bench");
        const auto delivered = std::count_if(rows.begin(), rows.end(), [](const auto& m) {
            return m.state == MessageState::Delivered;
        });
        if (delivered == messages) {
            break;
        }
        if (seconds(Clock::now() - start) > 300) {
            std::fprintf(stderr, "only %ld of %d messages were delivered\n",
                         static_cast<long>(delivered), messages);
            std::exit(1);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return messages / seconds(Clock::now() - start);
}

} // namespace
} // namespace textowl::bench

int main(int argc, char** argv) {
    using namespace textowl;
    using namespace textowl::server;
    int messages = 1000;
    int clients = 4;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--messages") {
            messages = std::max(1, std::atoi(argv[i + 1]));
        } else if (name == "--clients") {
            clients = std::max(1, std::atoi(argv[i + 1]));
        }
    }
    if (const std::string missing = test::KannelGateway::missingPrograms(); !missing.empty()) {
        std::fprintf(stderr, "Kannel is not installed: %s\n", missing.c_str());
        return 1;
    }
    test::TempDir dir;
    test::KannelGateway kannel(dir.path());
    if (!kannel.ready()) {
        std::fprintf(stderr, "%s\n", kannel.failure().c_str());
        return 1;
    }
    HostConfig config;
    config.database = dir.file("service.db").string();
    config.service.hashCost = HashCost::Minimum;
    config.service.diagnostics = [](const std::string& line) {
        std::fprintf(stderr, "%s\n", line.c_str());
    };
    DispatcherOptions& dispatch = config.gateway.emplace();
    dispatch.gateway = *GatewayUrl::parse(kannel.sendsmsUrl());
    dispatch.diagnostics = config.service.diagnostics;
    ServiceHost host(std::move(config));
    host.service().createAccount("bench", "bench", std::int64_t{messages} * 100);
    if (!host.bind()) {
        return 1;
    }
    host.start();
    PagewrightServer& server = host.server();
    const std::string publicUrl = "http://" + host.service().publicHost();

    const double plain = bench::plainLoop(kannel, messages, publicUrl);
    const double dispatched =
        bench::throughService(host.store(), server.endpointUrl(), messages, clients);
    std::printf("plain sendsms loop:   %8.1f messages/s\n", plain);
    std::printf("service to delivered: %8.1f messages/s (%d SOAP clients)\n", dispatched, clients);
    std::printf("ratio:                %8.2f (target >= 0.80)\n", dispatched / plain);
    host.stop();
    return 0;
}
