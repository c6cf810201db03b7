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

class WebPagesTest : public ServiceTest {};

// A second server on the test's service, whose lines for the operator the test reads.
class NoticedServer {
public:
    NoticedServer(PagewrightService& service, Store& store) {
        ServerOptions options;
        options.front.notice = [this](const std::string& line) {
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
    const auto res = m_client->post("/pagewright/signup.php",
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
    test::LoopbackClient client(server.port());
    std::vector<std::string> pages;
    for (const char* form : {"name=carol", "name=nobody", "name=carol%0Aforged%20line"}) {
        const auto res =
            client.post("/pagewright/forgotpwd", form, "application/x-www-form-urlencoded");
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
            m_client->post("/pagewright/signup", form, "application/x-www-form-urlencoded");
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
        const auto res = m_client->get(path);
        ASSERT_TRUE(res) << path;
        EXPECT_EQ(res->status, 200) << path;
        EXPECT_EQ(res->body.find("<script"), std::string::npos) << path;
    }
    EXPECT_EQ(m_client->get("/pagewright/nothing")->status, 404);
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
            const auto res = m_client->get(page.path, {{"Accept-Language", acceptLanguage}});
            ASSERT_TRUE(res) << page.path;
            const bool swedish = std::string_view(tag) == "sv";
            EXPECT_NE(res->body.find(swedish ? page.swedish : page.english), std::string::npos)
                << page.path << " asked for " << acceptLanguage;
            EXPECT_NE(res->body.find("<html lang=\"" + std::string(tag) + "\">"), std::string::npos)
                << page.path;
            EXPECT_EQ(res->header("Content-Language"), tag) << page.path;
            EXPECT_EQ(res->header("Vary"), "Accept-Language") << page.path;
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
    const auto account = m_client->get("/pagewright/buttons/account?ticket=" + ticket);
    ASSERT_TRUE(account);
    EXPECT_NE(account->body.find("Hello, alice!"), std::string::npos);
    EXPECT_NE(account->body.find("11.50"), std::string::npos);
    const auto sent = m_client->get("/pagewright/buttons/sent?ticket=" + ticket);
    EXPECT_NE(sent->body.find("&lt;b&gt;bold"), std::string::npos);
    EXPECT_EQ(sent->body.find("<b>bold"), std::string::npos);
    EXPECT_EQ(m_client->get("/pagewright/buttons/account")->status, 403);
    EXPECT_EQ(m_client->get("/pagewright/buttons/credit?ticket=" + std::string(64, 'f'))->status,
              403);
}

// Requests to the pages in turn from one address: "{ticket}" stands for carol's ticket and "{i}"
// for the request's number; a POST's form follows its path after '?'.
struct PageLimitCase {
    const char* name;
    bool post;
    std::string target;
    std::vector<int> statuses;
    test::HttpFields lastHeaders; // expected among the last reply's
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
        test::LoopbackClient client(server.port());
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
            const auto res = c.post ? client.post(target.substr(0, query), target.substr(query + 1),
                                                  "application/x-www-form-urlencoded")
                                    : client.get(target);
            ASSERT_TRUE(res);
            EXPECT_EQ(res->status, c.statuses[i]) << "request " << i;
            for (const auto& [name, value] : c.lastHeaders) {
                if (i + 1 == c.statuses.size()) {
                    EXPECT_EQ(res->header(name), value) << name;
                }
            }
        }
    }
    EXPECT_EQ(server.noticesAfterStop(), GetParam().notices);
}

const test::HttpFields kTicketedPageHeaders{{"Cache-Control", "no-store"},
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
    const auto newest = m_client->get("/pagewright/buttons/sent?ticket=" + ticket)->body;
    EXPECT_EQ(entries(newest), 50u);
    EXPECT_LT(newest.find("46700000150"), newest.find("46700000149"));
    EXPECT_EQ(newest.find("46700000100"), std::string::npos);
    EXPECT_NE(newest.find(std::string(39, 'a') + "\xC3\xA5\xE2\x80\xA6"), std::string::npos);
    EXPECT_NE(newest.find("held</span> (no gateway configured)"), std::string::npos);
    EXPECT_NE(newest.find("http-equiv=\"refresh\" content=\"10\""), std::string::npos);
    EXPECT_NE(newest.find("page=1\">Older"), std::string::npos);
    EXPECT_EQ(newest.find("Newer"), std::string::npos);
    const auto older = m_client->get("/pagewright/buttons/sent?ticket=" + ticket + "&page=1")->body;
    EXPECT_EQ(entries(older), 1u);
    EXPECT_NE(older.find("46700000100"), std::string::npos);
    EXPECT_NE(older.find("page=0\">&larr; Newer"), std::string::npos);
    EXPECT_EQ(m_client->get("/pagewright/buttons/sent?page=1")->status, 403);
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
            const auto res = m_client->get(path);
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

} // namespace
} // namespace textowl::server
