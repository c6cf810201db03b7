#pragma once

#include "server/http_server.h"
#include "server/service.h"
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
        config.databasePath = dir_.file("service.db").string();
        config.hashCost = HashCost::Minimum;
        service_ = std::make_unique<PagewrightService>(config);
        server_ = std::make_unique<PagewrightServer>(*service_, ServerOptions{});
        EXPECT_TRUE(server_->bind());
        server_->start();
        proxy_ = std::make_unique<ServiceProxy>(server_->endpointUrl());
    }

    PagewrightService& service() { return *service_; }
    ServiceProxy& proxy() { return *proxy_; }

private:
    test::TempDir dir_;
    std::unique_ptr<PagewrightService> service_;
    std::unique_ptr<PagewrightServer> server_;
    std::unique_ptr<ServiceProxy> proxy_;
};

} // namespace textowl::server
