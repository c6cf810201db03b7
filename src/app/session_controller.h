#pragma once

#include "app/delivery_poller.h"
#include "app/list_reload.h"
#include "app/session_context.h"
#include "service/operation_map.h"
#include "service/status.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <string>

class QWidget;

namespace textowl {

class BuddyTree;
class PageHost;
class Skin;
struct BuddyEntry;

// Takes the session through its stages: sign-in, the load that follows it, the balance, and
// sign-out. Each stage asks its call and goes on from the answer; nothing waits. What the session
// holds lives in Session, whose signals the window follows; the views the load builds (the buddy
// tree over the session's list, the send panel) go to the page host until the session ends.
class SessionController : public QObject {
    Q_OBJECT
public:
    static constexpr int kLoadDelayMs = 100;

    // Where a sign-in stands; Idle when none is under way (signed out, or signed in and loaded).
    enum class SignInStage { Idle, Validating, Waiting, List, Balance, Interface, Icons };

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
    // Reads the balance into the session, then tells `done` (when given) whether it could:
    // at once without a ticket, never when the session ends first.
    void refreshBalance(std::function<void(Status)> done = {});
    // Sign-out and exit: releases the ticket on the service and destroys what the load built.
    // While the sign-in is still being validated, cancels it instead.
    void endSession();

    SignInStage signInStage() const { return m_stage; }

    BuddyTree* buddyTree() const;
    const QTimer& loadTimer() const { return m_loadTimer; }
    DeliveryPoller& deliveryPoller() { return m_delivery; }
    const ListReload& listReload() const { return m_reload; }

signals:
    void signInStageChanged(textowl::SessionController::SignInStage stage);
    // The load built the tree; the window wires its commands, pop-ups and drops.
    void buddyTreeBuilt(textowl::BuddyTree* tree);
    // The send panel's return button.
    void returnRequested();

private:
    void validated(int attempt, const std::string& user, Status status, const ServiceText& result);
    void listLoaded(Status list, BuddyEntry& root);
    void abandonSignIn();
    void buildSignedInView(BuddyEntry root);
    void fetchInterface();
    void interfaceAnswered(Status status, const ServiceText& result);
    void completeSignIn();
    // Ends the session's views, state and ticket, in that order.
    void finish();
    void giveTicketBack(const std::string& ticket);
    void showSignInFailure();
    void setStage(SignInStage stage);

    SessionContext m_context;
    Views m_views;
    QTimer m_loadTimer;
    DeliveryPoller m_delivery;
    ListReload m_reload;
    SignInStage m_stage = SignInStage::Idle;
    // Counts the sign-ins asked for, so that a validation's answer knows whether it was cancelled.
    int m_attempt = 0;
};

} // namespace textowl
