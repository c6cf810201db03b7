#include "balance_load.h"

#include "service/result_document.h"
#include "service/service_proxy.h"
#include "service/utf.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace textowl::bench {
namespace {

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

} // namespace

LoadTarget::LoadTarget(server::HostConfig config) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "pagewright-load-XXXXXX").string();
    m_dir = mkdtemp(pattern.data());
    if (config.database.empty()) {
        config.database = (m_dir / "service.db").string();
    }
    m_host = std::make_unique<server::ServiceHost>(std::move(config));
    m_host->service().createAccount("bench", "bench", 1000 * 100);
    if (!m_host->bind()) {
        std::fprintf(stderr, "cannot listen on loopback\n");
        return;
    }
    m_host->start();
    m_ticket = signIn(endpoint());
    if (m_ticket.empty()) {
        std::fprintf(stderr, "sign-in failed\n");
    }
}

LoadTarget::~LoadTarget() {
    m_host.reset();
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
}

std::optional<std::string> optionValue(int argc, char** argv, std::string_view name) {
    for (int i = 1; i + 1 < argc; i += 2) {
        if (argv[i] == name) {
            return argv[i + 1];
        }
    }
    return std::nullopt;
}

double Round::percentile(double p) const {
    if (latenciesMs.empty()) {
        return 0;
    }
    const auto at = static_cast<std::size_t>(p * static_cast<double>(latenciesMs.size() - 1));
    return latenciesMs[at];
}

Round runRound(const std::string& endpoint, const std::string& ticket, int clients,
               double seconds) {
    return runRound(std::vector<std::string>{endpoint}, ticket, clients, seconds);
}

// Latencies are gathered per client and merged after, so that the clients share nothing.
Round runRound(const std::vector<std::string>& endpoints, const std::string& ticket, int clients,
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
            ServiceProxy proxy(endpoints[static_cast<std::size_t>(c) % endpoints.size()]);
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

} // namespace textowl::bench
