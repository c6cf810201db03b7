#pragma once

#include "service/status.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>
#include <string>

namespace textowl {

class BuddyTree;
class MainWindow;
class ServiceCalls;
class ServiceProxy;
struct BuddyEntry;

// The signed-in relationship with the service: sign-in, the load that follows it, the balance,
// and sign-out. The proxy keeps the user name and the ticket; what the load builds (the buddy
// tree with its entries, the send panel) goes to the page host until sign-out.
class SessionController : public QObject {
    Q_OBJECT
public:
    static constexpr int kLoadDelayMs = 100;

    SessionController(MainWindow& window, ServiceCalls& calls);
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
    const QString& balanceText() const { return m_balance; }
    const QString& userName() const { return m_userName; }
    // The accepted apiGetInterface answer of this session, kept for the server-driven interface.
    const std::optional<std::string>& interfaceDescription() const { return m_interface; }
    const QTimer& loadTimer() const { return m_loadTimer; }

private:
    void showSigningIn(const QString& user, const std::string& ticket);
    void abandonSignIn();
    void buildSignedInView(BuddyEntry root);
    // False when sign-out or exit abandoned the call.
    bool fetchInterface();
    ServiceProxy& proxy() const;
    void releaseTicket();
    void destroyLoadedViews();
    void restoreSignedOutView();
    void updateHeader();
    void showSignInFailure();
    void setSessionItemText(bool signedIn);

    MainWindow& m_window;
    ServiceCalls& m_calls;
    QTimer m_loadTimer;
    QString m_userName;
    QString m_balance;
    std::optional<std::string> m_interface;
};

} // namespace textowl
