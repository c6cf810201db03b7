#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QDBusPendingCallWatcher;

namespace textowl {

// Notices through the desktop's notification service (org.freedesktop.Notifications on the
// session bus), so that they appear where the desktop shows notices rather than beside an icon
// that may not be there. The call never waits for the service: it is asked and left.
class DesktopNotices : public QObject {
    Q_OBJECT
public:
    enum class Urgency { Low = 0, Normal = 1, Critical = 2 };

    explicit DesktopNotices(QObject* parent = nullptr);

    // Whether a notification service runs on the session bus now.
    bool available() const;
    // False, and nothing sent, when there is no service to take the notice.
    bool show(const QString& title, const QString& text, Urgency urgency);

signals:
    // The service took a notice and gave it this id.
    void shown(uint id);

private:
    void capabilitiesAnswered(QDBusPendingCallWatcher* call);

    // Until the service says otherwise, assume it reads the body as markup, as most do: an
    // escaped text then shows as written either way but for the entities.
    bool m_bodyMarkup = true;
    bool m_askedCapabilities = false;
};

} // namespace textowl
