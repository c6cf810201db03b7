#include "service_fixture.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace textowl::server {
namespace {

using testing_support::Reply;
using testing_support::requestBody;
using testing_support::ServiceTest;

class Protocol : public ServiceTest {};

TEST_F(Protocol, ReplyIsUtf8XmlWithReturnForTheOperation) {
    const auto res =
        m_client->post("/pagewright/soapserver.php",
                       requestBody("apiValidateLogin", {{"user", "x"}, {"password", "y"}}),
                       "text/xml; charset=utf-8");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->header("Content-Type"), "text/xml; charset=utf-8");
    EXPECT_NE(res->body.find("apiValidateLoginResponse"), std::string::npos);
}

struct FaultCase {
    const char* name;
    std::string body;
    std::optional<std::string> soapAction;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

class ProtocolFault : public ServiceTest, public testing::WithParamInterface<FaultCase> {};

// A send from a signed-in account whose message text goes on the wire exactly as given.
std::string sendWithRawText(const std::string& text) {
    std::string body = requestBody("apiSendSms", {{"ticket", "TICKET"},
                                                  {"sms_from", ""},
                                                  {"sms_to", "46700000001"},
                                                  {"msg_content", "TEXT"},
                                                  {"msg_type", "text"},
                                                  {"unicode", "0"},
                                                  {"schedule", ""}});
    return body.replace(body.find("TEXT"), 4, text);
}

TEST_P(ProtocolFault, IsHttp500WithClientFaultThatStoresAndChargesNothing) {
    const std::string ticket = signedIn();
    const std::string before = balance(ticket);
    std::string body = GetParam().body;
    if (const std::size_t at = body.find("TICKET"); at != std::string::npos) {
        body.replace(at, 6, ticket);
    }
    const Reply r = post(body, GetParam().soapAction);
    EXPECT_EQ(r.status, 500);
    EXPECT_EQ(r.faultCode, "soap:Client") << r.body;
    EXPECT_EQ(balance(ticket), before);
    EXPECT_TRUE(store().outbox().list("alice").empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProtocolFault,
    testing::Values(
        FaultCase{"MalformedEnvelope", "<soap:Envelope", std::nullopt},
        FaultCase{"UnknownOperation", requestBody("apiRenewTicket", {{"ticket", "t"}}),
                  std::nullopt},
        FaultCase{"MissingParameter", requestBody("apiValidateLogin", {{"user", "x"}}),
                  std::nullopt},
        FaultCase{"SoapActionNamesAnotherOperation", requestBody("apiLogout", {{"ticket", "t"}}),
                  "\"urn:Pagewright#apiBalanceSms\""},
        FaultCase{"SoapActionOfAnotherService", requestBody("apiLogout", {{"ticket", "t"}}),
                  "\"urn:Other#apiLogout\""},
        FaultCase{"EntityDeclaration",
                  "<!DOCTYPE x [<!ENTITY a \"aaaa\">]>" +
                      requestBody("apiLogout", {{"ticket", "&a;"}}),
                  std::nullopt},
        FaultCase{"UndeclaredEntity", sendWithRawText("a&foo;"), std::nullopt},
        FaultCase{"OverlongUtf8", sendWithRawText("a\xC0\xAF\xE0\x80\xAF"), std::nullopt},
        FaultCase{"LoneSurrogateInUtf8", sendWithRawText("a\xED\xA0\xBDb"), std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Protocol, SoapActionMayBeAbsentOrEmpty) {
    EXPECT_EQ(post(requestBody("apiLogout", {{"ticket", "t"}}), std::nullopt).err, "1");
    EXPECT_EQ(post(requestBody("apiLogout", {{"ticket", "t"}}), "\"\"").err, "1");
    EXPECT_EQ(post(requestBody("apiLogout", {{"ticket", "t"}}), "urn:Pagewright#apiLogout").err,
              "1");
}

TEST_F(Protocol, BodyOverOneMebibyteIsRefusedWith413) {
    const std::string big = requestBody("apiLogout", {{"ticket", std::string(1024 * 1024, 'a')}});
    const auto res = m_client->post("/pagewright/soapserver.php", big, "text/xml; charset=utf-8");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 413);
}

// Two calls over one TCP connection, written the way the client writes them.
TEST_F(Protocol, ConnectionStaysOpenBetweenCalls) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(m_server->port()));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    timeval timeout{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    const std::string body = requestBody("apiLogout", {{"ticket", "t"}});
    const std::string request = "POST /pagewright/soapserver.php HTTP/1.1\r\nContent-Length: " +
                                std::to_string(body.size()) +
                                "\r\nContent-Type: text/xml; charset=utf-8\r\nSOAPAction: "
                                "\"urn:Pagewright#apiLogout\"\r\nAccept: text/xml\r\nHost: "
                                "localhost\r\nUser-Agent: Microsoft-ATL-Native/7.00\r\n\r\n" +
                                body;
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(send(fd, request.data(), request.size(), 0),
                  static_cast<ssize_t>(request.size()));
        std::string received;
        char buffer[4096];
        while (received.find("</soap:Envelope>") == std::string::npos) {
            const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            ASSERT_GT(n, 0) << "round " << round;
            received.append(buffer, static_cast<std::size_t>(n));
        }
        EXPECT_EQ(received.rfind("HTTP/1.1 200", 0), 0u);
        EXPECT_EQ(received.find("Connection: close"), std::string::npos);
    }
    close(fd);
}

// An idle kept-alive connection must not hold a worker, so more idle clients than workers must
// not leave the next one unanswered.
TEST_F(Protocol, IdleKeptAliveConnectionsBeyondTheWorkersLeaveNewClientsServed) {
    std::vector<std::unique_ptr<test::LoopbackClient>> idle;
    for (int i = 0; i < store().concurrency() + 4; ++i) {
        auto c = std::make_unique<test::LoopbackClient>(m_server->port());
        c->keepAlive(true);
        const auto res = c->get("/pagewright/terms");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200);
        idle.push_back(std::move(c));
    }
    test::LoopbackClient fresh(m_server->port());
    fresh.setTimeout(std::chrono::seconds(10));
    const auto res = fresh.get("/pagewright/about");
    ASSERT_TRUE(res) << "no answer while idle connections hold the starting workers";
    EXPECT_EQ(res->status, 200);
}

// A thousand clients that made a call and went quiet must not keep the next one waiting. They are
// kept alive for an hour, so an answer within the fresh client's minute cannot have waited for
// one of them to expire.
TEST_F(Protocol, ThousandIdleKeptAliveConnectionsDoNotMakeANewClientWaitForThemToExpire) {
    constexpr int kIdle = 1000;
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = std::max<rlim_t>(files.rlim_cur, std::min<rlim_t>(files.rlim_max, 4096));
    setrlimit(RLIMIT_NOFILE, &files);
    if (files.rlim_cur < 2 * kIdle + 100) {
        GTEST_SKIP() << "too few file descriptors for both ends of the idle connections";
    }
    ServerOptions options;
    options.front.limits.idleTime = std::chrono::hours(1);
    options.front.limits.connectionsPerAddress = kIdle + 1;
    PagewrightServer longLived(*m_service, store(), options);
    ASSERT_TRUE(longLived.bind());
    longLived.start();
    std::vector<std::unique_ptr<test::LoopbackClient>> idle;
    for (int i = 0; i < kIdle; ++i) {
        auto c = std::make_unique<test::LoopbackClient>(longLived.port());
        c->keepAlive(true);
        const auto res = c->get("/pagewright/terms");
        ASSERT_TRUE(res) << "idle client " << i;
        idle.push_back(std::move(c));
    }
    test::LoopbackClient fresh(longLived.port());
    fresh.setTimeout(std::chrono::seconds(60));
    const auto res = fresh.get("/pagewright/about");
    ASSERT_TRUE(res) << "no answer while the idle connections are kept";
    EXPECT_EQ(res->status, 200);
}

TEST_F(Protocol, IdleKeptAliveConnectionIsClosedAfterTheKeepAliveTime) {
    ServerOptions options;
    options.front.limits.idleTime = std::chrono::seconds(1);
    PagewrightServer shortLived(*m_service, store(), options);
    ASSERT_TRUE(shortLived.bind());
    shortLived.start();
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(shortLived.port()));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 10000), 1) << "still open after ten seconds";
    char byte = 0;
    EXPECT_EQ(recv(fd, &byte, 1, 0), 0);
    close(fd);
}

// While every worker and the accepting thread are busy (a burst of sign-ins hashing their
// passwords), new connections wait in the listen queue; a short queue drops them instead.
TEST_F(Protocol, ListenQueueHoldsABurstOfConnectionsUntilTheyAreAccepted) {
    PagewrightServer notAccepting(*m_service, store(), ServerOptions{});
    ASSERT_TRUE(notAccepting.bind());
    constexpr int kClients = 64;
    std::vector<pollfd> sockets;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(notAccepting.port()));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int i = 0; i < kClients; ++i) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        ASSERT_GE(fd, 0);
        connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
        sockets.push_back(pollfd{fd, POLLOUT, 0});
    }
    int connected = 0;
    for (pollfd& p : sockets) {
        int error = -1;
        socklen_t size = sizeof error;
        if (poll(&p, 1, 500) == 1 && getsockopt(p.fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 &&
            error == 0) {
            ++connected;
        }
        close(p.fd);
    }
    EXPECT_EQ(connected, kClients);
}

TEST_F(Protocol, WrongMethodOrPathIsNotServed) {
    EXPECT_EQ(m_client->get("/pagewright/soapserver.php")->status, 404);
    EXPECT_EQ(m_client->post("/soapserver.php", "x", "text/xml")->status, 404);
}

} // namespace
} // namespace textowl::server
