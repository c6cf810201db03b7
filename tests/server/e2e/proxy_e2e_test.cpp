#include "loopback_service.h"
#include "service/result_document.h"
#include "service/utf.h"

#include <gtest/gtest.h>
#include <memory>

namespace textowl::server {
namespace {

ServiceText u(std::string_view text) {
    return utf8ToUtf16(text);
}

class ProxyEndToEnd : public testing::Test {
protected:
    void SetUp() override { m_loopback.service().ensureDemoAccount(); }

    // Runs a proxy call and applies the client's result check; returns the document.
    template <typename Call> std::unique_ptr<ResultDocument> accepted(Call call) {
        ServiceText result;
        const Status status = call(&result);
        EXPECT_EQ(status, S_OK);
        auto doc = std::make_unique<ResultDocument>();
        if (status != S_OK || failed(checkResult(result, *doc))) {
            ADD_FAILURE() << "refused: " << (result ? utf16ToUtf8(*result) : "(null)");
            return doc;
        }
        return doc;
    }

    std::string signIn() {
        auto doc = accepted(
            [&](ServiceText* r) { return m_proxy->apiValidateLogin(u("demo"), u("demo"), r); });
        return resultElement(*doc, "ticket").value_or("");
    }

    std::string balance(const ServiceText& ticket) {
        auto doc = accepted([&](ServiceText* r) { return m_proxy->apiBalanceSms(ticket, r); });
        return resultElement(*doc, "balance").value_or("");
    }

    // Adds a top-level buddy named only by nick and tells whether the list then shows that nick.
    bool nicknameRoundTrips(const std::string& nick) {
        const ServiceText t = u(signIn());
        accepted([&](ServiceText* r) {
            return m_proxy->apiAddBuddy(t, u("0"), u(""), u(""), u(nick), u("46707000000"), u(""),
                                        u(""), r);
        });
        auto list = accepted([&](ServiceText* r) { return m_proxy->apiGetBuddyList(t, r); });
        bool found = false;
        for (pugi::xml_node b : list->documentElement().child("buddylist").children("buddy")) {
            found = found || nick == b.attribute("nickname").value();
        }
        return found;
    }

    LoopbackService m_loopback{ServiceConfig{}};
    PagewrightService* m_service = &m_loopback.service();
    ServiceProxy* m_proxy = &m_loopback.proxy();
};

TEST_F(ProxyEndToEnd, DemoAccountDrivesEveryInvokedOperation) {
    const ServiceText t = u(signIn());
    ASSERT_TRUE(t && !t->empty());
    auto list = accepted([&](ServiceText* r) { return m_proxy->apiGetBuddyList(t, r); });
    EXPECT_TRUE(list->documentElement().child("buddylist").child("buddygroup"));
    EXPECT_EQ(balance(t), "50");

    auto group =
        accepted([&](ServiceText* r) { return m_proxy->apiAddBuddyGroup(t, u("Club"), r); });
    const ServiceText bgid = u(resultElement(*group, "bgid").value_or(""));
    auto buddy = accepted([&](ServiceText* r) {
        return m_proxy->apiAddBuddy(t, bgid, u("Gus"), u("Grey"), u(""), u("46707000000"), u(""),
                                    u("1980-04-02"), r);
    });
    const ServiceText bid = u(resultElement(*buddy, "bid").value_or(""));
    accepted([&](ServiceText* r) {
        return m_proxy->apiUpdateBuddy(t, bid, u("Gus"), u("Gray"), u("G"), u("46707000001"), u(""),
                                       u("1980-04-02"), r);
    });
    accepted([&](ServiceText* r) { return m_proxy->apiCopyBuddy(t, bid, bgid, u("0"), r); });
    accepted([&](ServiceText* r) { return m_proxy->apiMoveBuddy(t, bid, u("0"), u("1"), r); });
    accepted([&](ServiceText* r) { return m_proxy->apiRemoveBuddy(t, bid, u("1"), r); });
    accepted([&](ServiceText* r) { return m_proxy->apiUpdateBuddyGroup(t, bgid, u("Club 2"), r); });
    accepted([&](ServiceText* r) {
        return m_proxy->apiSendSms(t, u("demo"), u("46701234567"), u("hello"), u("text"), u("0"),
                                   u("2006-3-7 14:05:00"), r);
    });
    accepted([&](ServiceText* r) {
        return m_proxy->apiSendSmsToGroup(t, u("demo"), u("Club 2"), u("hi"), u("flash"), u("1"),
                                          u("2006-03-07 14:05:09"), r);
    });
    EXPECT_EQ(balance(t), "48");
    accepted([&](ServiceText* r) { return m_proxy->apiDeleteBuddy(t, bid, r); });
    accepted([&](ServiceText* r) { return m_proxy->apiDeleteBuddyGroup(t, bgid, r); });
    auto ui = accepted([&](ServiceText* r) { return m_proxy->apiGetInterface(t, r); });
    EXPECT_TRUE(ui->documentElement().child("interface").child("tabs").child("tab"));
    accepted([&](ServiceText* r) { return m_proxy->apiLogout(t, r); });

    ServiceText after;
    ASSERT_EQ(m_proxy->apiBalanceSms(t, &after), S_OK);
    ResultDocument doc;
    EXPECT_TRUE(failed(checkResult(after, doc)));
}

TEST_F(ProxyEndToEnd, RefusalArrivesAsAResultThatFailsTheCheck) {
    ServiceText result;
    ASSERT_EQ(m_proxy->apiValidateLogin(u("demo"), std::nullopt, &result), S_OK);
    ResultDocument doc;
    EXPECT_TRUE(failed(checkResult(result, doc)));
}

TEST_F(ProxyEndToEnd, NonAsciiAndMarkupTextsRoundTripThroughTheBuddyList) {
    EXPECT_TRUE(nicknameRoundTrips("Zo\xC3\xAB <&> \xF0\x9F\x98\x80\r\n"));
}

// A blank is a valid nickname; nothing on the way may trim it away to an empty one.
TEST_F(ProxyEndToEnd, BlankOnlyNicknameRoundTripsThroughTheBuddyList) {
    EXPECT_TRUE(nicknameRoundTrips(" "));
    EXPECT_TRUE(nicknameRoundTrips("\t \t"));
}

// The client writes a lone surrogate as a character reference to a character XML forbids: the
// service refuses the request as malformed, a clear client fault, and stores and charges nothing
// rather than a text other than the one written.
TEST_F(ProxyEndToEnd, LoneSurrogateInAMessageIsAClientFaultThatChargesNothing) {
    const ServiceText t = u(signIn());
    ServiceText text = std::u16string{u'a', char16_t(0xD83D), u'b'};
    ServiceText result;
    EXPECT_NE(m_proxy->apiSendSms(t, u(""), u("46701234567"), text, u("text"), u("0"),
                                  u("2006-3-7 14:05:00"), &result),
              S_OK);
    EXPECT_EQ(m_proxy->fault().code, 300);
    EXPECT_TRUE(m_loopback.store().outbox().list("demo").empty());
    EXPECT_EQ(balance(t), "50");
}

TEST_F(ProxyEndToEnd, SendBeyondTheCreditIsRefusedAndChargesNothing) {
    const ServiceText t = u(signIn());
    ServiceText result;
    const std::string many = "46700000001,46700000002,46700000003,46700000004,46700000005";
    ASSERT_EQ(m_proxy->apiSendSms(t, u(""), u(many), u(std::string(1600, 'x')), u("text"), u("0"),
                                  u("2006-3-7 14:05:00"), &result),
              S_OK);
    ResultDocument doc;
    EXPECT_TRUE(failed(checkResult(result, doc)));
    EXPECT_EQ(balance(t), "50");
}

} // namespace
} // namespace textowl::server
