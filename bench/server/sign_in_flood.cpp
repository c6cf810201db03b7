// How a flood of wrong sign-ins from one client slows everybody else down: 8 kept-alive clients
// call apiBalanceSms while the flooding client signs in with wrong passwords on several
// connections, with the sign-in limits off (as before they existed) and on, against the same
// clients without the flood. Prints calls per second, their share of the figure without the
// flood, the median and 99th percentile latency, and the flood's sign-ins and password hashes.
//
//   sign_in_flood [--seconds S] [--clients 8] [--flood-connections 1] [--flood-accounts 1]
//                 [--warm-up S]
//
// Passwords are hashed at the real (interactive) cost. With --flood-accounts N above 1 the flood
// cycles through N account names, as credential stuffing does. With the limits on, the clock
// starts once the flood's sign-ins are refused without hashing (or after --warm-up seconds, 60
// by default), so that the figures show the flood as it goes on; until then it costs at most the
// failures the limits allow, which the warm-up line reports.

#include "balance_load.h"
#include "service/service_proxy.h"
#include "service/utf.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace textowl::bench {
namespace {

struct Options {
    double seconds = 5.0;
    int clients = 8;
    int floodConnections = 1;
    int floodAccounts = 1;
    double warmUp = 60.0;
};

Options parseOptions(int argc, char** argv) {
    Options o;
    auto number = [&](const char* name, auto& into) {
        if (const auto value = optionValue(argc, argv, name)) {
            into = static_cast<std::remove_reference_t<decltype(into)>>(std::atof(value->c_str()));
        }
    };
    number("--seconds", o.seconds);
    number("--clients", o.clients);
    number("--flood-connections", o.floodConnections);
    number("--flood-accounts", o.floodAccounts);
    number("--warm-up", o.warmUp);
    return o;
}

// Wrong sign-ins on its own connections until stopped; "bench" is among the names guessed.
class Flood {
public:
    Flood(const std::string& endpoint, int connections, int accounts) {
        for (int c = 0; c < connections; ++c) {
            m_threads.emplace_back([this, endpoint, accounts, c] {
                ServiceProxy proxy(endpoint);
                ServiceText result;
                for (int i = c; !m_stop; ++i) {
                    const int k = i % accounts;
                    const std::string name = k == 0 ? "bench" : "guess" + std::to_string(k);
                    proxy.apiValidateLogin(utf8ToUtf16(name), u"wrong", &result);
                    ++m_attempts;
                }
            });
        }
    }
    ~Flood() {
        m_stop = true;
        for (std::thread& t : m_threads) {
            t.join();
        }
    }
    long attempts() const { return m_attempts; }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<long> m_attempts{0};
    std::vector<std::thread> m_threads;
};

// Waits until a tenth of a second of flood passes without a hash; returns the seconds waited.
double waitForBackOff(const Flood& flood, const server::PagewrightService& service, double atMost) {
    const Clock::time_point start = Clock::now();
    std::uint64_t hashes = service.passwordHashesComputed();
    long attempts = flood.attempts();
    while (std::chrono::duration<double>(Clock::now() - start).count() < atMost) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const std::uint64_t nowHashes = service.passwordHashesComputed();
        if (nowHashes == hashes && flood.attempts() > attempts + 10) {
            break;
        }
        hashes = nowHashes;
        attempts = flood.attempts();
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Mode {
    const char* name;
    bool flood;
    bool limits;
};

server::ServiceConfig configFor(const Mode& mode) {
    server::ServiceConfig config;
    config.diagnostics = [](const std::string&) {
    }; // a line per failed sign-in would drown the table
    if (!mode.limits) {
        // As the service was before: no back-off, four hashes at once, no bound on the waiting.
        config.signIn.accountFailures = 0;
        config.signIn.addressFailuresPerMinute = 0;
        config.hashing.concurrent = 4;
        config.hashing.waiting = 1'000'000;
    }
    return config;
}

int run(int argc, char** argv) {
    const Options o = parseOptions(argc, argv);
    static constexpr Mode kModes[] = {{"no flood", false, true},
                                      {"flood, limits off", true, false},
                                      {"flood, limits on", true, true}};
    std::printf("%d clients, flood on %d connections over %d account(s), %.1f s a round\n",
                o.clients, o.floodConnections, o.floodAccounts, o.seconds);
    std::printf("%-18s %9s %6s %10s %10s %11s %9s %7s\n", "mode", "calls/s", "share", "median ms",
                "p99 ms", "sign-ins/s", "hashes/s", "failed");
    double baseline = 0;
    int status = 0;
    for (const Mode& mode : kModes) {
        LoadTarget target(configFor(mode));
        if (!target.ready()) {
            return 1;
        }
        std::optional<Flood> flood;
        if (mode.flood) {
            const std::uint64_t hashes = target.service().passwordHashesComputed();
            flood.emplace(target.endpoint(), o.floodConnections, o.floodAccounts);
            if (mode.limits) {
                const double waited = waitForBackOff(*flood, target.service(), o.warmUp);
                std::printf("  (back-off set in after %.1f s, %ld sign-ins and %llu hashes)\n",
                            waited, flood->attempts(),
                            static_cast<unsigned long long>(
                                target.service().passwordHashesComputed() - hashes));
            }
        }
        const long attemptsBefore = flood ? flood->attempts() : 0;
        const std::uint64_t hashesBefore = target.service().passwordHashesComputed();
        const Round r = runRound(target.endpoint(), target.ticket(), o.clients, o.seconds);
        const long attempts = (flood ? flood->attempts() : 0) - attemptsBefore;
        const auto hashes = target.service().passwordHashesComputed() - hashesBefore;
        flood.reset();
        baseline = mode.flood ? baseline : r.callsPerSecond();
        std::printf("%-18s %9.0f %6.2f %10.3f %10.3f %11.0f %9.1f %7d\n", mode.name,
                    r.callsPerSecond(), r.callsPerSecond() / baseline, r.percentile(0.5),
                    r.percentile(0.99), static_cast<double>(attempts) / r.seconds,
                    static_cast<double>(hashes) / r.seconds, r.failures);
        std::fflush(stdout);
        status = r.failures > 0 ? 1 : status;
    }
    return status;
}

} // namespace
} // namespace textowl::bench

int main(int argc, char** argv) {
    return textowl::bench::run(argc, argv);
}
