#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>
#include <functional>
#include <memory>

class QAction;
class QMenu;

namespace textowl {

// The icon in the notification area with its Restore and Exit menu; the menu's choices go to the
// command sink like any other command.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    struct Texts {
        QString tip;
        QString restore;
        QString exit;
    };

    TrayIcon(const QIcon& icon, const Texts& texts, std::function<void(int)> sink,
             QObject* parent = nullptr);
    ~TrayIcon() override;

    static bool isAvailable();

    void setTexts(const Texts& texts);

    void show();
    void hide();
    bool isShown() const { return m_shown; }
    QString toolTip() const;
    // A notice beside the icon, by the desktop's notification service where it has one.
    void showMessage(const QString& title, const QString& text, int milliseconds);
    QMenu* menu() const { return m_menu.get(); }

    // What the desktop reported for the icon.
    void handleActivation(QSystemTrayIcon::ActivationReason reason);
    // A single click waiting for the double-click interval to pass before it counts.
    bool isClickPending() const { return m_singleClick.isActive(); }

signals:
    void doubleClicked();
    // A single click on a desktop whose notification area has never reported a double click:
    // some report only single clicks, and there the window must still come back.
    void clicked();

private:
    std::unique_ptr<QMenu> m_menu;
    QAction* m_restore = nullptr;
    QAction* m_exit = nullptr;
    QSystemTrayIcon* m_icon = nullptr;
    bool m_shown = false;
    bool m_seenDoubleClick = false;
    // Waits out the double-click time, so that a double click is not also taken as a click.
    QTimer m_singleClick;
};

} // namespace textowl
