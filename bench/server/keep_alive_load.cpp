// Drives pagewright-service with N kept-alive clients calling apiBalanceSms as fast as each gets
// its answer, and prints calls per second with the median and 99th percentile latency.
//
//   keep_alive_load [--seconds S] [--clients 1,8,64]
//
// The service runs in this process on loopback with a temporary database and one signed-in
// account; every client is the application's own ServiceProxy on its own connection.

#include "balance_load.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace textowl::bench {
namespace {

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
    if (const auto seconds = optionValue(argc, argv, "--seconds")) {
        options.seconds = std::atof(seconds->c_str());
    }
    if (const auto clients = optionValue(argc, argv, "--clients")) {
        options.clients = parseList(clients->c_str());
    }
    return options;
}

int run(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    server::ServiceConfig config;
    config.hashCost = server::HashCost::Minimum;
    LoadTarget target(config);
    if (!target.ready()) {
        return 1;
    }
    int status = 0;
    std::printf("%8s %10s %10s %10s %10s %8s\n", "clients", "calls", "calls/s", "median ms",
                "p99 ms", "failed");
    for (int clients : options.clients) {
        const Round r = runRound(target.endpoint(), target.ticket(), clients, options.seconds);
        std::printf("%8d %10zu %10.0f %10.3f %10.3f %8d\n", clients, r.latenciesMs.size(),
                    r.callsPerSecond(), r.percentile(0.5), r.percentile(0.99), r.failures);
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
