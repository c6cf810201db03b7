#pragma once

#include "server/http_server.h"
#include "server/service.h"
#include "server/service_host.h"
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
        host.database = dir_.file("service.db").string();
        host.service = std::move(config);
        host.service.hashCost = HashCost::Minimum;
        host_ = std::make_unique<ServiceHost>(std::move(host));
        EXPECT_TRUE(host_->bind());
        host_->start();
        proxy_ = std::make_unique<ServiceProxy>(host_->server().endpointUrl());
    }

    PagewrightService& service() { return host_->service(); }
    Store& store() { return host_->store(); }
    ServiceProxy& proxy() { return *proxy_; }

private:
    test::TempDir dir_;
    std::unique_ptr<ServiceHost> host_;
    std::unique_ptr<ServiceProxy> proxy_;
};

} // namespace textowl::server
