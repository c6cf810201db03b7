#pragma once

#include "app/session_context.h"
#include "messaging/delivery_watch.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace textowl {

// After a send the service accepted, asks the service at a modest pace how the session's messages
// fared, until each has settled, and tells the user of every one that did not reach its phone:
// by a notice from the notification area, or by a message box where there is none. A service
// without the operation is not asked again in the session; checks go to the service in turn after
// any call under way, and their answers are dropped, like any call's, at sign-out or exit.
class DeliveryPoller : public QObject {
    Q_OBJECT
public:
    // Shows a notice; false where there is no notification area to show it in.
    using Notifier = std::function<bool(const QString& title, const QString& text, bool failure)>;

    DeliveryPoller(const SessionContext& context, std::function<void()> refreshBalance,
                   QObject* parent = nullptr);

    void setNotifier(Notifier notifier) { m_notifier = std::move(notifier); }
    void setAnnounceDelivered(bool announce) { m_announceDelivered = announce; }
    // The waits before each check; the last one repeats. Tests shorten them.
    void setPace(std::vector<std::chrono::milliseconds> pace) { m_pace = std::move(pace); }
    bool checkDue() const { return m_timer.isActive(); }

    // A send was accepted: its messages are followed from now on, from the first step of the pace.
    void messageAccepted();

signals:
    // A check's answer was taken in.
    void checked();

private:
    void followStage();
    struct StatesAnswer;

    void check();
    void statesAnswered(const std::string& ticket, const StatesAnswer& states);
    void announce(const DeliveryNotice& notice);
    QString recipient(const std::string& number) const;
    void scheduleNext();

    SessionContext m_context;
    std::function<void()> m_refreshBalance;
    Notifier m_notifier;
    bool m_announceDelivered = false;
    std::vector<std::chrono::milliseconds> m_pace{std::chrono::seconds(5), std::chrono::seconds(15),
                                                  std::chrono::seconds(60)};
    std::size_t m_step = 0;
    bool m_unsupported = false;
    DeliveryWatch m_watch;
    QElapsedTimer m_sessionAge;
    QTimer m_timer;
};

} // namespace textowl
