// Drives pagewright-service with N kept-alive clients calling apiBalanceSms as fast as each gets
// its answer, and prints calls per second with the median and 99th percentile latency.
//
//   keep_alive_load [--seconds S] [--clients 1,8,64] [--db DATABASE | --postgres yes]
//                   [--instances N]
//
// --db names an empty database instead of a temporary SQLite file, such as
// postgresql://USER@127.0.0.1:PORT/DB; --postgres yes starts a throwaway PostgreSQL cluster on
// loopback for the run instead; --instances N runs N services on it, the clients dealt out over
// them in turn.
//
// The service runs in this process on loopback with a temporary database and one signed-in
// account; every client is the application's own ServiceProxy on its own connection.

#include "balance_load.h"
#include "support/postgres_cluster.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace textowl::bench {
namespace {

struct Options {
    double seconds = 3.0;
    std::vector<int> clients{1, 8, 64};
    std::string database; // a temporary SQLite file when empty
    int instances = 1;
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
    if (const auto database = optionValue(argc, argv, "--db")) {
        options.database = *database;
    }
    if (const auto instances = optionValue(argc, argv, "--instances")) {
        options.instances = std::max(1, std::atoi(instances->c_str()));
    }
    return options;
}

int run(int argc, char** argv) {
    Options options = parseOptions(argc, argv);
    std::unique_ptr<test::PostgresCluster> cluster;
    if (optionValue(argc, argv, "--postgres")) {
        cluster = std::make_unique<test::PostgresCluster>();
        if (!cluster->ready() || !cluster->createDatabase("bench")) {
            std::fprintf(stderr, "PostgreSQL: %s\n", cluster->failure().c_str());
            return 1;
        }
        options.database = cluster->location("bench");
    }
    server::HostConfig config;
    config.service.hashCost = server::HashCost::Minimum;
    config.database = options.database;
    LoadTarget target(config);
    if (!target.ready()) {
        return 1;
    }
    // The other instances share the first one's database.
    std::vector<std::string> endpoints{target.endpoint()};
    std::vector<std::unique_ptr<server::ServiceHost>> others;
    for (int i = 1; i < options.instances && target.store().sharedByInstances(); ++i) {
        others.push_back(std::make_unique<server::ServiceHost>(config));
        if (!others.back()->bind()) {
            std::fprintf(stderr, "cannot listen on loopback\n");
            return 1;
        }
        others.back()->start();
        endpoints.push_back(others.back()->server().endpointUrl());
    }
    int status = 0;
    std::printf("%8s %10s %10s %10s %10s %8s\n", "clients", "calls", "calls/s", "median ms",
                "p99 ms", "failed");
    for (int clients : options.clients) {
        const Round r = runRound(endpoints, target.ticket(), clients, options.seconds);
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
