#pragma once

#include "server/gateway_dispatcher.h"
#include "server/http_server.h"
#include "server/service.h"
#include "server/service_host.h"
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
        host.database = database.empty() ? dir_.file("service.db").string() : database;
        host.service.hashCost = HashCost::Minimum;
        DispatcherOptions& options = host.gateway.emplace();
        options.gateway = *GatewayUrl::parse(gatewayUrl);
        options.diagnostics = [this](const std::string& line) {
            std::lock_guard lock(diagnosticsMutex_);
            diagnostics_ += line + "\n";
        };
        options.workers = workers;
        host_ = std::make_unique<ServiceHost>(std::move(host));
        host_->service().ensureDemoAccount();
        EXPECT_TRUE(host_->bind());
        host_->start();
        proxy_ = std::make_unique<ServiceProxy>(host_->server().endpointUrl());
        ServiceText reply;
        proxy_->apiValidateLogin(u("demo"), u("demo"), &reply);
        ResultDocument doc;
        if (succeeded(checkResult(reply, doc))) {
            ticket_ = resultElement(doc, "ticket").value_or("");
        }
    }

    ~ServiceWithGateway() {
        proxy_.reset();
        host_.reset();
    }

    // The err of the reply to one send, "0" when accepted.
    std::string send(const std::string& to, const std::string& text, bool group = false,
                     const std::string& type = "text", const std::string& schedule = "") {
        ServiceText reply;
        const Status status = group
                                  ? proxy_->apiSendSmsToGroup(u(ticket_), u("demo"), u(to), u(text),
                                                              u(type), u("0"), u(schedule), &reply)
                                  : proxy_->apiSendSms(u(ticket_), u("demo"), u(to), u(text),
                                                       u(type), u("0"), u(schedule), &reply);
        ResultDocument doc;
        if (failed(status) || !reply) {
            return "no reply";
        }
        checkResult(reply, doc);
        return doc.documentElement().attribute("err").value();
    }

    std::vector<OutboxMessage> messages() { return host_->store().outbox("demo"); }
    bool allIn(MessageState state) {
        const auto rows = messages();
        return !rows.empty() && std::all_of(rows.begin(), rows.end(),
                                            [&](const auto& m) { return m.state == state; });
    }
    PagewrightService& service() { return host_->service(); }
    Store& store() { return host_->store(); }
    std::string diagnostics() {
        std::lock_guard lock(diagnosticsMutex_);
        return diagnostics_;
    }
    int port() const { return host_->server().port(); }

private:
    test::TempDir dir_;
    std::unique_ptr<ServiceHost> host_;
    std::unique_ptr<ServiceProxy> proxy_;
    std::string ticket_;
    std::mutex diagnosticsMutex_;
    std::string diagnostics_;
};

} // namespace textowl::server::gateway_test
