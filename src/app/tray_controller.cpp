#include "app/tray_controller.h"

#include "texts/string_catalogue.h"
#include "ui/qt_text.h"

#include <QTimer>
#include <QWidget>

namespace textowl {

TrayIcon::Texts trayTexts(const StringCatalogue& catalogue) {
    return {qs(catalogue.applicationName()), localised(catalogue, Text::TrayRestore),
            localised(catalogue, Text::TrayExit)};
}

namespace {

constexpr int kNoticeMs = 15000;

} // namespace

TrayController::TrayController(QWidget& window, const TrayIcon::Texts& texts, bool available,
                               std::function<void(int)> commandSink, QObject* parent)
    : QObject(parent), m_window(window),
      m_icon(new TrayIcon(window.windowIcon(), texts, std::move(commandSink), this)),
      m_available(available) {
    const auto showFromTray = [this] { handle(TrayEvent::IconDoubleClick); };
    connect(m_icon, &TrayIcon::doubleClicked, this, showFromTray);
    connect(m_icon, &TrayIcon::clicked, this, showFromTray);
}

void TrayController::handle(TrayEvent event) {
    const TrayTransition t = trayTransition(m_state, event, m_available);
    m_state = t.next;
    switch (t.action) {
    case TrayAction::None:
        break;
    case TrayAction::HideToTray:
        m_icon->show();
        m_window.hide();
        break;
    case TrayAction::MinimiseNormally:
        m_window.showMinimized();
        break;
    case TrayAction::ShowWindow:
        m_window.setWindowState(m_window.windowState() & ~Qt::WindowMinimized);
        m_window.show();
        m_icon->hide();
        break;
    case TrayAction::ShowAndRestore:
        m_window.setWindowState(m_window.windowState() &
                                ~(Qt::WindowMinimized | Qt::WindowMaximized));
        m_window.show();
        m_icon->hide();
        m_window.activateWindow();
        break;
    }
}

void TrayController::windowStateChanged() {
    const bool minimised = m_window.isMinimized();
    if (minimised && m_state == TrayWindowState::Shown) {
        // A minimise from the title bar: hide to the tray once the state change is over.
        if (m_available)
            QTimer::singleShot(0, this, [this] { handle(TrayEvent::Minimise); });
        else
            m_state = TrayWindowState::Minimised;
    } else if (!minimised && m_state == TrayWindowState::Minimised) {
        m_state = TrayWindowState::Shown;
    }
}

bool TrayController::showNotice(const QString& title, const QString& text) {
    if (!m_available)
        return false;
    // The icon only shows while the window is hidden; it comes for the notice and goes with it.
    if (!m_icon->isShown()) {
        m_icon->show();
        QTimer::singleShot(kNoticeMs, this, [this] {
            if (m_state != TrayWindowState::InTray)
                m_icon->hide();
        });
    }
    m_icon->showMessage(title, text, kNoticeMs);
    return true;
}

void TrayController::removeIcon() {
    m_icon->hide();
    m_state = TrayWindowState::Shown;
}

} // namespace textowl
