#pragma once

#include "server/gateway/gateway_dispatcher.h"
#include "server/host/http_server.h"
#include "server/service/service.h"
#include "server/store/connection_pool.h"
#include "server/store/store.h"

#include <memory>
#include <optional>
#include <string>

namespace textowl::server {

struct HostConfig {
    std::string database; // an SQLite file or postgresql://...
    DatabaseOptions databaseOptions;
    ServiceConfig service;
    ServerOptions server;
    // With a gateway, accepted messages go out through it. An empty publicUrl is the address
    // the server listens on.
    std::optional<DispatcherOptions> gateway;
    // A second, plain listener that takes only delivery reports; the gateway is sent there
    // unless publicUrl says otherwise.
    std::optional<ServerOptions> reportsServer;
};

// One running service, put together in one place: it owns the store and lends it to the
// operations, the web front (pages, icons, delivery reports) and the gateway's dispatcher.
class ServiceHost {
public:
    explicit ServiceHost(HostConfig config);
    ~ServiceHost();
    ServiceHost(const ServiceHost&) = delete;
    ServiceHost& operator=(const ServiceHost&) = delete;

    // Binds the server, then starts the dispatcher, which names the bound address to the
    // gateway for its reports.
    bool bind();
    void start(); // serves on a background thread
    void run();   // serves until stop()
    void stop();  // safe from any thread

    Store& store() { return *m_store; }
    PagewrightService& service() { return *m_service; }
    PagewrightServer& server() { return *m_server; }
    // The dispatcher's line for the operator, or empty without a gateway.
    std::string gatewayLine() const;

private:
    HostConfig m_config;
    std::unique_ptr<Store> m_store;
    std::unique_ptr<PagewrightService> m_service;
    std::unique_ptr<PagewrightServer> m_server;
    std::unique_ptr<PagewrightServer> m_reports;
    std::unique_ptr<GatewayDispatcher> m_dispatcher;
};

} // namespace textowl::server
