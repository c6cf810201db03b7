#pragma once

#include "server/gateway/gateway_dispatcher.h"
#include "server/host/http_server.h"
#include "server/host/service_host.h"
#include "server/service/service.h"
#include "service/result_document.h"
#include "service/service_proxy.h"
#include "service/utf.h"
#include "support/kannel_gateway.h"
#include "support/require_kannel.h"
#include "support/temp_dir.h"

#include <chrono>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace textowl::server::gateway_test {

// Polls until done() holds; false when the limit passes first.
inline bool waitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

inline ServiceText u(std::string_view text) {
    return utf8ToUtf16(text);
}

// The service in this process with a dispatcher to the given sendsms address, and the client's
// own proxy signed in as demo.
class ServiceWithGateway {
public:
    // database: an SQLite file of its own unless given.
    explicit ServiceWithGateway(const std::string& gatewayUrl, int workers = 4,
                                const std::string& database = {}) {
        HostConfig host;
        host.database = database.empty() ? m_dir.file("service.db").string() : database;
        host.service.hashCost = HashCost::Minimum;
        DispatcherOptions& options = host.gateway.emplace();
        options.gateway = *GatewayUrl::parse(gatewayUrl);
        options.diagnostics = [this](const std::string& line) {
            std::lock_guard lock(m_diagnosticsMutex);
            m_diagnostics += line + "\n";
        };
        options.workers = workers;
        m_host = std::make_unique<ServiceHost>(std::move(host));
        m_host->service().ensureDemoAccount();
        EXPECT_TRUE(m_host->bind());
        m_host->start();
        m_proxy = std::make_unique<ServiceProxy>(m_host->server().endpointUrl());
        ServiceText reply;
        m_proxy->apiValidateLogin(u("demo"), u("demo"), &reply);
        ResultDocument doc;
        if (succeeded(checkResult(reply, doc))) {
            m_ticket = resultElement(doc, "ticket").value_or("");
        }
    }

    ~ServiceWithGateway() {
        m_proxy.reset();
        m_host.reset();
    }

    // The err of the reply to one send, "0" when accepted.
    std::string send(const std::string& to, const std::string& text, bool group = false,
                     const std::string& type = "text", const std::string& schedule = "") {
        ServiceText reply;
        const Status status =
            group ? m_proxy->apiSendSmsToGroup(u(m_ticket), u("demo"), u(to), u(text), u(type),
                                               u("0"), u(schedule), &reply)
                  : m_proxy->apiSendSms(u(m_ticket), u("demo"), u(to), u(text), u(type), u("0"),
                                        u(schedule), &reply);
        ResultDocument doc;
        if (failed(status) || !reply) {
            return "no reply";
        }
        checkResult(reply, doc);
        return doc.documentElement().attribute("err").value();
    }

    std::vector<OutboxMessage> messages() { return m_host->store().outbox().list("demo"); }
    bool allIn(MessageState state) {
        const auto rows = messages();
        return !rows.empty() && std::all_of(rows.begin(), rows.end(),
                                            [&](const auto& m) { return m.state == state; });
    }
    PagewrightService& service() { return m_host->service(); }
    Store& store() { return m_host->store(); }
    std::string diagnostics() {
        std::lock_guard lock(m_diagnosticsMutex);
        return m_diagnostics;
    }
    int port() const { return m_host->server().port(); }

private:
    test::TempDir m_dir;
    std::unique_ptr<ServiceHost> m_host;
    std::unique_ptr<ServiceProxy> m_proxy;
    std::string m_ticket;
    std::mutex m_diagnosticsMutex;
    std::string m_diagnostics;
};

} // namespace textowl::server::gateway_test
