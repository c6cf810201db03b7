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
        m_client->Post("/pagewright/soapserver.php",
                       requestBody("apiValidateLogin", {{"user", "x"}, {"password", "y"}}),
                       "text/xml; charset=utf-8");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->get_header_value("Content-Type"), "text/xml; charset=utf-8");
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

TEST_P(ProtocolFault, IsHttp500WithClientFault) {
    const Reply r = post(GetParam().body, GetParam().soapAction);
    EXPECT_EQ(r.status, 500);
    EXPECT_EQ(r.faultCode, "soap:Client") << r.body;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProtocolFault,
    testing::Values(FaultCase{"MalformedEnvelope", "<soap:Envelope", std::nullopt},
                    FaultCase{"UnknownOperation", requestBody("apiRenewTicket", {{"ticket", "t"}}),
                              std::nullopt},
                    FaultCase{"MissingParameter", requestBody("apiValidateLogin", {{"user", "x"}}),
                              std::nullopt},
                    FaultCase{"SoapActionNamesAnotherOperation",
                              requestBody("apiLogout", {{"ticket", "t"}}),
                              "\"urn:Pagewright#apiBalanceSms\""},
                    FaultCase{"SoapActionOfAnotherService",
                              requestBody("apiLogout", {{"ticket", "t"}}),
                              "\"urn:Other#apiLogout\""},
                    FaultCase{"EntityDeclaration",
                              "<!DOCTYPE x [<!ENTITY a \"aaaa\">]>" +
                                  requestBody("apiLogout", {{"ticket", "&a;"}}),
                              std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Protocol, SoapActionMayBeAbsentOrEmpty) {
    EXPECT_EQ(post(requestBody("apiLogout", {{"ticket", "t"}}), std::nullopt).err, "1");
    EXPECT_EQ(post(requestBody("apiLogout", {{"ticket", "t"}}), "\"\"").err, "1");
    EXPECT_EQ(post(requestBody("apiLogout", {{"ticket", "t"}}), "urn:Pagewright#apiLogout").err,
              "1");
}

TEST_F(Protocol, BodyOverOneMebibyteIsRefusedWith413) {
    const std::string big = requestBody("apiLogout", {{"ticket", std::string(1024 * 1024, 'a')}});
    const auto res = m_client->Post("/pagewright/soapserver.php", big, "text/xml; charset=utf-8");
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
    std::vector<std::unique_ptr<httplib::Client>> idle;
    for (int i = 0; i < store().concurrency() + 4; ++i) {
        auto c = std::make_unique<httplib::Client>("127.0.0.1", m_server->port());
        c->set_keep_alive(true);
        const auto res = c->Get("/pagewright/terms");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200);
        idle.push_back(std::move(c));
    }
    httplib::Client fresh("127.0.0.1", m_server->port());
    fresh.set_read_timeout(10, 0);
    const auto res = fresh.Get("/pagewright/about");
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
    options.limits.idleTime = std::chrono::hours(1);
    options.limits.connectionsPerAddress = kIdle + 1;
    PagewrightServer longLived(*m_service, store(), options);
    ASSERT_TRUE(longLived.bind());
    longLived.start();
    std::vector<std::unique_ptr<httplib::Client>> idle;
    for (int i = 0; i < kIdle; ++i) {
        auto c = std::make_unique<httplib::Client>("127.0.0.1", longLived.port());
        c->set_keep_alive(true);
        const auto res = c->Get("/pagewright/terms");
        ASSERT_TRUE(res) << "idle client " << i;
        idle.push_back(std::move(c));
    }
    httplib::Client fresh("127.0.0.1", longLived.port());
    fresh.set_connection_timeout(60, 0);
    fresh.set_read_timeout(60, 0);
    const auto res = fresh.Get("/pagewright/about");
    ASSERT_TRUE(res) << "no answer while the idle connections are kept";
    EXPECT_EQ(res->status, 200);
}

TEST_F(Protocol, IdleKeptAliveConnectionIsClosedAfterTheKeepAliveTime) {
    ServerOptions options;
    options.limits.idleTime = std::chrono::seconds(1);
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
    EXPECT_EQ(m_client->Get("/pagewright/soapserver.php")->status, 404);
    EXPECT_EQ(m_client->Post("/soapserver.php", "x", "text/xml")->status, 404);
}

class WebPagesTest : public ServiceTest {};

// A second server on the test's service, whose lines for the operator the test reads.
class NoticedServer {
public:
    NoticedServer(PagewrightService& service, Store& store) {
        ServerOptions options;
        options.notice = [this](const std::string& line) {
            std::lock_guard lock(m_mutex);
            m_notices.push_back(line);
        };
        m_server = std::make_unique<PagewrightServer>(service, store, options);
        EXPECT_TRUE(m_server->bind());
        m_server->start();
    }
    int port() const { return m_server->port(); }
    // Stops the server first, so that what it writes as it goes is there too.
    std::vector<std::string> noticesAfterStop() {
        m_server.reset();
        std::lock_guard lock(m_mutex);
        return m_notices;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_notices;
    std::unique_ptr<PagewrightServer> m_server;
};

TEST_F(WebPagesTest, SignUpCreatesAnAccountThatCanSignIn) {
    const auto res = m_client->Post("/pagewright/signup.php",
                                    "name=carol&password=longenough&password2=longenough",
                                    "application/x-www-form-urlencoded");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_NE(res->body.find("carol"), std::string::npos);
    const std::string ticket = login("carol", "longenough");
    EXPECT_EQ(balance(ticket), "10");
}

// The page answers alike for every name, so it reveals no accounts; only a real account's
// request reaches the operator.
TEST_F(WebPagesTest, ForgottenPasswordOfAnAccountReachesTheOperator) {
    addUser("carol", "secret", 0);
    NoticedServer server(*m_service, store());
    httplib::Client client("127.0.0.1", server.port());
    std::vector<std::string> pages;
    for (const char* name : {"carol", "nobody", "carol\nforged line"}) {
        const auto res = client.Post("/pagewright/forgotpwd", httplib::Params{{"name", name}});
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200);
        pages.push_back(res->body);
    }
    EXPECT_EQ(pages[0], pages[1]);
    EXPECT_EQ(pages[0], pages[2]);
    EXPECT_EQ(server.noticesAfterStop(),
              std::vector<std::string>{"a new password was asked for the user carol"});
}

TEST_F(WebPagesTest, SignUpRefusesTakenNamesBadNamesAndMismatchedPasswords) {
    addUser("carol", "secret", 0);
    for (const char* form : {"name=carol&password=longenough&password2=longenough",
                             "name=a%20b&password=longenough&password2=longenough",
                             "name=dave&password=short&password2=short",
                             "name=dave&password=longenough&password2=different"}) {
        const auto res =
            m_client->Post("/pagewright/signup", form, "application/x-www-form-urlencoded");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 400) << form;
    }
    EXPECT_EQ(call("apiValidateLogin", {{"user", "dave"}, {"password", "longenough"}}).err, "2");
}

TEST_F(WebPagesTest, PublicPagesArePlainHtml) {
    for (const char* path :
         {"/pagewright/", "/pagewright/signup", "/pagewright/forgotpwd.php", "/pagewright/terms",
          "/pagewright/faqs", "/pagewright/contactus.php?lang=sv", "/pagewright/about",
          "/pagewright/tabs/news", "/pagewright/tabs/help", "/pagewright/footer"}) {
        const auto res = m_client->Get(path);
        ASSERT_TRUE(res) << path;
        EXPECT_EQ(res->status, 200) << path;
        EXPECT_EQ(res->body.find("<script"), std::string::npos) << path;
    }
    EXPECT_EQ(m_client->Get("/pagewright/nothing")->status, 404);
}

// The pages of the signed-in view and the footer answer in the language the browser prefers, and
// tell caches that they vary with it.
TEST_F(WebPagesTest, PagesAnswerInSwedishWhenTheBrowserPrefersIt) {
    const std::string ticket = signedIn("alice", 100);
    const struct {
        std::string path;
        const char* english;
        const char* swedish;
    } pages[] = {
        {"/pagewright/tabs/news", "<h1>News</h1>", "<h1>Nyheter</h1>"},
        {"/pagewright/tabs/rates", "Credits per recipient", "Krediter per mottagare"},
        {"/pagewright/footer", "Terms of use", "Villkor"},
        {"/pagewright/buttons/sent?ticket=" + ticket, "<h1>Sent messages</h1>",
         "<h1>Skickade meddelanden</h1>"},
    };
    const struct {
        const char* acceptLanguage;
        const char* tag;
    } asked[] = {{"sv-SE,sv;q=0.9,en;q=0.8", "sv"}, {"en-US,en;q=0.9,sv;q=0.8", "en"}};
    for (const auto& page : pages) {
        for (const auto& [acceptLanguage, tag] : asked) {
            const auto res = m_client->Get(page.path, {{"Accept-Language", acceptLanguage}});
            ASSERT_TRUE(res) << page.path;
            const bool swedish = std::string_view(tag) == "sv";
            EXPECT_NE(res->body.find(swedish ? page.swedish : page.english), std::string::npos)
                << page.path << " asked for " << acceptLanguage;
            EXPECT_NE(res->body.find("<html lang=\"" + std::string(tag) + "\">"), std::string::npos)
                << page.path;
            EXPECT_EQ(res->get_header_value("Content-Language"), tag) << page.path;
            EXPECT_EQ(res->get_header_value("Vary"), "Accept-Language") << page.path;
        }
    }
}

TEST_F(WebPagesTest, ButtonPagesGreetTheTicketsUserAndEscapeTheirData) {
    const std::string ticket = signedIn("alice", 1250);
    call("apiSendSms", {{"ticket", ticket},
                        {"sms_from", ""},
                        {"sms_to", "46700000001"},
                        {"msg_content", "<b>bold</b>"},
                        {"msg_type", "text"},
                        {"unicode", "0"},
                        {"schedule", "2006-3-7 14:05:00"}});
    const auto account = m_client->Get("/pagewright/buttons/account?ticket=" + ticket);
    ASSERT_TRUE(account);
    EXPECT_NE(account->body.find("Hello, alice!"), std::string::npos);
    EXPECT_NE(account->body.find("11.50"), std::string::npos);
    const auto sent = m_client->Get("/pagewright/buttons/sent?ticket=" + ticket);
    EXPECT_NE(sent->body.find("&lt;b&gt;bold"), std::string::npos);
    EXPECT_EQ(sent->body.find("<b>bold"), std::string::npos);
    EXPECT_EQ(m_client->Get("/pagewright/buttons/account")->status, 403);
    EXPECT_EQ(m_client->Get("/pagewright/buttons/credit?ticket=" + std::string(64, 'f'))->status,
              403);
}

// Requests to the pages in turn from one address: "{ticket}" stands for carol's ticket and "{i}"
// for the request's number; a POST's form follows its path after '?'.
struct PageLimitCase {
    const char* name;
    bool post;
    std::string target;
    std::vector<int> statuses;
    httplib::Headers lastHeaders; // expected among the last reply's
    std::vector<std::string> notices;
};

void PrintTo(const PageLimitCase& c, std::ostream* os) {
    *os << c.name;
}

class PageLimits : public ServiceTest, public testing::WithParamInterface<PageLimitCase> {};

TEST_P(PageLimits, HoldRequestAfterRequest) {
    const std::string ticket = signedIn("carol");
    NoticedServer server(*m_service, store());
    {
        httplib::Client client("127.0.0.1", server.port());
        const PageLimitCase& c = GetParam();
        for (std::size_t i = 0; i < c.statuses.size(); ++i) {
            std::string target = c.target;
            for (const auto& [from, to] : {std::pair<std::string, std::string>{"{ticket}", ticket},
                                           {"{i}", std::to_string(i)}}) {
                if (const auto at = target.find(from); at != std::string::npos) {
                    target.replace(at, from.size(), to);
                }
            }
            const std::size_t query = target.find('?');
            const auto res = c.post ? client.Post(target.substr(0, query), target.substr(query + 1),
                                                  "application/x-www-form-urlencoded")
                                    : client.Get(target);
            ASSERT_TRUE(res);
            EXPECT_EQ(res->status, c.statuses[i]) << "request " << i;
            for (const auto& [name, value] : c.lastHeaders) {
                if (i + 1 == c.statuses.size()) {
                    EXPECT_EQ(res->get_header_value(name), value) << name;
                }
            }
        }
    }
    EXPECT_EQ(server.noticesAfterStop(), GetParam().notices);
}

const httplib::Headers kTicketedPageHeaders{{"Cache-Control", "no-store"},
                                            {"Referrer-Policy", "no-referrer"},
                                            {"X-Content-Type-Options", "nosniff"}};
const std::string kNotice = "a new password was asked for the user carol";

INSTANTIATE_TEST_SUITE_P(
    Table, PageLimits,
    testing::Values(
        PageLimitCase{"SentMessagesKeepTheirTicketToThemselves",
                      false,
                      "/pagewright/buttons/sent?ticket={ticket}",
                      {200},
                      kTicketedPageHeaders,
                      {}},
        PageLimitCase{"SignedOutPagesToo",
                      false,
                      "/pagewright/buttons/account?ticket=x{i}",
                      {403},
                      kTicketedPageHeaders,
                      {}},
        PageLimitCase{"ThreeSignUpsAnHourFromOneAddress",
                      true,
                      "/pagewright/signup?name=new{i}&password=longenough&password2=longenough",
                      {200, 200, 200, 429},
                      {{"Retry-After", "3600"}},
                      {}},
        PageLimitCase{"FiveForgottenPasswordNoticesAnHourThenOneLineAMinute",
                      true,
                      "/pagewright/forgotpwd?name=carol",
                      {200, 200, 200, 200, 200, 200, 200, 200},
                      {},
                      {kNotice, kNotice, kNotice, kNotice, kNotice,
                       "1 more request(s) for a new password came from addresses over their "
                       "limit of 5 an hour; they were not written",
                       "2 more request(s) for a new password came from addresses over their "
                       "limit of 5 an hour; they were not written"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WebPagesTest, SentMessagesShowFiftyToAPageNewestFirst) {
    const std::string ticket = signedIn("alice", 10000);
    std::string numbers;
    for (int i = 0; i < 51; ++i) {
        numbers += (i ? "," : "") + std::to_string(46700000100 + i);
    }
    call("apiSendSms", {{"ticket", ticket},
                        {"sms_from", ""},
                        {"sms_to", numbers},
                        {"msg_content", std::string(39, 'a') + "\xC3\xA5"
                                                               "bc"},
                        {"msg_type", "text"},
                        {"unicode", "0"},
                        {"schedule", ""}});
    auto entries = [](const std::string& body) {
        std::size_t n = 0;
        for (std::size_t at = body.find("<li>"); at != std::string::npos;
             at = body.find("<li>", at + 1)) {
            ++n;
        }
        return n;
    };
    const auto newest = m_client->Get("/pagewright/buttons/sent?ticket=" + ticket)->body;
    EXPECT_EQ(entries(newest), 50u);
    EXPECT_LT(newest.find("46700000150"), newest.find("46700000149"));
    EXPECT_EQ(newest.find("46700000100"), std::string::npos);
    EXPECT_NE(newest.find(std::string(39, 'a') + "\xC3\xA5\xE2\x80\xA6"), std::string::npos);
    EXPECT_NE(newest.find("held</span> (no gateway configured)"), std::string::npos);
    EXPECT_NE(newest.find("http-equiv=\"refresh\" content=\"10\""), std::string::npos);
    EXPECT_NE(newest.find("page=1\">Older"), std::string::npos);
    EXPECT_EQ(newest.find("Newer"), std::string::npos);
    const auto older = m_client->Get("/pagewright/buttons/sent?ticket=" + ticket + "&page=1")->body;
    EXPECT_EQ(entries(older), 1u);
    EXPECT_NE(older.find("46700000100"), std::string::npos);
    EXPECT_NE(older.find("page=0\">&larr; Newer"), std::string::npos);
    EXPECT_EQ(m_client->Get("/pagewright/buttons/sent?page=1")->status, 403);
}

TEST_F(WebPagesTest, InterfaceIconsArePairsOf24BitBitmapsOnMagenta) {
    const std::string ticket = signedIn();
    const Reply ui = call("apiGetInterface", {{"ticket", ticket}});
    struct Expect {
        const char* element;
        int width, height;
    };
    for (const Expect e : {Expect{"tabs", 60, 38}, Expect{"buttons", 32, 16}}) {
        for (pugi::xml_node item : ui.root().child("interface").child(e.element).children()) {
            const std::string path = std::string(item.attribute("location").value()) + "/" +
                                     item.attribute("file").value();
            const auto res = m_client->Get(path);
            ASSERT_TRUE(res) << path;
            ASSERT_EQ(res->status, 200) << path;
            const std::string& bmp = res->body;
            ASSERT_GT(bmp.size(), 54u);
            auto le = [&](std::size_t at, int bytes) {
                std::uint32_t v = 0;
                for (int i = bytes - 1; i >= 0; --i) {
                    v = v * 256 + static_cast<unsigned char>(bmp[at + static_cast<std::size_t>(i)]);
                }
                return v;
            };
            EXPECT_EQ(bmp.substr(0, 2), "BM");
            EXPECT_EQ(le(18, 4), static_cast<std::uint32_t>(e.width)) << path;
            EXPECT_EQ(le(22, 4), static_cast<std::uint32_t>(e.height)) << path;
            EXPECT_EQ(le(28, 2), 24u);
            EXPECT_EQ(le(2, 4), bmp.size());
            // The bottom-left pixel (first in the file) is background: blue, green, red.
            EXPECT_EQ(le(54, 3), 0xFF00FFu) << path;
        }
    }
}

class Concurrency : public testing_support::EveryStoreTest {};
TEXTOWL_ON_EVERY_STORE(Concurrency);

// Eight clients at once over two accounts: every acknowledged change must be counted exactly
// once, and credit must never go below zero. On PostgreSQL half the clients of each account
// reach a second instance on the same database.
TEST_P(Concurrency, MixedClientsLeaveConsistentCountsAndBalances) {
    addUser("alice", "secret", 40 * 100);
    addUser("bob", "secret", 40 * 100);
    std::unique_ptr<ServiceHost> secondHost;
    PagewrightServer* second = nullptr;
    if (GetParam() == testing_support::StoreKind::Postgres) {
        HostConfig config;
        config.database = m_database;
        config.service.hashCost = HashCost::Minimum;
        config.service.clock = [this] { return m_now.load(); }; // instances share one clock
        secondHost = std::make_unique<ServiceHost>(std::move(config));
        ASSERT_TRUE(secondHost->bind());
        secondHost->start();
        second = &secondHost->server();
    }
    constexpr int kThreads = 8;
    // TEXTOWL_SOAK_SECONDS=60 turns the twelve rounds of each client into as many as fit.
    const char* soak = std::getenv("TEXTOWL_SOAK_SECONDS");
    const int kRounds = soak ? std::numeric_limits<int>::max() : 12;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(soak ? std::atoi(soak) : 3600);
    struct Tally {
        int rounds = 0, buddiesAdded = 0, buddiesDeleted = 0, groupsAdded = 0, sends = 0,
            refusedSends = 0;
    };
    std::vector<Tally> tallies(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            httplib::Client client("127.0.0.1",
                                   second && t % 4 >= 2 ? second->port() : m_server->port());
            auto rpc = [&](const std::string& op, const testing_support::Params& params) {
                const auto res = client.Post("/pagewright/soapserver.php", requestBody(op, params),
                                             "text/xml; charset=utf-8");
                return res ? testing_support::readReply(res->status, res->body) : Reply{};
            };
            const std::string user = t % 2 == 0 ? "alice" : "bob";
            // All sign in at once from one address, which holds only a few places in the
            // hashing queue: a busy answer is tried again, as the client's user would.
            Reply signIn;
            do {
                signIn = rpc("apiValidateLogin", {{"user", user}, {"password", "secret"}});
            } while (signIn.err == "7");
            const std::string ticket = signIn.child("ticket");
            Tally& tally = tallies[static_cast<std::size_t>(t)];
            for (int round = 0; round < kRounds && std::chrono::steady_clock::now() < deadline;
                 ++round) {
                ++tally.rounds;
                const std::string name = "g" + std::to_string(t) + "-" + std::to_string(round);
                const Reply group = rpc("apiAddBuddyGroup", {{"ticket", ticket}, {"name", name}});
                tally.groupsAdded += group.err == "0";
                const Reply buddy = rpc("apiAddBuddy", {{"ticket", ticket},
                                                        {"bgid", group.child("bgid")},
                                                        {"firstname", "F"},
                                                        {"lastname", ""},
                                                        {"nickname", name},
                                                        {"cellphone", "46700000001"},
                                                        {"email", ""},
                                                        {"birthday", ""}});
                tally.buddiesAdded += buddy.err == "0";
                rpc("apiCopyBuddy", {{"ticket", ticket},
                                     {"bid", buddy.child("bid")},
                                     {"bgid_from", group.child("bgid")},
                                     {"bgid_to", "0"}});
                const Reply sent = rpc("apiSendSms", {{"ticket", ticket},
                                                      {"sms_from", ""},
                                                      {"sms_to", "46700000001,46700000002"},
                                                      {"msg_content", "hi"},
                                                      {"msg_type", "text"},
                                                      {"unicode", "0"},
                                                      {"schedule", std::nullopt}});
                tally.sends += sent.err == "0";
                tally.refusedSends += sent.err == "6";
                if (round % 3 == 0) {
                    tally.buddiesDeleted +=
                        rpc("apiDeleteBuddy", {{"ticket", ticket}, {"bid", buddy.child("bid")}})
                            .err == "0";
                }
                rpc("apiGetBuddyList", {{"ticket", ticket}});
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    for (const std::string user : {"alice", "bob"}) {
        Tally sum;
        for (int t = user == "alice" ? 0 : 1; t < kThreads; t += 2) {
            const Tally& x = tallies[static_cast<std::size_t>(t)];
            sum.rounds += x.rounds;
            sum.buddiesAdded += x.buddiesAdded;
            sum.buddiesDeleted += x.buddiesDeleted;
            sum.groupsAdded += x.groupsAdded;
            sum.sends += x.sends;
            sum.refusedSends += x.refusedSends;
        }
        EXPECT_EQ(sum.groupsAdded, sum.rounds);
        EXPECT_EQ(sum.sends + sum.refusedSends, sum.rounds);
        EXPECT_EQ(sum.sends, 20); // 40 credits, two recipients a send
        const AccountId id = store().findAccount(user)->id;
        const Store::Totals totals = store().totals(id);
        EXPECT_EQ(totals.groups, sum.groupsAdded) << user;
        EXPECT_EQ(totals.buddies, sum.buddiesAdded - sum.buddiesDeleted) << user;
        EXPECT_EQ(totals.placements, 2 * totals.buddies) << user;
        EXPECT_EQ(totals.messages, 2 * sum.sends) << user;
        EXPECT_EQ(store().balanceCents(id), 4000 - 100 * totals.messageParts) << user;
        EXPECT_EQ(store().balanceCents(id), 0) << user;
        if (soak) {
            std::printf("%s: %d rounds, %d groups, %lld buddies, %lld placements, %d sends "
                        "accepted, %d refused, %lld outbox rows, balance %lld\n",
                        user.c_str(), sum.rounds, sum.groupsAdded,
                        static_cast<long long>(totals.buddies),
                        static_cast<long long>(totals.placements), sum.sends, sum.refusedSends,
                        static_cast<long long>(totals.messages),
                        static_cast<long long>(store().balanceCents(id)));
        }
    }
}

} // namespace
} // namespace textowl::server
