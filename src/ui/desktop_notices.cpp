#include "ui/desktop_notices.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace textowl {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

QDBusMessage notificationCall(const QString& method) {
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
}

} // namespace

DesktopNotices::DesktopNotices(QObject* parent) : QObject(parent) {}

bool DesktopNotices::available() const {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusConnectionInterface* daemon = bus.isConnected() ? bus.interface() : nullptr;
    if (daemon == nullptr)
        return false;
    // A plain desktop often starts its notification daemon on the first notice.
    return daemon->isServiceRegistered(kService).value() ||
           daemon->activatableServiceNames().value().contains(kService);
}

bool DesktopNotices::show(const QString& title, const QString& text, Urgency urgency) {
    if (!available())
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!m_askedCapabilities) {
        m_askedCapabilities = true;
        auto* watcher = new QDBusPendingCallWatcher(
            bus.asyncCall(notificationCall(QStringLiteral("GetCapabilities"))), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                &DesktopNotices::capabilitiesAnswered);
    }
    QDBusMessage notify = notificationCall(QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue(uchar(urgency))},
                            {QStringLiteral("desktop-entry"), QStringLiteral("textowl")}};
    // A name or a reason may hold "<" or "&": shown as written, never read as markup.
    const QString body = m_bodyMarkup ? text.toHtmlEscaped() : text;
    notify << QStringLiteral("Textowl") << uint(0) << QStringLiteral("textowl") << title << body
           << QStringList() << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(notify), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<uint> reply = *call;
                if (reply.isValid())
                    emit shown(reply.value());
                call->deleteLater();
            });
    return true;
}

void DesktopNotices::capabilitiesAnswered(QDBusPendingCallWatcher* call) {
    const QDBusPendingReply<QStringList> reply = *call;
    if (reply.isValid())
        m_bodyMarkup = reply.value().contains(QStringLiteral("body-markup"));
    call->deleteLater();
}

} // namespace textowl
