#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;

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

    void show();
    void hide();
    bool isShown() const { return m_shown; }
    QString toolTip() const;
    QMenu* menu() const { return m_menu.get(); }

signals:
    void doubleClicked();

private:
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon* m_icon = nullptr;
    bool m_shown = false;
};

} // namespace textowl
