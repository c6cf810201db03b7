#include "service/http_client.h"
#include "service/tls_channel.h"
#include "support/scripted_server.h"
#include "support/temp_dir.h"
#include "support/throwaway_ca.h"
#include "support/tls_test_server.h"

#include <cstdlib>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace textowl {
namespace {

using test::ConnectionScript;
using test::ScriptedServer;
using test::ThrowawayCa;
using test::TlsIdentity;
using test::TlsTestServer;
using Problem = CertificateProblem;

const std::string kPassword = "s3cret-password";
const std::string kReply = test::httpReply("200 OK", "<ok/>");

struct TlsCase {
    const char* name;
    // The server's certificate; none: a plain server that sends plainBytes instead.
    std::function<TlsIdentity(const ThrowawayCa&)> identity;
    std::string plainBytes;
    const char* host;
    bool completes;
    Problem problem;
    bool tls10Only = false;
};

void PrintTo(const TlsCase& c, std::ostream* out) {
    *out << c.name;
}

// Every case trusts one throwaway CA, through SSL_CERT_FILE as OpenSSL reads it.
class TlsTransport : public testing::TestWithParam<TlsCase> {
protected:
    static void SetUpTestSuite() {
        m_ca = std::make_unique<ThrowawayCa>();
        m_dir = std::make_unique<test::TempDir>();
        std::ofstream(m_dir->file("ca.pem")) << m_ca->rootPem();
        setenv("SSL_CERT_FILE", m_dir->file("ca.pem").c_str(), 1);
        setenv("SSL_CERT_DIR", m_dir->path().c_str(), 1);
    }
    static void TearDownTestSuite() {
        unsetenv("SSL_CERT_FILE");
        unsetenv("SSL_CERT_DIR");
        m_dir.reset();
        m_ca.reset();
    }

    bool send(const std::string& address) {
        settings.method = "POST";
        settings.body = kPassword.data();
        settings.bodyLength = kPassword.size();
        settings.timeoutMs = 300;
        return client.sendRequest(*Url::parse(address), settings);
    }

    static std::unique_ptr<ThrowawayCa> m_ca;
    static std::unique_ptr<test::TempDir> m_dir;
    HttpClient client;
    NavigationSettings settings;
};

std::unique_ptr<ThrowawayCa> TlsTransport::m_ca;
std::unique_ptr<test::TempDir> TlsTransport::m_dir;

TEST_P(TlsTransport, NothingLeavesTheClientUnlessTheServerIsVerified) {
    const TlsCase& c = GetParam();
    std::string arrived; // what the server read past the handshake, or at all when plain
    if (c.identity) {
        TlsTestServer server(c.identity(*m_ca), kReply, c.tls10Only);
        EXPECT_EQ(send(server.url(c.host, "/svc")), c.completes);
        if (c.completes) {
            // A kept-alive connection carries the next call without a second handshake.
            EXPECT_TRUE(send(server.url(c.host, "/svc")));
            EXPECT_EQ(server.handshakes(), 1);
            EXPECT_EQ(client.body(), "<ok/>");
        }
        arrived = server.received();
    } else {
        ScriptedServer server({ConnectionScript().send(c.plainBytes).staySilent()});
        const std::string address = server.url("/svc");
        EXPECT_EQ(send("https" + address.substr(4)), c.completes);
        arrived = server.received(0);
    }
    EXPECT_EQ(client.certificateProblem(), c.problem);
    EXPECT_EQ(arrived.find(kPassword) != std::string::npos, c.completes);
    EXPECT_EQ(client.isConnected(), c.completes);
}

TlsIdentity forLocalhost(const ThrowawayCa& ca) {
    return ca.issue("localhost");
}

// A record header that promises a ServerHello, and then nothing.
const std::string kHalfHandshake("\x16\x03\x03\x00\x40\x02", 6);

INSTANTIATE_TEST_SUITE_P(
    Table, TlsTransport,
    testing::Values(
        TlsCase{"Trusted", forLocalhost, "", "localhost", true, Problem::None},
        TlsCase{"TrustedIpEntry", [](const ThrowawayCa& ca) { return ca.issue("127.0.0.1"); }, "",
                "127.0.0.1", true, Problem::None},
        TlsCase{"SelfSigned",
                [](const ThrowawayCa&) { return ThrowawayCa::selfSigned("localhost"); }, "",
                "localhost", false, Problem::Untrusted},
        TlsCase{"WrongHost", [](const ThrowawayCa& ca) { return ca.issue("elsewhere.test"); }, "",
                "localhost", false, Problem::WrongHost},
        TlsCase{"WrongIpEntry", [](const ThrowawayCa& ca) { return ca.issue("127.0.0.2"); }, "",
                "127.0.0.1", false, Problem::WrongHost},
        TlsCase{"Expired", [](const ThrowawayCa& ca) { return ca.issue("localhost", true); }, "",
                "localhost", false, Problem::Expired},
        TlsCase{"TlsTenOnly", forLocalhost, "", "localhost", false, Problem::None, true},
        TlsCase{"PlainHttpBehindHttps", nullptr,
                test::httpReply("400 Bad Request", "plain HTTP here"), "", false, Problem::None},
        TlsCase{"GarbageInsteadOfAHandshake", nullptr, std::string(300, '\x7f'), "", false,
                Problem::None},
        TlsCase{"StallMidHandshake", nullptr, kHalfHandshake, "", false, Problem::None}),
    [](const testing::TestParamInfo<TlsCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace textowl
