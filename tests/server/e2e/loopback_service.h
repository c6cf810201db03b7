#pragma once

#include "server/host/http_server.h"
#include "server/host/service_host.h"
#include "server/service/service.h"
#include "service/service_proxy.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <memory>

namespace textowl::server {

// The service on 127.0.0.1 with a temporary database at the test hash cost, and the client's
// proxy pointed at it.
class LoopbackService {
public:
    explicit LoopbackService(ServiceConfig config) {
        HostConfig host;
        host.database = m_dir.file("service.db").string();
        host.service = std::move(config);
        host.service.hashCost = HashCost::Minimum;
        m_host = std::make_unique<ServiceHost>(std::move(host));
        EXPECT_TRUE(m_host->bind());
        m_host->start();
        m_proxy = std::make_unique<ServiceProxy>(m_host->server().endpointUrl());
    }

    PagewrightService& service() { return m_host->service(); }
    Store& store() { return m_host->store(); }
    ServiceProxy& proxy() { return *m_proxy; }

private:
    test::TempDir m_dir;
    std::unique_ptr<ServiceHost> m_host;
    std::unique_ptr<ServiceProxy> m_proxy;
};

} // namespace textowl::server
