// How sent messages fared, told to the user: against real Kannel whose operator refuses one
// number, and against a service that does not know the operation.
#include "app/page_host.h"
#include "buddylist/buddy_tree.h"
#include "messaging/send_panel.h"
#include "scripted_replies.h"
#include "service_session_fixture.h"
#include "support/qt/session_state.h"
#include "support/require_kannel.h"
#include "support/scripted_server.h"
#include "ui/main_surface.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <chrono>

namespace textowl::testing {
namespace {

using namespace std::chrono_literals;

// Bobby's number in the demo account.
const std::string kRefused = "46702345678";

void sendFromQuickSend(CommandRouter& router, SessionHost& host, const QString& to) {
    router.runCommand(kCmdSendMessage);
    SendPanel* panel = host.pages().sendPanel();
    ASSERT_NE(panel, nullptr);
    panel->toBox()->setText(to);
    panel->messageBox()->setPlainText(QStringLiteral("Are you there?"));
    panel->pressSend();
    ASSERT_TRUE(waitForAnswers(host.session()));
}

class DeliveryNoticeEndToEnd : public SessionEndToEnd {
protected:
    void SetUp() override {
        REQUIRE_KANNEL();
        m_kannel =
            std::make_unique<test::KannelGateway>(m_kannelDir.path(), "^[+]?" + kRefused + "$");
        ASSERT_TRUE(m_kannel->ready()) << m_kannel->failure();
        m_serviceArgs = {"--demo", "--gateway", m_kannel->sendsmsUrl()};
        SessionEndToEnd::SetUp();
    }

    test::TempDir m_kannelDir;
    std::unique_ptr<test::KannelGateway> m_kannel;
};

TEST_F(DeliveryNoticeEndToEnd, ARefusedNumberIsAnnouncedOnceAndItsCreditComesBack) {
    MainWindow& w = open();
    w.show();
    DeliveryPoller& poller = host().controller().deliveryPoller();
    poller.setPace({100ms, 300ms, 600ms});
    signIn(w, QStringLiteral("demo"), QStringLiteral("demo"));
    ASSERT_EQ(host().session().balance(), "50");

    sendFromQuickSend(router(), host(), QString::fromStdString(kRefused + ", 46701234567"));
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, QStringLiteral("Message was sent successfully!"));
    // The checks go on until both messages have settled: the refused one at once, the other
    // with the operator's delivery report.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return messages().size() > 1 && !poller.checkDue(); }, 60000));
    ASSERT_TRUE(m_kannel->waitForDeliveries(1, 10s));

    ASSERT_EQ(messages().size(), 2u) << "exactly one notice, and none for the delivered message";
    EXPECT_EQ(messages()[1].caption, QStringLiteral("Message not delivered"));
    EXPECT_EQ(messages()[1].icon, Prompts::Icon::Warning);
    EXPECT_EQ(messages()[1].text.toStdString(),
              "Your message to Bobby (" + kRefused +
                  ") was not delivered. Credits returned: 1. Reason: HTTP 400: Number(s) "
                  "has/have been denied by white- and/or black-lists.");
    // Two sent, one returned; the balance is asked again after the notice, in the background.
    EXPECT_TRUE(QTest::qWaitFor([&] { return host().session().balance() == "49"; }, 10000))
        << host().session().balance();
    EXPECT_EQ(w.surface()->headerTexts().balanceLine, QStringLiteral("Credits: 49 €"));
}

// A service from before the operation answers it with a fault: the user hears nothing of it, and
// it is not asked again in the session.
TEST_F(SessionTest, AServiceWithoutTheOperationIsAskedOnceAndSaysNothing) {
    writeStrings();
    const std::string fault =
        "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
        "<SOAP-ENV:Body><SOAP-ENV:Fault><faultcode>SOAP-ENV:Client</faultcode>"
        "<faultstring>unknown operation apiGetMessageStates</faultstring></SOAP-ENV:Fault>"
        "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
    test::ConnectionScript script;
    for (const char* result : {R"(<result err="0"><ticket>T-17</ticket></result>)",
                               R"(<result err="0"><buddylist/></result>)",
                               R"(<result err="0"><balance>12</balance></result>)",
                               R"(<result err="0"/>)", R"(<result err="0"/>)"})
        script.readRequest().send(answer(result));
    script.readRequest().send(test::httpReply("500 Internal Server Error", fault,
                                              "Content-Type: text/xml; charset=utf-8\r\n"));
    // The next send comes on a new connection.
    test::ScriptedServer server(
        {script.close(),
         test::ConnectionScript().readRequest().send(answer(R"(<result err="0"/>)")).staySilent()});
    m_endpoint = server.url("/pagewright/soapserver.php");
    MainWindow& w = open();
    w.show();
    DeliveryPoller& poller = host().controller().deliveryPoller();
    poller.setPace({50ms});
    QSignalSpy checked(&poller, &DeliveryPoller::checked);
    signIn(w, QStringLiteral("ann"), QStringLiteral("pw"));

    sendFromQuickSend(router(), host(), QStringLiteral("46701234567"));
    QSignalSpy greyed(&host().session(), &Session::callPendingChanged);
    ASSERT_TRUE(checked.wait(5000));
    EXPECT_EQ(greyed.count(), 0) << "the program's own check greys no command";
    EXPECT_FALSE(poller.checkDue());
    sendFromQuickSend(router(), host(), QStringLiteral("46701234567"));
    EXPECT_FALSE(poller.checkDue()) << "not asked again in this session";
    ASSERT_EQ(messages().size(), 2u);
    EXPECT_EQ(messages()[0].text, QStringLiteral("Message was sent successfully!"));
    EXPECT_EQ(messages()[1].text, QStringLiteral("Message was sent successfully!"));
    EXPECT_TRUE(host().session().signedIn());
    EXPECT_NE(server.received(0).find("apiGetMessageStates"), std::string::npos);
}

} // namespace
} // namespace textowl::testing
