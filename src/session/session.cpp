#include "session/session.h"

#include "buddylist/buddy_entry.h"

#include <utility>

namespace textowl {

Session::Session(QObject* parent) : QObject(parent) {}

Session::~Session() = default;

void Session::begin(std::string user, std::string ticket) {
    m_user = std::move(user);
    m_ticket = std::move(ticket);
    setStage(Stage::SigningIn);
}

BuddyList& Session::adoptList(BuddyEntry root) {
    m_list = std::make_unique<BuddyList>();
    m_list->fill(std::move(root));
    return *m_list;
}

void Session::complete() {
    setStage(Stage::SignedIn);
}

void Session::setBalance(std::string balance) {
    m_balance = std::move(balance);
    emit balanceChanged();
}

void Session::setInterfaceDescription(std::string description) {
    m_interface = std::move(description);
}

void Session::setSending(bool sending) {
    if (m_sending == sending)
        return;
    m_sending = sending;
    emit sendingChanged(sending);
}

void Session::end() {
    ++m_epoch;
    setSending(false);
    m_user.clear();
    m_ticket.clear();
    m_balance.clear();
    m_interface.reset();
    setStage(Stage::SignedOut);
    // After the signal: views that mirror the list let go of it first.
    m_list.reset();
}

void Session::callStarted() {
    if (m_pendingCalls++ == 0)
        emit callPendingChanged(true);
}

void Session::callFinished() {
    if (m_pendingCalls > 0 && --m_pendingCalls == 0)
        emit callPendingChanged(false);
}

void Session::setStage(Stage stage) {
    if (m_stage == stage)
        return;
    m_stage = stage;
    emit stageChanged(stage);
}

} // namespace textowl
