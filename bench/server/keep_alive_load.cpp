// Drives pagewright-service with N kept-alive clients calling apiBalanceSms as fast as each gets
// its answer, and prints calls per second with the median and 99th percentile latency.
//
//   keep_alive_load [--seconds S] [--clients 1,8,64]
//
// The service runs in this process on loopback with a temporary database and one signed-in
// account; every client is the application's own ServiceProxy on its own connection.

#include "server/http_server.h"
#include "server/service.h"
#include "service/result_document.h"
#include "service/service_proxy.h"
#include "service/utf.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace textowl::bench {
namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    double seconds = 3.0;
    std::vector<int> clients{1, 8, 64};
};

std::vector<int> parseList(const char* text) {
    std::vector<int> values;
    for (const char* p = text; *p != '\0';) {
        char* end = nullptr;
        const long value = std::strtol(p, &end, 10);
        if (end == p || value <= 0) {
            break;
        }
        values.push_back(static_cast<int>(value));
        p = *end == ',' ? end + 1 : end;
    }
    return values;
}

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--seconds") {
            options.seconds = std::atof(argv[i + 1]);
        } else if (name == "--clients") {
            options.clients = parseList(argv[i + 1]);
        }
    }
    return options;
}

std::string signIn(const std::string& endpoint) {
    ServiceProxy proxy(endpoint);
    ServiceText result;
    ResultDocument doc;
    if (failed(proxy.apiValidateLogin(u"bench", u"bench", &result)) ||
        failed(checkResult(result, doc))) {
        return {};
    }
    return resultElement(doc, "ticket").value_or("");
}

struct Round {
    std::vector<double> latenciesMs;
    double seconds = 0;
    int failures = 0;
};

// Every client calls until the time is up; latencies are gathered per client, merged after.
Round runRound(const std::string& endpoint, const std::string& ticket, int clients,
               double seconds) {
    std::vector<std::vector<double>> perClient(static_cast<std::size_t>(clients));
    std::atomic<int> failures{0};
    std::atomic<bool> go{false};
    const auto until = [&] {
        return Clock::now() +
               std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    };
    Clock::time_point end;
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            ServiceProxy proxy(endpoint);
            const ServiceText in = utf8ToUtf16(ticket);
            ServiceText result;
            proxy.apiBalanceSms(in, &result); // connects before the clock starts
            go.wait(false);
            auto& mine = perClient[static_cast<std::size_t>(c)];
            for (Clock::time_point start = Clock::now(); start < end; start = Clock::now()) {
                if (failed(proxy.apiBalanceSms(in, &result))) {
                    ++failures;
                }
                mine.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            }
        });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const Clock::time_point begin = Clock::now();
    end = until();
    go = true;
    go.notify_all();
    for (std::thread& t : threads) {
        t.join();
    }
    Round round;
    round.seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    round.failures = failures;
    for (const auto& mine : perClient) {
        round.latenciesMs.insert(round.latenciesMs.end(), mine.begin(), mine.end());
    }
    std::sort(round.latenciesMs.begin(), round.latenciesMs.end());
    return round;
}

double percentile(const std::vector<double>& sorted, double p) {
    if (sorted.empty()) {
        return 0;
    }
    const auto at = static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1));
    return sorted[at];
}

int run(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    std::string pattern =
        (std::filesystem::temp_directory_path() / "pagewright-load-XXXXXX").string();
    const std::filesystem::path dir = mkdtemp(pattern.data());
    int status = 0;
    {
        server::ServiceConfig config;
        config.databasePath = (dir / "service.db").string();
        config.hashCost = server::HashCost::Minimum;
        server::PagewrightService service(config);
        service.createAccount("bench", "bench", 1000 * 100);
        server::PagewrightServer server(service, server::ServerOptions{});
        if (!server.bind()) {
            std::fprintf(stderr, "cannot listen on loopback\n");
            return 1;
        }
        server.start();
        const std::string ticket = signIn(server.endpointUrl());
        if (ticket.empty()) {
            std::fprintf(stderr, "sign-in failed\n");
            return 1;
        }
        std::printf("%8s %10s %10s %10s %10s %8s\n", "clients", "calls", "calls/s", "median ms",
                    "p99 ms", "failed");
        for (int clients : options.clients) {
            const Round r = runRound(server.endpointUrl(), ticket, clients, options.seconds);
            const auto calls = static_cast<double>(r.latenciesMs.size());
            std::printf("%8d %10.0f %10.0f %10.3f %10.3f %8d\n", clients, calls, calls / r.seconds,
                        percentile(r.latenciesMs, 0.5), percentile(r.latenciesMs, 0.99),
                        r.failures);
            std::fflush(stdout);
            status = r.failures > 0 ? 1 : status;
        }
    }
    std::filesystem::remove_all(dir);
    return status;
}

} // namespace
} // namespace textowl::bench

int main(int argc, char** argv) {
    return textowl::bench::run(argc, argv);
}
