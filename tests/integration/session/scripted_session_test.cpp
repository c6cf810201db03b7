// Replies the real service never gives, from a scripted server: a load that fails after an
// accepted sign-in, and sign-in answers that are accepted but carry no usable ticket.
#include "app/page_host.h"
#include "buddylist/buddy_tree.h"
#include "scripted_replies.h"
#include "session/service_calls.h"
#include "session_fixture.h"
#include "support/qt/session_state.h"
#include "support/scripted_server.h"
#include "support/tls_test_server.h"
#include "ui/main_surface.h"
#include "ui/tab_strip.h"

#include <QApplication>
#include <QTimer>
#include <ostream>

namespace textowl::testing {
namespace {

using test::ConnectionScript;
using test::ScriptedServer;

const char* const kTicketAccepted = R"(<result err="0"><ticket>T-17</ticket></result>)";
const char* const kAccepted = R"(<result err="0"/>)";
const char* const kRefused = R"(<result err="1"><error>ticket</error></result>)";
const char* const kEmptyList = R"(<result err="0"><buddylist/></result>)";
const char* const kBalance = R"(<result err="0"><balance>12</balance></result>)";

// Sign-in and the load on one kept-alive connection, one answer per request, in order.
ScriptedServer serverAnswering(std::initializer_list<const char*> results) {
    ConnectionScript script;
    for (const char* result : results)
        script.readRequest().send(answer(result));
    return ScriptedServer({script.staySilent()});
}

struct FailedLoadCase {
    const char* name;
    const char* buddyList;
    const char* balance;
};

void PrintTo(const FailedLoadCase& c, std::ostream* os) {
    *os << c.name;
}

class FailedLoad : public SessionTest, public ::testing::WithParamInterface<FailedLoadCase> {};

TEST_P(FailedLoad, GivesTheTicketBackAndRestoresTheSignedOutView) {
    writeStrings();
    ScriptedServer server =
        serverAnswering({kTicketAccepted, GetParam().buddyList, GetParam().balance, kAccepted});
    m_endpoint = server.url("/pagewright/soapserver.php");
    MainWindow& w = open();
    w.show();
    signIn(w, QStringLiteral("ann"), QStringLiteral("pw"));

    expectSignedOutView(w, QStringLiteral("Textowl"));
    EXPECT_EQ(w.surface()->view(), ViewKind::SignedOut);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].icon, Prompts::Icon::Error);
    EXPECT_TRUE(messages()[0].text.startsWith(QStringLiteral("Unable to login")));
    ASSERT_EQ(server.acceptedCount(), 1u);
    const std::string sent = server.received(0);
    const std::size_t logout = sent.find("#apiLogout");
    ASSERT_NE(logout, std::string::npos) << sent;
    EXPECT_NE(sent.find("<ticket>T-17</ticket>", logout), std::string::npos);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Session, FailedLoad,
                         ::testing::Values(FailedLoadCase{"BuddyListRefused", kRefused, kBalance},
                                           FailedLoadCase{"BuddyListNotXml", "not xml", kBalance},
                                           FailedLoadCase{"BuddyListMissing", kAccepted, kBalance},
                                           FailedLoadCase{"BalanceRefused", kEmptyList, kRefused}),
                         [](const auto& info) { return std::string(info.param.name); });

struct RefusedSignInCase {
    const char* name;
    const char* result;
};

void PrintTo(const RefusedSignInCase& c, std::ostream* os) {
    *os << c.name;
}

class RefusedSignIn : public SessionTest,
                      public ::testing::WithParamInterface<RefusedSignInCase> {};

TEST_P(RefusedSignIn, ShowsTheFailureAndKeepsTheSessionEmpty) {
    ScriptedServer server = serverAnswering({GetParam().result});
    m_endpoint = server.url("/pagewright/soapserver.php");
    MainWindow& w = open();
    signIn(w, QStringLiteral("ann"), QStringLiteral("pw"));

    ASSERT_EQ(messages().size(), 1u);
    EXPECT_TRUE(host().session().ticket().empty());
    EXPECT_FALSE(w.commandState().signingIn || w.commandState().signedIn);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Textowl 2006 v.1.0"));
    EXPECT_FALSE(w.signInButton()->isHidden());
    // Nothing after the refused sign-in: no load, no logout.
    EXPECT_EQ(server.received(0).find("apiGetBuddyList"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Session, RefusedSignIn,
    ::testing::Values(RefusedSignInCase{"NoErrAttribute", "<result><ticket>T</ticket></result>"},
                      RefusedSignInCase{"ErrNotZero",
                                        R"(<result err="2"><ticket>T</ticket></result>)"},
                      RefusedSignInCase{"NoTicketElement", kAccepted},
                      RefusedSignInCase{"EmptyTicket", R"(<result err="0"><ticket/></result>)"},
                      RefusedSignInCase{"NotXml", "ticket=T"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SessionTest, UntrustedCertificateSaysWhyAndTheRequestNeverLeaves) {
    test::TlsTestServer server(test::ThrowawayCa::selfSigned("localhost"), answer(kTicketAccepted));
    m_endpoint = server.url("localhost", "/pagewright/soapserver.php");
    MainWindow& w = open();
    w.show();
    signIn(w, QStringLiteral("ann"), QStringLiteral("pw"));

    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text,
              QStringLiteral("Unable to login at this time.  Please try your request again "
                             "later...\n\nThe service's certificate is not from an issuer this "
                             "computer trusts, so the connection is not safe. Your password was "
                             "not sent."));
    EXPECT_EQ(messages()[0].icon, Prompts::Icon::Error);
    EXPECT_EQ(server.received(), "");
    EXPECT_FALSE(w.commandState().signedIn);
}

TEST_F(SessionTest, CancelledDialogCallsNothingAndChangesNothing) {
    ScriptedServer server({ConnectionScript().readRequest().send(answer(kTicketAccepted))});
    m_endpoint = server.url("/pagewright/soapserver.php");
    MainWindow& w = open();
    w.show();
    w.signInButton()->click(); // the scripted dialog is cancelled
    EXPECT_EQ(m_prompts->askedOf(ScriptedPrompts::Kind::SignIn).size(), 1u);
    EXPECT_EQ(server.acceptedCount(), 0u);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Textowl 2006 v.1.0"));
    EXPECT_FALSE(host().controller().loadTimer().isActive());
    EXPECT_TRUE(messages().empty());
}

TEST_F(SessionTest, SessionCommandWhileTheLoadIsPendingSignsOutInsteadOfSigningInTwice) {
    writeStrings();
    ScriptedServer server = serverAnswering({kTicketAccepted, kAccepted});
    m_endpoint = server.url("/pagewright/soapserver.php");
    MainWindow& w = open();
    m_prompts->credentials.push_back(
        Prompts::Credentials{QStringLiteral("ann"), QStringLiteral("pw")});
    router().runCommand(kCmdSignInOut);
    ASSERT_TRUE(QTest::qWaitFor([&w] { return w.commandState().signingIn; }));
    EXPECT_EQ(w.surface()->view(), ViewKind::SigningIn);
    EXPECT_TRUE(host().controller().loadTimer().isActive());
    EXPECT_EQ(host().controller().loadTimer().interval(), 100);

    router().runCommand(kCmdSignInOut);

    EXPECT_EQ(m_prompts->askedOf(ScriptedPrompts::Kind::SignIn).size(), 1u);
    expectSignedOutView(w, QStringLiteral("Textowl"));
    ASSERT_TRUE(waitForAnswers(host().session()));
    const std::string sent = server.received(0);
    EXPECT_NE(sent.find("apiLogout"), std::string::npos);
    EXPECT_EQ(sent.find("apiGetBuddyList"), std::string::npos);
}

TEST_F(SessionTest, ExitWhileTheLoadIsPendingGivesTheTicketBack) {
    ScriptedServer server = serverAnswering({kTicketAccepted, kAccepted});
    m_endpoint = server.url("/pagewright/soapserver.php");
    MainWindow& w = open(false);
    w.show();
    m_prompts->credentials.push_back(
        Prompts::Credentials{QStringLiteral("ann"), QStringLiteral("pw")});
    router().runCommand(kCmdSignInOut);
    ASSERT_TRUE(QTest::qWaitFor([this] { return host().controller().loadTimer().isActive(); }));
    QTimer::singleShot(0, &w, [&w] { w.mainMenu().action(kCmdExit)->trigger(); });
    EXPECT_EQ(QApplication::exec(), kExitCodeNormal);
    EXPECT_FALSE(host().controller().loadTimer().isActive());
    EXPECT_TRUE(host().session().ticket().empty());
    const std::string sent = server.received(0);
    EXPECT_NE(sent.find("apiLogout"), std::string::npos);
    EXPECT_EQ(sent.find("apiGetBuddyList"), std::string::npos);
}

using Stage = SessionController::SignInStage;
constexpr int kSwedish = kCmdLanguageFirst + 1;

// An interface whose one tab and one button take their icons from iconHost.
std::string interfaceWithIcons(const test::ScriptedServer& iconHost) {
    const std::string host = "127.0.0.1:" + std::to_string(iconHost.port());
    const std::string element = "url=\"http://pages.test/x\" imageURI=\"" + host +
                                "\" location=\"i\" file=\"a.bmp\" tooltip=\"X\"";
    return R"(<result err="0"><interface><tabs><tab )" + element + "/></tabs><buttons><button " +
           element + "/></buttons></interface></result>";
}

// Sign-out, exit or another language while each stage of the sign-in waits for its answer. The
// commands go straight to their handlers, whatever the menus offer while a call is pending.
// Sign-out and exit end the session with its answers unused and any ticket given back, exit also
// ends the loop; a language change lets the sign-in complete in the new language.
class PendingCall : public SessionTest,
                    public ::testing::WithParamInterface<std::tuple<Stage, int>> {};

TEST_P(PendingCall, EndsTheSessionOrCompletesItInTheNewLanguage) {
    const auto [stage, command] = GetParam();
    writeStrings();
    ScriptedServer icons({}, ConnectionScript::serveForever(test::httpReply("404 Not Found", "")));
    const std::string interface = interfaceWithIcons(icons);
    ScriptedServer server =
        serverAnswering({kTicketAccepted, kEmptyList, kBalance, interface.c_str(), kAccepted});
    m_endpoint = server.url("/pagewright/soapserver.php");
    MainWindow& w = open(false);
    w.show();
    bool commanded = false;
    // Posted as the stage asks its call, so it runs before the answer can be handled.
    QObject::connect(&host().controller(), &SessionController::signInStageChanged, &w,
                     [&, stage, command](Stage now) {
                         if (now != stage || commanded)
                             return;
                         commanded = true;
                         QTimer::singleShot(0, &w, [this, command] {
                             if (command == kCmdExit)
                                 exitPath().exitProgram();
                             else if (command == kCmdSignInOut)
                                 host().controller().signInOrOut();
                             else
                                 router().runCommand(command);
                         });
                     });
    m_prompts->credentials.push_back(
        Prompts::Credentials{QStringLiteral("ann"), QStringLiteral("pw")});
    router().runCommand(kCmdSignInOut);

    if (command == kCmdExit) {
        EXPECT_EQ(QApplication::exec(), kExitCodeNormal);
    }
    const auto settled = [&] {
        return commanded && host().controller().signInStage() == Stage::Idle &&
               !host().session().callPending();
    };
    if (command == kSwedish) {
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return settled() && w.commandState().signedIn &&
                   w.mainMenu().action(kCmdSignInOut)->text() == QStringLiteral("&Logga ut");
        }));
        EXPECT_EQ(host().pages().tabStrip()->tab(0).tooltip, QStringLiteral("Min kontaktlista"));
        EXPECT_EQ(host().controller().buddyTree()->rootLine().data().toString(),
                  QStringLiteral("Min kontaktlista"));
        EXPECT_EQ(host().pages().tabCount(), 2);
        EXPECT_EQ(server.received(0).find("#apiLogout"), std::string::npos);
        return;
    }
    ASSERT_TRUE(QTest::qWaitFor(settled));
    EXPECT_EQ(host().controller().buddyTree(), nullptr);
    EXPECT_TRUE(messages().empty());
    EXPECT_FALSE(w.commandState().signedIn || w.commandState().signingIn);
    EXPECT_TRUE(host().session().ticket().empty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    const std::string sent = server.received(0);
    const std::size_t logout = sent.find("#apiLogout");
    ASSERT_NE(logout, std::string::npos) << sent;
    EXPECT_NE(sent.find("<ticket>T-17</ticket>", logout), std::string::npos);
    EXPECT_EQ(sent.find("#apiLogout", logout + 1), std::string::npos) << "one ticket, one logout";
}

std::string pendingCallName(const ::testing::TestParamInfo<std::tuple<Stage, int>>& info) {
    static const char* const stages[] = {"Idle",    "Validating", "Waiting", "List",
                                         "Balance", "Interface",  "Icons"};
    const int command = std::get<1>(info.param);
    return std::string(stages[static_cast<int>(std::get<0>(info.param))]) +
           (command == kCmdExit        ? "Exit"
            : command == kCmdSignInOut ? "SignOut"
                                       : "Language");
}

INSTANTIATE_TEST_SUITE_P(Session, PendingCall,
                         ::testing::Combine(::testing::Values(Stage::Validating, Stage::List,
                                                              Stage::Balance, Stage::Interface,
                                                              Stage::Icons),
                                            ::testing::Values(kCmdSignInOut, kCmdExit, kSwedish)),
                         pendingCallName);

// Counts the paints of a widget while a service call is pending.
class PaintCounter : public QObject {
public:
    PaintCounter(QWidget& widget, const Session& session) : m_session(session) {
        widget.installEventFilter(this);
    }
    int paintsDuringCalls = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && m_session.callPending())
            ++paintsDuringCalls;
        return false;
    }

private:
    const Session& m_session;
};

TEST_F(SessionTest, TheWindowRepaintsWhileASlowCallRuns) {
    using namespace std::chrono_literals;
    ScriptedServer server(
        {ConnectionScript().readRequest().pause(300ms).send(answer(kTicketAccepted)).staySilent()});
    m_endpoint = server.url("/pagewright/soapserver.php");
    MainWindow& w = open();
    w.show();
    PaintCounter counter(*w.surface(), host().session());
    // A resize while sign-in waits for its answer, as a user dragging the window's edge would.
    QObject::connect(
        &host().session(), &Session::callPendingChanged, &w,
        [&w] { QTimer::singleShot(0, &w, [&w] { w.resize(w.width() + 40, w.height()); }); },
        Qt::SingleShotConnection);
    m_prompts->credentials.push_back(
        Prompts::Credentials{QStringLiteral("ann"), QStringLiteral("pw")});
    router().runCommand(kCmdSignInOut);
    ASSERT_TRUE(QTest::qWaitFor([&w] { return w.commandState().signingIn; }));

    EXPECT_GT(counter.paintsDuringCalls, 0);
    EXPECT_TRUE(w.commandState().signingIn);
}

// The user deletes a buddy and, while the service takes its time to answer, presses Delete again
// and Ctrl+X: those keys are refused then, and nothing is left over to act once the answer is in.
TEST_F(SessionTest, KeysPressedWhileACallIsOnItsWayDoNothingThenOrAfter) {
    using namespace std::chrono_literals;
    const char* const kAlice =
        R"(<result err="0"><buddylist><buddy id="1" firstname="" lastname="" nickname="Alice" )"
        R"(cellphone="46701234567" email="" birthday=""/></buddylist></result>)";
    writeStrings();
    ConnectionScript script = loadedWith(kAlice);
    script.readRequest().pause(2s).send(answer(kAccepted)); // the delete, slow to be answered
    ScriptedServer server({script.answerEveryRequest(answer(kAccepted))});
    MainWindow& w = openSignedIn(server.url("/pagewright/soapserver.php"));
    BuddyTree* tree = host().controller().buddyTree();
    ASSERT_NE(tree, nullptr);
    tree->selectLine(tree->model()->index(0, 0, tree->rootLine()));
    m_prompts->answers.assign(3, Prompts::Answer::Yes);
    QTest::keyClick(tree, Qt::Key_Delete);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    ASSERT_TRUE(host().session().callPending());

    QTest::keyClick(tree, Qt::Key_Delete);
    QTest::keyClick(tree, Qt::Key_X, Qt::ControlModifier);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    ASSERT_TRUE(host().session().callPending()) << "the keys came after the answer";
    EXPECT_FALSE(w.mainMenu().action(kCmdAddContact)->isEnabled()) << "greyed in the menu too";
    ASSERT_TRUE(waitForAnswers(host().session()));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    EXPECT_TRUE(w.mainMenu().action(kCmdAddContact)->isEnabled());

    EXPECT_EQ(m_prompts->asked.size(), 2u) << "the sign-in and one question";
    // The removal went out once and was the last call.
    const std::string sent = server.received(0);
    const std::string removeCall = "SOAPAction: \"urn:Pagewright#apiRemoveBuddy\"";
    EXPECT_EQ(sent.find(removeCall), sent.rfind("SOAPAction: ")) << sent;
    EXPECT_EQ(tree->model()->rowCount(tree->rootLine()), 0);
}

TEST_F(SessionTest, SignInDialogTextsComeFromTheCatalogue) {
    MainWindow& w = open();
    router().runCommand(kCmdSignInOut);
    const auto asked = m_prompts->askedOf(ScriptedPrompts::Kind::SignIn);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].caption, QStringLiteral("Textowl Sign In"));
}

} // namespace
} // namespace textowl::testing
