#pragma once

#include "app/delivery_poller.h"
#include "app/session_context.h"
#include "service/status.h"

#include <QObject>
#include <QTimer>

class QWidget;

namespace textowl {

class BuddyTree;
class PageHost;
class Skin;
struct BuddyEntry;

// Takes the session through its stages: sign-in, the load that follows it, the balance, and
// sign-out. What the session holds lives in Session, whose signals the window follows; the views
// the load builds (the buddy tree over the session's list, the send panel) go to the page host
// until the session ends.
class SessionController : public QObject {
    Q_OBJECT
public:
    static constexpr int kLoadDelayMs = 100;

    // Where the load puts what it builds.
    struct Views {
        PageHost& pages;
        QWidget& surface; // the parent of the tree and the panel
        const Skin& skin;
    };

    SessionController(const SessionContext& context, Views views);
    ~SessionController() override;

    // Command 32788 and the Sign In button: signs in while signed out, out otherwise.
    void signInOrOut();
    void signIn();
    void signOut();
    // The one-shot load after sign-in; runs from the timer.
    void loadAfterSignIn();
    // Reads the balance into the session; fails without a ticket or a sound answer.
    Status refreshBalance();
    // Exit: releases the ticket on the service and destroys what the load built.
    void endSession();

    BuddyTree* buddyTree() const;
    const QTimer& loadTimer() const { return m_loadTimer; }
    DeliveryPoller& deliveryPoller() { return m_delivery; }

signals:
    // The load built the tree; the window wires its commands, pop-ups and drops.
    void buddyTreeBuilt(textowl::BuddyTree* tree);
    // The send panel's return button.
    void returnRequested();

private:
    void abandonSignIn();
    void buildSignedInView(BuddyEntry root);
    // False when sign-out or exit abandoned the call.
    bool fetchInterface();
    // Ends the session's views, state and ticket, in that order.
    void finish();
    void showSignInFailure();

    SessionContext m_context;
    Views m_views;
    QTimer m_loadTimer;
    DeliveryPoller m_delivery;
};

} // namespace textowl
