#include "service/http_client.h"
#include "support/scripted_server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace textowl {
namespace {

using namespace std::chrono_literals;
using test::ConnectionScript;
using test::httpReply;
using test::ScriptedServer;

const std::string kOk = httpReply("200 OK", "<ok/>");

class HttpClientTest : public testing::Test {
protected:
    bool send(const ScriptedServer& server, const std::string& path = "/svc") {
        return client.sendRequest(*Url::parse(server.url(path)), settings);
    }

    static std::size_t countOf(const std::string& text, const std::string& what) {
        std::size_t count = 0;
        for (std::size_t at = text.find(what); at != std::string::npos;
             at = text.find(what, at + 1)) {
            ++count;
        }
        return count;
    }

    HttpClient client;
    NavigationSettings settings;
};

TEST_F(HttpClientTest, PostGoesOnTheWireExactlyAndHostOmitsThePort) {
    std::string body(10000, 'b'); // more than two send blocks
    ScriptedServer server({ConnectionScript().readRequest().send(kOk)});
    settings.method = "POST";
    settings.contentType = "text/xml; charset=utf-8";
    settings.extraHeaders = "SOAPAction: \"urn:Pagewright#apiLogout\"\r\nAccept: text/xml\r\n";
    settings.body = body.data();
    settings.bodyLength = body.size();
    ASSERT_TRUE(send(server, "/pagewright/soapserver.php"));
    EXPECT_EQ(server.received(0), "POST /pagewright/soapserver.php HTTP/1.1\r\n"
                                  "Content-Length: 10000\r\n"
                                  "Content-Type: text/xml; charset=utf-8\r\n"
                                  "SOAPAction: \"urn:Pagewright#apiLogout\"\r\n"
                                  "Accept: text/xml\r\n"
                                  "Host: 127.0.0.1\r\n"
                                  "User-Agent: Microsoft-ATL-Native/7.00\r\n\r\n" +
                                      body);
    EXPECT_EQ(client.statusCode(), 200);
    EXPECT_EQ(client.body(), "<ok/>");
}

TEST_F(HttpClientTest, ReplySplitAtEveryByteOnTheWireReadsTheSame) {
    ConnectionScript script;
    for (std::size_t cut = 1; cut < kOk.size(); ++cut) {
        script.readRequest().send(kOk.substr(0, cut)).pause(2ms).send(kOk.substr(cut));
    }
    ScriptedServer server({script});
    for (std::size_t cut = 1; cut < kOk.size(); ++cut) {
        ASSERT_TRUE(send(server)) << "cut at " << cut;
        EXPECT_EQ(client.body(), "<ok/>") << "cut at " << cut;
    }
    EXPECT_EQ(server.acceptedCount(), 1u);
}

TEST_F(HttpClientTest, ContinueThenOkYieldsTheOk) {
    ScriptedServer server({ConnectionScript()
                               .readRequest()
                               .send("HTTP/1.1 100 Continue\r\n\r\n")
                               .pause(20ms)
                               .send(kOk)});
    ASSERT_TRUE(send(server));
    EXPECT_EQ(client.statusCode(), 200);
    EXPECT_EQ(client.body(), "<ok/>");
}

TEST_F(HttpClientTest, ChunkedReplyWithTrailerIsDecoded) {
    ScriptedServer server({ConnectionScript().readRequest().send(
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nTrailer: X-Sum\r\n\r\n"
        "5\r\nhello\r\n3\r\nabc\r\n0\r\nX-Sum: 8\r\n\r\n")});
    ASSERT_TRUE(send(server));
    EXPECT_EQ(client.body(), "helloabc");
    EXPECT_EQ(client.header("x-sum"), "8");
}

TEST_F(HttpClientTest, TwoCallsShareOneConnection) {
    ScriptedServer server({ConnectionScript::serveForever(kOk)});
    ASSERT_TRUE(send(server));
    ASSERT_TRUE(send(server));
    EXPECT_TRUE(client.isConnected());
    EXPECT_EQ(server.acceptedCount(), 1u);
}

TEST_F(HttpClientTest, ConnectionCloseHeaderClosesAndNextCallReconnects) {
    ScriptedServer server({ConnectionScript().readRequest().send(
                              httpReply("200 OK", "<ok/>", "Connection: Close\r\n"))},
                          ConnectionScript::serveForever(kOk));
    ASSERT_TRUE(send(server));
    EXPECT_FALSE(client.isConnected());
    ASSERT_TRUE(send(server));
    EXPECT_EQ(server.acceptedCount(), 2u);
}

TEST_F(HttpClientTest, BodyWithoutLengthEndsWhenTheServerCloses) {
    ScriptedServer server({ConnectionScript()
                               .readRequest()
                               .send("HTTP/1.1 200 OK\r\n\r\nuntil")
                               .pause(20ms)
                               .send(" close")});
    ASSERT_TRUE(send(server));
    EXPECT_EQ(client.body(), "until close");
}

TEST_F(HttpClientTest, BodyWithoutLengthOnAnOpenConnectionEndsAtTheTimeOut) {
    settings.timeoutMs = 200;
    ScriptedServer server(
        {ConnectionScript().readRequest().send("HTTP/1.1 200 OK\r\n\r\nopen").staySilent()});
    ASSERT_TRUE(send(server));
    EXPECT_EQ(client.body(), "open");
}

struct StatusCase {
    const char* statusLine;
    bool completed;
};

class HttpClientStatus : public HttpClientTest, public testing::WithParamInterface<StatusCase> {};

TEST_P(HttpClientStatus, AcceptsOnlyTheSuccessStatuses) {
    ScriptedServer server({ConnectionScript::serveForever(httpReply(GetParam().statusLine, "x"))});
    EXPECT_EQ(send(server), GetParam().completed);
    EXPECT_EQ(client.statusCode(), std::stoi(GetParam().statusLine));
    EXPECT_EQ(client.readOutcome(), ReadOutcome::Complete);
    EXPECT_EQ(client.isConnected(), GetParam().completed); // a refused reply closes
}

INSTANTIATE_TEST_SUITE_P(
    Table, HttpClientStatus,
    testing::Values(StatusCase{"200 OK", true}, StatusCase{"202 Accepted", true},
                    StatusCase{"206 Partial", true}, StatusCase{"304 Not Modified", true},
                    StatusCase{"305 Use Proxy", true}, StatusCase{"300 Multiple", false},
                    StatusCase{"307 Temporary", false}, StatusCase{"401 Unauthorized", false},
                    StatusCase{"404 Not Found", false}, StatusCase{"407 Proxy", false},
                    StatusCase{"500 Internal", false}, StatusCase{"503 Unavailable", false}));

TEST_F(HttpClientTest, NoContentCompletesWithoutWaitingForABody) {
    settings.timeoutMs = 5000;
    ScriptedServer server(
        {ConnectionScript().readRequest().send("HTTP/1.1 204 No Content\r\n\r\n").staySilent()});
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(send(server));
    EXPECT_EQ(client.statusCode(), 204);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
}

TEST_F(HttpClientTest, SilentServerFailsAfterTheTimeOut) {
    settings.timeoutMs = 150;
    ScriptedServer server({ConnectionScript().readRequest().staySilent()});
    EXPECT_FALSE(send(server));
    EXPECT_EQ(client.readOutcome(), ReadOutcome::ReceiveFailed);
    EXPECT_FALSE(client.isConnected());
}

TEST_F(HttpClientTest, SlowServerFailsWhenAByteTakesLongerThanTheTimeOut) {
    settings.timeoutMs = 100;
    ScriptedServer server({ConnectionScript().readRequest().sendInPieces(kOk, 1, 300ms)});
    EXPECT_FALSE(send(server));
    EXPECT_EQ(client.readOutcome(), ReadOutcome::ReceiveFailed);
}

TEST_F(HttpClientTest, ConnectionClosedWhileIdleIsReplacedBeforeSending) {
    ScriptedServer server({ConnectionScript().readRequest().send(kOk).close()},
                          ConnectionScript::serveForever(kOk));
    ASSERT_TRUE(send(server));
    ASSERT_TRUE(server.waitForScriptEnd(0, 2s));
    ASSERT_TRUE(send(server));
    EXPECT_EQ(server.acceptedCount(), 2u);
    EXPECT_EQ(countOf(server.received(0), "HTTP/1.1\r\n"), 1u); // nothing sent twice
}

TEST_F(HttpClientTest, RequestLeftUnansweredIsNeverSentAgain) {
    // The fallback would answer a second attempt, so only a resend could make the call complete.
    ScriptedServer server({ConnectionScript().readRequest().send(kOk).readRequest().close()},
                          ConnectionScript::serveForever(kOk));
    ASSERT_TRUE(send(server));
    EXPECT_FALSE(send(server));
    EXPECT_EQ(server.acceptedCount(), 1u);
    EXPECT_FALSE(client.isConnected());
}

TEST_F(HttpClientTest, UnaskedBytesOnAnIdleConnectionAreNotTakenForTheNextReply) {
    ScriptedServer server({ConnectionScript()
                               .readRequest()
                               .send(kOk)
                               .pause(20ms)
                               .send("HTTP/1.1 404 Stale\r\n\r\n")
                               .staySilent()},
                          ConnectionScript::serveForever(kOk));
    ASSERT_TRUE(send(server));
    ASSERT_TRUE(server.waitForSilence(0, 2s)); // the unasked bytes arrived while the client idled
    ASSERT_TRUE(send(server));
    EXPECT_EQ(client.statusCode(), 200);
}

TEST_F(HttpClientTest, HeadBeyondSixtyFourKilobytesFails) {
    ScriptedServer server({ConnectionScript()
                               .readRequest()
                               .send("HTTP/1.1 200 OK\r\n")
                               .sendRepeated("X-Filler: " + std::string(1000, 'f') + "\r\n", 70)
                               .send("Content-Length: 0\r\n\r\n")});
    EXPECT_FALSE(send(server));
    EXPECT_EQ(client.readOutcome(), ReadOutcome::ReceiveFailed);
}

TEST_F(HttpClientTest, BodyOfSixtyFourMegabytesIsReadAndOneByteMoreIsRefused) {
    const std::size_t limit = 64u * 1024 * 1024;
    const std::string block(1 << 20, 'x');
    ScriptedServer server(
        {ConnectionScript()
             .readRequest()
             .send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(limit) + "\r\n\r\n")
             .sendRepeated(block, 64)
             .readRequest()
             .send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(limit + 1) + "\r\n\r\n")
             .sendRepeated(block, 64)
             .send("x")});
    ASSERT_TRUE(send(server));
    EXPECT_EQ(client.body().size(), limit);
    EXPECT_FALSE(send(server));
    EXPECT_EQ(client.readOutcome(), ReadOutcome::BodyUnreadable);
}

TEST_F(HttpClientTest, UnsizedBodyBeyondSixtyFourMegabytesIsRefused) {
    ScriptedServer server({ConnectionScript()
                               .readRequest()
                               .send("HTTP/1.1 200 OK\r\n\r\n")
                               .sendRepeated(std::string(1 << 20, 'x'), 65)});
    EXPECT_FALSE(send(server));
    EXPECT_EQ(client.readOutcome(), ReadOutcome::BodyUnreadable);
}

TEST_F(HttpClientTest, ChunkOfTwoGigabytesIsRefusedAtOnce) {
    ScriptedServer server(
        {ConnectionScript()
             .readRequest()
             .send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n7fffffff\r\n")
             .sendForever(std::string(4096, 'c'))});
    EXPECT_FALSE(send(server));
    EXPECT_EQ(client.readOutcome(), ReadOutcome::ChunkedUndecodable);
}

std::string redirectTo(const std::string& location) {
    return httpReply("302 Found", "", "Location: " + location + "\r\n");
}

TEST_F(HttpClientTest, RedirectIsFollowedToTheFinalReply) {
    ScriptedServer server({ConnectionScript()
                               .readRequest()
                               .send(redirectTo("moved.php?x=1"))
                               .readRequest()
                               .send(httpReply("200 OK", "moved"))});
    ASSERT_TRUE(send(server, "/dir/old.php"));
    EXPECT_EQ(client.body(), "moved");
    EXPECT_NE(server.received(0).find("GET /dir/moved.php?x=1 HTTP/1.1\r\n"), std::string::npos);
}

TEST_F(HttpClientTest, TenRedirectsAreFollowedTheEleventhFails) {
    ConnectionScript tenThenOk;
    ConnectionScript elevenThenOk;
    for (int i = 0; i < 10; ++i) {
        tenThenOk.readRequest().send(redirectTo("/r" + std::to_string(i)));
        elevenThenOk.readRequest().send(redirectTo("/r" + std::to_string(i)));
    }
    tenThenOk.readRequest().send(kOk);
    elevenThenOk.readRequest().send(redirectTo("/last")).readRequest().send(kOk);
    ScriptedServer ten({tenThenOk});
    EXPECT_TRUE(send(ten));
    EXPECT_EQ(client.statusCode(), 200);

    ScriptedServer eleven({elevenThenOk});
    EXPECT_FALSE(send(eleven));
    EXPECT_EQ(client.statusCode(), 302);
    EXPECT_EQ(countOf(eleven.received(0), "HTTP/1.1\r\n"), 11u);
}

TEST_F(HttpClientTest, RedirectWithoutLocationIsAcceptedAsIs) {
    ScriptedServer server({ConnectionScript::serveForever(httpReply("301 Moved", "gone"))});
    EXPECT_TRUE(send(server));
    EXPECT_EQ(client.statusCode(), 301);
}

TEST_F(HttpClientTest, RedirectToAClosedPortFails) {
    std::string closedUrl;
    {
        ScriptedServer gone({});
        closedUrl = gone.url("/");
    }
    ScriptedServer server({ConnectionScript().readRequest().send(redirectTo(closedUrl))});
    EXPECT_FALSE(send(server));
    EXPECT_FALSE(client.isConnected());
}

TEST_F(HttpClientTest, RefusedConnectionFailsWithTheSocketError) {
    std::string closedUrl;
    {
        ScriptedServer gone({});
        closedUrl = gone.url("/");
    }
    EXPECT_FALSE(client.sendRequest(*Url::parse(closedUrl), settings));
    EXPECT_NE(client.lastSocketError(), 0);
    EXPECT_EQ(client.statusCode(), -1);
    EXPECT_EQ(client.readOutcome(), ReadOutcome::NothingRead);
}

// A listener whose accept queue is full drops further SYNs, so the connect is never answered.
TEST_F(HttpClientTest, ConnectThatIsNeverAnsweredFailsAfterTheTimeOut) {
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::vector<int> fillers;
    for (int i = 0; i < 4; ++i) {
        fillers.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
        ::connect(fillers.back(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    // Once one filler is through the handshake the queue is full.
    std::vector<pollfd> pending;
    for (int fd : fillers) {
        pending.push_back({fd, POLLOUT, 0});
    }
    ASSERT_GT(::poll(pending.data(), pending.size(), 2000), 0);
    settings.timeoutMs = 200;
    Url url = *Url::parse("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/");
    EXPECT_FALSE(client.sendRequest(url, settings));
    EXPECT_EQ(client.lastSocketError(), ETIMEDOUT);
    EXPECT_FALSE(client.isConnected());
    for (int fd : fillers) {
        ::close(fd);
    }
    ::close(listener);
}

TEST_F(HttpClientTest, AddressWithoutPortUsesTheSettingsPort) {
    ScriptedServer server({ConnectionScript::serveForever(kOk)});
    settings.port = server.port();
    EXPECT_TRUE(client.sendRequest(*Url::parse("http://127.0.0.1/svc"), settings));
}

TEST_F(HttpClientTest, UnknownSchemeFailsWithoutTouchingTheConnection) {
    ScriptedServer server({ConnectionScript::serveForever(kOk)});
    ASSERT_TRUE(send(server));
    Url url = *Url::parse(server.url());
    url.scheme = "ftp";
    EXPECT_FALSE(client.sendRequest(url, settings));
    EXPECT_TRUE(client.isConnected());
}

} // namespace
} // namespace textowl
