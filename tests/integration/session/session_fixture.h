#pragma once

#include "app/session_controller.h"
#include "base/command_ids.h"
#include "service/service_proxy.h"
#include "session/session.h"
#include "support/qt/session_state.h"
#include "support/service_process.h"
#include "support/temp_dir.h"
#include "window_fixture.h"

#include <QAction>
#include <QPushButton>
#include <QTest>
#include <ostream>

// Readable failures: QString as its text, not as bytes.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace textowl::testing {

// A window whose session runs for real: the sign-in answers come from the scripted prompts, the
// post-sign-in load from the service behind m_endpoint.
class SessionTest : public WindowTest {
protected:
    // Answers the sign-in dialog, runs the session command and waits for the sign-in, its load
    // and the answers they asked for to finish.
    void signIn(MainWindow& w, const QString& user, const QString& password) {
        // As a user would, after the answers to the last command (a sign-out's logout) are in.
        ASSERT_TRUE(waitForAnswers(host().session()));
        m_prompts->credentials.push_back(Prompts::Credentials{user, password});
        router().runCommand(kCmdSignInOut);
        EXPECT_TRUE(QTest::qWaitFor(
            [this] {
                return host().controller().signInStage() == SessionController::SignInStage::Idle &&
                       !host().session().callPending();
            },
            5000));
        EXPECT_FALSE(w.commandState().signingIn);
    }

    // The window on the service at `endpoint`, shown and signed in.
    MainWindow& openSignedIn(std::string endpoint) {
        m_endpoint = std::move(endpoint);
        MainWindow& w = open();
        w.show();
        signIn(w, QStringLiteral("ann"), QStringLiteral("pw"));
        return w;
    }

    std::vector<ScriptedPrompts::Asked> messages() const {
        return m_prompts->askedOf(ScriptedPrompts::Kind::Message);
    }

    // Everything a signed-out window shows: nothing of the last session is left.
    void expectSignedOutView(MainWindow& w, const QString& title) {
        const WindowState& s = w.commandState();
        EXPECT_FALSE(s.signingIn || s.signedIn || s.sending);
        EXPECT_FALSE(s.cutEnabled || s.copyEnabled || s.pasteEnabled || s.deleteEnabled);
        EXPECT_EQ(host().controller().buddyTree(), nullptr);
        EXPECT_FALSE(w.signInButton()->isHidden());
        EXPECT_FALSE(w.registerButton()->isHidden());
        EXPECT_EQ(w.mainMenu().action(kCmdSignInOut)->text(), QStringLiteral("&Sign In"));
        EXPECT_EQ(w.windowTitle(), title);
        EXPECT_TRUE(host().session().ticket().empty());
        EXPECT_TRUE(host().session().user().empty());
        EXPECT_FALSE(w.mainMenu().action(kCmdAddContact)->isEnabled());
        EXPECT_FALSE(host().controller().loadTimer().isActive());
    }
};

// The stand-in service as its own process, with the demo account, on a temporary database.
class LiveServiceTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        m_service = test::ServiceProcess::serve(PAGEWRIGHT_SERVICE_EXE,
                                                m_data.file("service.db").string(), m_serviceArgs);
        ASSERT_TRUE(m_service->ready()) << m_service->stderrAll();
        m_endpoint = m_service->endpoint();
        writeStrings();
    }

    void TearDown() override {
        SessionTest::TearDown();
        m_service.reset();
    }

    // What the service starts with besides its database and address; set before SetUp.
    std::vector<std::string> m_serviceArgs{"--demo"};
    test::TempDir m_data;
    std::unique_ptr<test::ServiceProcess> m_service;
};

} // namespace textowl::testing
