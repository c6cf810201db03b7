#pragma once

#include "server/host/http_server.h"
#include "server/host/service_host.h"
#include "server/service/service.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace textowl::bench {

using Clock = std::chrono::steady_clock;

// pagewright-service in this process on loopback, with a temporary database (unless the config
// names one) and one signed-in account, "bench" with the password "bench".
class LoadTarget {
public:
    explicit LoadTarget(server::ServiceConfig config) : LoadTarget(hostFor(std::move(config))) {}
    explicit LoadTarget(server::HostConfig config);
    ~LoadTarget();
    LoadTarget(const LoadTarget&) = delete;
    LoadTarget& operator=(const LoadTarget&) = delete;

    // Whether the server listens and the account signed in; the reason went to standard error.
    bool ready() const { return !m_ticket.empty(); }
    std::string endpoint() const { return m_host->server().endpointUrl(); }
    const std::string& ticket() const { return m_ticket; }
    server::PagewrightService& service() { return m_host->service(); }
    server::Store& store() { return m_host->store(); }

private:
    static server::HostConfig hostFor(server::ServiceConfig config) {
        server::HostConfig host;
        host.service = std::move(config);
        return host;
    }

    std::filesystem::path m_dir;
    std::unique_ptr<server::ServiceHost> m_host;
    std::string m_ticket;
};

struct Round {
    std::vector<double> latenciesMs; // sorted
    double seconds = 0;
    int failures = 0;

    double callsPerSecond() const { return static_cast<double>(latenciesMs.size()) / seconds; }
    double percentile(double p) const;
};

// The value after --name on the command line, if any.
std::optional<std::string> optionValue(int argc, char** argv, std::string_view name);

// Every client calls apiBalanceSms on its own kept-alive connection as fast as it gets answers,
// until the time is up.
Round runRound(const std::string& endpoint, const std::string& ticket, int clients, double seconds);
// The same with the clients dealt out over several endpoints in turn, as a balancer would.
Round runRound(const std::vector<std::string>& endpoints, const std::string& ticket, int clients,
               double seconds);

} // namespace textowl::bench
