#include "ui/tray_icon.h"

#include "ui/tray_rules.h"

#include <QApplication>
#include <QMenu>

namespace textowl {

namespace {
constexpr int kRestoreCommand = 32777;
constexpr int kExitCommand = 57665;
} // namespace

TrayIcon::TrayIcon(const QIcon& icon, const Texts& texts, std::function<void(int)> sink,
                   QObject* parent)
    : QObject(parent), m_menu(std::make_unique<QMenu>()) {
    m_restore = m_menu->addAction(texts.restore, this, [sink] { sink(kRestoreCommand); });
    m_exit = m_menu->addAction(texts.exit, this, [sink] { sink(kExitCommand); });
    m_icon = new QSystemTrayIcon(icon, this);
    setTexts(texts);
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon, &QSystemTrayIcon::activated, this, &TrayIcon::handleActivation);
    m_singleClick.setSingleShot(true);
    m_singleClick.setInterval(QApplication::doubleClickInterval());
    connect(&m_singleClick, &QTimer::timeout, this, &TrayIcon::clicked);
}

void TrayIcon::setTexts(const Texts& texts) {
    m_restore->setText(texts.restore);
    m_exit->setText(texts.exit);
    m_icon->setToolTip(QString::fromStdString(trayTipText(texts.tip.toStdString())));
}

void TrayIcon::handleActivation(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::DoubleClick) {
        m_seenDoubleClick = true;
        m_singleClick.stop();
        emit doubleClicked();
    } else if (reason == QSystemTrayIcon::Trigger && !m_seenDoubleClick) {
        m_singleClick.start();
    }
}

TrayIcon::~TrayIcon() {
    // The icon must leave the notification area before its menu goes.
    m_icon->hide();
    m_icon->setContextMenu(nullptr);
}

bool TrayIcon::isAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::show() {
    m_icon->show();
    m_shown = true;
}

void TrayIcon::showMessage(const QString& title, const QString& text, int milliseconds) {
    m_icon->showMessage(title, text, QSystemTrayIcon::Warning, milliseconds);
}

void TrayIcon::hide() {
    m_icon->hide();
    m_shown = false;
}

QString TrayIcon::toolTip() const {
    return m_icon->toolTip();
}

} // namespace textowl
