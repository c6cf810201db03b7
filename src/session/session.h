#pragma once

#include "buddylist/buddy_list.h"

#include <QObject>
#include <memory>
#include <optional>
#include <string>

namespace textowl {

struct BuddyEntry;

// The signed-in relationship with the service, held in one place: who is signed in with which
// ticket, the credit left, the buddy list with its clipboard, the interface the service described
// and whether the send panel is up. The window's views read it and follow its signals; the
// session controller and the commands change it. Ending it drops everything at once, so no view
// can keep a ticket or a list that belongs to a session gone by.
class Session : public QObject {
    Q_OBJECT
public:
    enum class Stage { SignedOut, SigningIn, SignedIn };

    explicit Session(QObject* parent = nullptr);
    ~Session() override;

    Stage stage() const { return m_stage; }
    bool signedIn() const { return m_stage == Stage::SignedIn; }
    bool signingIn() const { return m_stage == Stage::SigningIn; }
    const std::string& user() const { return m_user; }
    const std::string& ticket() const { return m_ticket; }
    // The service's balance text; empty until the first answer.
    const std::string& balance() const { return m_balance; }
    // The accepted apiGetInterface answer, kept for the server-driven interface.
    const std::optional<std::string>& interfaceDescription() const { return m_interface; }
    // The loaded list; null before the load and after the end.
    BuddyList* buddyList() const { return m_list.get(); }
    bool sending() const { return m_sending; }
    // Service calls asked for and not yet answered. While any is pending the commands that call
    // the service are unavailable: input is never held back to act later on a changed window.
    int pendingCalls() const { return m_pendingCalls; }
    bool callPending() const { return m_pendingCalls > 0; }
    // Changes whenever the session ends, so that an answer asked for before does not act on the
    // session after.
    quint64 epoch() const { return m_epoch; }

    // A ticket was issued; the load follows.
    void begin(std::string user, std::string ticket);
    // The list is loaded: the session holds it from now on.
    BuddyList& adoptList(BuddyEntry root);
    // Everything the sign-in loads is in place.
    void complete();
    void setBalance(std::string balance);
    void setInterfaceDescription(std::string description);
    void setSending(bool sending);
    // Signed out, exited or a load abandoned: ticket, list and all go together.
    void end();
    // A change to the buddy list went unanswered: the service may have made it anyway.
    void changeUnanswered() { emit listInDoubt(); }
    // Kept by ServiceCalls as calls are asked for and their answers are handled.
    void callStarted();
    void callFinished();

signals:
    void stageChanged(textowl::Session::Stage stage);
    void balanceChanged();
    void sendingChanged(bool sending);
    // The first call is asked for, or the last answer is handled.
    void callPendingChanged(bool pending);
    void listInDoubt();

private:
    void setStage(Stage stage);

    Stage m_stage = Stage::SignedOut;
    std::string m_user;
    std::string m_ticket;
    std::string m_balance;
    std::optional<std::string> m_interface;
    std::unique_ptr<BuddyList> m_list;
    bool m_sending = false;
    int m_pendingCalls = 0;
    quint64 m_epoch = 0;
};

} // namespace textowl
