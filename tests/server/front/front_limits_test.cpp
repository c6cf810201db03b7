#include "service_fixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace textowl::server {
namespace {

// A raw client connection from a chosen loopback address, for what no well-behaved client sends.
class RawClient {
public:
    RawClient(int port, const char* from = "127.0.0.1") : m_fd(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in source{};
        source.sin_family = AF_INET;
        inet_pton(AF_INET, from, &source.sin_addr);
        ::bind(m_fd, reinterpret_cast<const sockaddr*>(&source), sizeof source);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<std::uint16_t>(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected = connect(m_fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
        // Bounds a test that would otherwise hang on a server that never answers.
        timeval timeout{30, 0};
        setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    }
    ~RawClient() { close(m_fd); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool connected() const { return m_connected; }
    // Sends what it can; a server that closed early may refuse the rest.
    void send(const std::string& bytes) {
        for (std::size_t at = 0; at < bytes.size();) {
            const ssize_t n = ::send(m_fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
            if (n <= 0) {
                return;
            }
            at += static_cast<std::size_t>(n);
        }
    }
    // Everything until the server closes (true) or the receive times out (false).
    bool readToClose(std::string& received) {
        char buffer[4096];
        for (;;) {
            const ssize_t n = recv(m_fd, buffer, sizeof buffer, 0);
            if (n == 0 || (n < 0 && errno == ECONNRESET)) {
                return true;
            }
            if (n < 0) {
                return false;
            }
            received.append(buffer, static_cast<std::size_t>(n));
        }
    }
    // The status of the first response, once its head is in; 0 if the server closed first.
    int status() {
        std::string head;
        char c = 0;
        while (head.find("\r\n\r\n") == std::string::npos && recv(m_fd, &c, 1, 0) == 1) {
            head += c;
        }
        return head.rfind("HTTP/1.1 ", 0) == 0 ? std::atoi(head.c_str() + 9) : 0;
    }

private:
    int m_fd;
    bool m_connected = false;
};

std::string soapHead(const std::string& extra) {
    return "POST /pagewright/soapserver.php HTTP/1.1\r\nHost: localhost\r\n"
           "Content-Type: text/xml; charset=utf-8\r\n" +
           extra;
}

struct HostileCase {
    const char* name;
    std::string request;
    int status;
};

void PrintTo(const HostileCase& c, std::ostream* os) {
    *os << c.name;
}

// Small limits, so that each case stays small and quick; the defaults are the same rules.
FrontLimits tightLimits() {
    FrontLimits limits;
    limits.headerBytes = 4096;
    limits.headerFields = 20;
    limits.bodyBytes = 64 * 1024;
    limits.headerTime = std::chrono::seconds(1);
    limits.bodyTime = std::chrono::seconds(1);
    return limits;
}

class HostileRequest : public testing_support::ServiceTest,
                       public testing::WithParamInterface<HostileCase> {};

// Each is answered with its status and the connection closed, without reading past the limit.
TEST_P(HostileRequest, IsRefusedWithItsStatusAndTheConnectionClosed) {
    ServerOptions options;
    options.front.limits = tightLimits();
    PagewrightServer server(*m_service, store(), options);
    ASSERT_TRUE(server.bind());
    server.start();
    RawClient client(server.port());
    ASSERT_TRUE(client.connected());
    client.send(GetParam().request);
    std::string received;
    EXPECT_TRUE(client.readToClose(received)) << "still open";
    EXPECT_EQ(received.rfind("HTTP/1.1 " + std::to_string(GetParam().status) + " ", 0), 0u)
        << received;
}

INSTANTIATE_TEST_SUITE_P(
    Table, HostileRequest,
    testing::Values(
        HostileCase{"ChunkedBodyOverTheLimit",
                    soapHead("Transfer-Encoding: chunked\r\n\r\n") +
                        [] {
                            std::string chunks;
                            for (int i = 0; i < 20; ++i) {
                                chunks += "1000\r\n" + std::string(4096, 'a') + "\r\n";
                            }
                            return chunks;
                        }(),
                    413},
        HostileCase{"DeclaredBodyOverTheLimit", soapHead("Content-Length: 70000\r\n\r\n"), 413},
        HostileCase{"HeadersOverTheLimit",
                    soapHead("X-Filler: " + std::string(5000, 'h') + "\r\n\r\n"), 431},
        HostileCase{"TooManyFields", soapHead([] {
                        std::string fields;
                        for (int i = 0; i < 21; ++i) {
                            fields += "X-Field-" + std::to_string(i) + ": 1\r\n";
                        }
                        return fields + "Content-Length: 0\r\n\r\n";
                    }()),
                    431},
        HostileCase{"SlowHeadersPastTheDeadline", soapHead("X-Slow: "), 408},
        HostileCase{"BodySlowerThanItsDeadline", soapHead("Content-Length: 10\r\n\r\nabc"), 408},
        HostileCase{"BadChunkSize",
                    soapHead("Transfer-Encoding: chunked\r\n\r\nzz\r\nabc\r\n0\r\n\r\n"), 400},
        HostileCase{"UnknownTransferCoding",
                    soapHead("Transfer-Encoding: gzip\r\n\r\n") + std::string(64, 'z'), 501},
        HostileCase{"CodingBeforeChunked",
                    soapHead("Transfer-Encoding: gzip, chunked\r\n\r\n4\r\nzzzz\r\n0\r\n\r\n"),
                    501},
        HostileCase{"BareLineFeed",
                    "POST /pagewright/soapserver.php HTTP/1.1\nHost: localhost\n"
                    "Content-Length: 0\n\n",
                    400}),
    [](const auto& info) { return std::string(info.param.name); });

class ConnectionCaps : public testing_support::ServiceTest {};

// One address holding its share of connections is turned away at accept; another is served.
TEST_F(ConnectionCaps, AnAddressOverItsCapLeavesOtherAddressesServed) {
    ServerOptions options;
    options.front.limits.connectionsPerAddress = 4;
    PagewrightServer server(*m_service, store(), options);
    ASSERT_TRUE(server.bind());
    server.start();
    const std::string request = "GET /pagewright/terms HTTP/1.1\r\nHost: localhost\r\n\r\n";
    std::vector<std::unique_ptr<RawClient>> held;
    for (int i = 0; i < 4; ++i) {
        held.push_back(std::make_unique<RawClient>(server.port(), "127.0.0.1"));
        held.back()->send(request);
        ASSERT_EQ(held.back()->status(), 200) << "connection " << i;
    }
    RawClient overCap(server.port(), "127.0.0.1");
    overCap.send(request);
    std::string received;
    EXPECT_TRUE(overCap.readToClose(received));
    EXPECT_EQ(received, "");

    RawClient other(server.port(), "127.0.0.2");
    other.send(request);
    EXPECT_EQ(other.status(), 200);
}

} // namespace
} // namespace textowl::server
