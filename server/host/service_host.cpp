#include "server/host/service_host.h"

#include "server/gateway/delivery_reports.h"

namespace textowl::server {

ServiceHost::ServiceHost(HostConfig config) : m_config(std::move(config)) {
    m_store = std::make_unique<Store>(m_config.database, m_config.databaseOptions);
    ServiceConfig service = m_config.service;
    if (m_config.gateway) {
        service.gatewayConfigured = true;
        // Requests arrive only once bind() has made the dispatcher, and stop before it goes.
        service.messagesQueued = [this] {
            if (m_dispatcher) {
                m_dispatcher->wake();
            }
        };
    }
    m_service = std::make_unique<PagewrightService>(std::move(service), *m_store);
    m_config.server.takesReports = !m_config.reportsServer;
    m_server = std::make_unique<PagewrightServer>(*m_service, *m_store, m_config.server);
    if (m_config.reportsServer) {
        ServerOptions reports = *m_config.reportsServer;
        reports.reportsOnly = true;
        m_reports = std::make_unique<PagewrightServer>(*m_service, *m_store, reports);
    }
}

ServiceHost::~ServiceHost() {
    stop();
}

bool ServiceHost::bind() {
    if (!m_server->bind() || (m_reports && !m_reports->bind())) {
        return false;
    }
    if (m_config.gateway) {
        DispatcherOptions dispatch = *m_config.gateway;
        if (dispatch.publicUrl.empty()) {
            dispatch.publicUrl = m_reports ? m_reports->baseUrl() : m_server->baseUrl();
        }
        while (!dispatch.publicUrl.empty() && dispatch.publicUrl.back() == '/') {
            dispatch.publicUrl.pop_back();
        }
        if (!dispatch.clock) {
            dispatch.clock = [this] { return m_service->now(); };
        }
        m_config.gateway = dispatch;
        m_dispatcher = std::make_unique<GatewayDispatcher>(*m_store, dispatch);
        m_dispatcher->start();
    }
    return true;
}

void ServiceHost::start() {
    m_server->start();
    if (m_reports) {
        m_reports->start();
    }
}

void ServiceHost::run() {
    if (m_reports) {
        m_reports->start();
    }
    m_server->run();
}

void ServiceHost::stop() {
    m_server->stop();
    if (m_reports) {
        m_reports->stop();
    }
    if (m_dispatcher) {
        m_dispatcher->stop();
    }
}

std::string ServiceHost::gatewayLine() const {
    if (!m_config.gateway || !m_dispatcher) {
        return {};
    }
    return "gateway " + m_config.gateway->gateway.redacted() + ", delivery reports to " +
           m_config.gateway->publicUrl + std::string(kDeliveryReportPath);
}

} // namespace textowl::server
