#pragma once

#include "ui/tray_icon.h"
#include "ui/tray_rules.h"

#include <QObject>
#include <functional>

class QWidget;

namespace textowl {

class StringCatalogue;

// The tray's texts in the catalogue's selected language; the tip is the application name.
TrayIcon::Texts trayTexts(const StringCatalogue& catalogue);

// Where the window is while it is not on screen: hidden behind the notification area's icon, or
// minimised the ordinary way where the desktop has no notification area. The window forwards its
// close and state changes here; the minimise and restore commands come here too.
class TrayController : public QObject {
    Q_OBJECT
public:
    TrayController(QWidget& window, const TrayIcon::Texts& texts, bool available,
                   std::function<void(int)> commandSink, QObject* parent = nullptr);

    void handle(TrayEvent event);
    // The window's minimised state changed, by the title bar or by the desktop.
    void windowStateChanged();
    // The program is ending: the icon leaves the notification area with it.
    void removeIcon();
    // A notice from the notification area, shown even while the window is; false where there is
    // no notification area.
    bool showNotice(const QString& title, const QString& text);

    TrayWindowState state() const { return m_state; }
    bool available() const { return m_available; }
    TrayIcon& icon() const { return *m_icon; }
    void applyTexts(const TrayIcon::Texts& texts) { m_icon->setTexts(texts); }

private:
    QWidget& m_window;
    TrayIcon* m_icon = nullptr;
    bool m_available = false;
    TrayWindowState m_state = TrayWindowState::Shown;
};

} // namespace textowl
