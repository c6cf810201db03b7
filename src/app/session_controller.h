#pragma once

#include "service/status.h"

#include <QObject>
#include <QTimer>
#include <string>

namespace textowl {

class BuddyTree;
class MainWindow;
class ServiceCalls;
class Session;
struct BuddyEntry;

// Takes the session through its stages: sign-in, the load that follows it, the balance, and
// sign-out. What the session holds lives in Session; the views the load builds (the buddy tree
// over the session's list, the send panel) go to the page host until sign-out.
class SessionController : public QObject {
    Q_OBJECT
public:
    static constexpr int kLoadDelayMs = 100;

    SessionController(MainWindow& window, Session& session, ServiceCalls& calls);
    ~SessionController() override;

    // Command 32788 and the Sign In button: signs in while signed out, out otherwise.
    void signInOrOut();
    void signIn();
    void signOut();
    // The one-shot load after sign-in; runs from the timer.
    void loadAfterSignIn();
    // Reads the balance into the balance text; fails without a ticket or a sound answer.
    Status refreshBalance();
    // Exit: releases the ticket on the service and destroys what the load built.
    void endSession();
    // Re-reads the header texts after a language change.
    void applyTexts();

    BuddyTree* buddyTree() const;
    const QTimer& loadTimer() const { return m_loadTimer; }

private:
    void showSigningIn(const QString& user, const std::string& ticket);
    void abandonSignIn();
    void buildSignedInView(BuddyEntry root);
    // False when sign-out or exit abandoned the call.
    bool fetchInterface();
    // Ends the session's views, state and ticket, in that order.
    void finish();
    void restoreSignedOutView();
    void updateHeader();
    void showSignInFailure();
    void setSessionItemText(bool signedIn);

    MainWindow& m_window;
    Session& m_session;
    ServiceCalls& m_calls;
    QTimer m_loadTimer;
};

} // namespace textowl
