#pragma once

#include "server/host/http_server.h"
#include "server/host/service_host.h"
#include "server/service/service.h"
#include "support/loopback_client.h"
#include "support/postgres_cluster.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <utility>
#include <vector>

namespace textowl::server::testing_support {

using Param = std::pair<std::string, std::optional<std::string>>;
using Params = std::vector<Param>;

inline std::string escapeText(const std::string& text) {
    std::string out;
    for (char c : text) {
        // A raw CR would reach the service as LF, as XML parsers fold line ends; the client
        // escapes it too.
        out += c == '&'    ? "&amp;"
               : c == '<'  ? "&lt;"
               : c == '>'  ? "&gt;"
               : c == '\r' ? "&#13;"
                           : std::string(1, c);
    }
    return out;
}

// The request body the client writes: no declaration, rpc style, nil for a null string.
inline std::string requestBody(const std::string& operation, const Params& params) {
    std::string body = "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
                       "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                       "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
                       "xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\"><soap:Body "
                       "soap:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\"><snp:" +
                       operation + " xmlns:snp=\"urn:Pagewright\">";
    for (const auto& [name, value] : params) {
        body += value ? "<" + name + ">" + escapeText(*value) + "</" + name + ">"
                      : "<" + name + " xsi:nil=\"1\"/>";
    }
    return body + "</snp:" + operation + "></soap:Body></soap:Envelope>";
}

struct Reply {
    int status = 0;
    std::string body;
    std::string faultCode;
    std::string faultString;
    std::string returnText;
    std::string err;                            // the result document's err, empty without one
    std::shared_ptr<pugi::xml_document> result; // the result document

    pugi::xml_node root() const { return result->document_element(); }
    std::string child(const char* name) const { return root().child(name).text().get(); }
};

inline Reply readReply(int status, std::string body) {
    Reply reply;
    reply.status = status;
    reply.body = std::move(body);
    pugi::xml_document envelope;
    if (!envelope.load_string(reply.body.c_str())) {
        return reply;
    }
    const pugi::xml_node inBody = envelope.document_element().child("soap:Body").first_child();
    reply.faultCode = inBody.child("faultcode").text().get();
    reply.faultString = inBody.child("faultstring").text().get();
    reply.returnText = inBody.child("return").text().get();
    reply.result = std::make_shared<pugi::xml_document>();
    if (reply.result->load_string(reply.returnText.c_str())) {
        reply.err = reply.root().attribute("err").value();
    }
    return reply;
}

class TempDir {
public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "pagewright-test-XXXXXX").string();
        m_path = mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    std::string file(const char* name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// A real server on 127.0.0.1 and an ephemeral port, with a temporary database and a clock
// the test moves.
class ServiceTest : public testing::Test {
protected:
    void SetUp() override { startServer(); }

    void TearDown() override { stopServer(); }

    void startServer() {
        HostConfig host;
        host.database = m_database.empty() ? m_dir.file("service.db") : m_database;
        ServiceConfig& config = host.service;
        config.hashCost = HashCost::Minimum;
        config.clock = [this] { return m_now.load(); };
        config.sessionIdleSeconds = m_ticketIdleSeconds;
        config.diagnostics = [this](const std::string& line) {
            std::lock_guard lock(m_diagnosticsMutex);
            m_diagnostics += line + "\n";
        };
        m_host = std::make_unique<ServiceHost>(std::move(host));
        m_service = &m_host->service();
        m_server = &m_host->server();
        ASSERT_TRUE(m_host->bind());
        m_host->start();
        m_client = std::make_unique<test::LoopbackClient>(m_server->port());
    }

    void stopServer() {
        m_client.reset();
        m_server = nullptr;
        m_service = nullptr;
        m_host.reset();
    }

    Reply call(const std::string& operation, const Params& params) {
        return post(requestBody(operation, params), "\"urn:Pagewright#" + operation + "\"");
    }

    Reply post(const std::string& body, const std::optional<std::string>& soapAction) {
        test::HttpFields headers{{"Accept", "text/xml"}};
        if (soapAction) {
            headers.emplace_back("SOAPAction", *soapAction);
        }
        const auto res =
            m_client->post("/pagewright/soapserver.php", body, "text/xml; charset=utf-8", headers);
        if (!res) {
            ADD_FAILURE() << "no HTTP response";
            return {};
        }
        return readReply(res->status, res->body);
    }

    void addUser(const std::string& name, const std::string& password, std::int64_t cents) {
        ASSERT_EQ(m_service->createAccount(name, password, cents), Err::Ok);
    }

    std::string login(const std::string& name, const std::string& password) {
        const Reply r = call("apiValidateLogin", {{"user", name}, {"password", password}});
        EXPECT_EQ(r.err, "0") << r.body;
        return r.err == "0" ? r.child("ticket") : std::string();
    }

    // A signed-in account with credit, for the tests that start from one.
    std::string signedIn(const std::string& name = "alice", std::int64_t cents = 1000) {
        addUser(name, "secret", cents);
        return login(name, "secret");
    }

    std::string addGroup(const std::string& ticket, const std::string& name) {
        const Reply r = call("apiAddBuddyGroup", {{"ticket", ticket}, {"name", name}});
        EXPECT_EQ(r.err, "0") << r.body;
        return r.child("bgid");
    }

    std::string addBuddy(const std::string& ticket, const std::string& group,
                         const std::string& nickname, const std::string& phone = "46700000001") {
        const Reply r = call("apiAddBuddy", {{"ticket", ticket},
                                             {"bgid", group},
                                             {"firstname", "First"},
                                             {"lastname", "Last"},
                                             {"nickname", nickname},
                                             {"cellphone", phone},
                                             {"email", "x@example.org"},
                                             {"birthday", "1980-04-02"}});
        EXPECT_EQ(r.err, "0") << r.body;
        return r.child("bid");
    }

    std::string balance(const std::string& ticket) {
        return call("apiBalanceSms", {{"ticket", ticket}}).child("balance");
    }

    std::string diagnostics() {
        std::lock_guard lock(m_diagnosticsMutex);
        return m_diagnostics;
    }

    TempDir m_dir;
    std::string m_database; // an SQLite file in m_dir unless set before SetUp
    std::atomic<std::int64_t> m_now{1'700'000'000};
    std::int64_t m_ticketIdleSeconds = ServiceConfig{}.sessionIdleSeconds;
    std::mutex m_diagnosticsMutex;
    std::string m_diagnostics;
    Store& store() { return m_host->store(); }

    std::unique_ptr<ServiceHost> m_host;
    PagewrightService* m_service = nullptr;
    PagewrightServer* m_server = nullptr;
    std::unique_ptr<test::LoopbackClient> m_client;
};

enum class StoreKind { Sqlite, Postgres };

inline std::string storeName(const testing::TestParamInfo<StoreKind>& info) {
    return info.param == StoreKind::Sqlite ? "Sqlite" : "Postgres";
}

// A ServiceTest run once on each store, with the same expectations.
class EveryStoreTest : public ServiceTest, public testing::WithParamInterface<StoreKind> {
protected:
    void SetUp() override {
        if (GetParam() == StoreKind::Postgres) {
            REQUIRE_POSTGRES();
            m_postgres = std::make_unique<test::PostgresCluster>();
            ASSERT_TRUE(m_postgres->ready()) << m_postgres->failure();
            m_database = m_postgres->location("postgres");
        }
        ServiceTest::SetUp();
    }

    std::unique_ptr<test::PostgresCluster> m_postgres;
};

#define TEXTOWL_ON_EVERY_STORE(Suite)                                                              \
    INSTANTIATE_TEST_SUITE_P(                                                                      \
        Stores, Suite,                                                                             \
        testing::Values(::textowl::server::testing_support::StoreKind::Sqlite,                     \
                        ::textowl::server::testing_support::StoreKind::Postgres),                  \
        ::textowl::server::testing_support::storeName)

} // namespace textowl::server::testing_support
