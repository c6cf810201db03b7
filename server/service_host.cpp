#include "server/service_host.h"

#include "server/delivery_reports.h"

namespace textowl::server {

ServiceHost::ServiceHost(HostConfig config) : config_(std::move(config)) {
    store_ = std::make_unique<Store>(config_.database, config_.databaseOptions);
    ServiceConfig service = config_.service;
    if (config_.gateway) {
        service.gatewayConfigured = true;
        // Requests arrive only once bind() has made the dispatcher, and stop before it goes.
        service.messagesQueued = [this] {
            if (dispatcher_) {
                dispatcher_->wake();
            }
        };
    }
    service_ = std::make_unique<PagewrightService>(std::move(service), *store_);
    server_ = std::make_unique<PagewrightServer>(*service_, *store_, config_.server);
}

ServiceHost::~ServiceHost() {
    stop();
}

bool ServiceHost::bind() {
    if (!server_->bind()) {
        return false;
    }
    if (config_.gateway) {
        DispatcherOptions dispatch = *config_.gateway;
        if (dispatch.publicUrl.empty()) {
            dispatch.publicUrl = "http://" + service_->publicHost();
        }
        while (!dispatch.publicUrl.empty() && dispatch.publicUrl.back() == '/') {
            dispatch.publicUrl.pop_back();
        }
        if (!dispatch.clock) {
            dispatch.clock = [this] { return service_->now(); };
        }
        config_.gateway = dispatch;
        dispatcher_ = std::make_unique<GatewayDispatcher>(*store_, dispatch);
        dispatcher_->start();
    }
    return true;
}

void ServiceHost::start() {
    server_->start();
}

void ServiceHost::run() {
    server_->run();
}

void ServiceHost::stop() {
    server_->stop();
    if (dispatcher_) {
        dispatcher_->stop();
    }
}

std::string ServiceHost::gatewayLine() const {
    if (!config_.gateway || !dispatcher_) {
        return {};
    }
    return "gateway " + config_.gateway->gateway.redacted() + ", delivery reports to " +
           config_.gateway->publicUrl + std::string(kDeliveryReportPath);
}

} // namespace textowl::server
