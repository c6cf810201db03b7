#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace textowl {

class SessionHost;
class TrayController;

// How the program ends. Closing the window never ends it; the Exit command does, in one order:
// the window goes, the session signs out (a cut buddy goes back to its group first), the tray
// icon goes, and the event loop ends once no service call is pending. A second Exit meanwhile does
// nothing more. A desktop session that ends on its own still gets the cut
// buddy put back.
class ExitPath : public QObject {
    Q_OBJECT
public:
    ExitPath(QWidget& window, SessionHost& session, TrayController& tray,
             QObject* parent = nullptr);

    // The Exit command.
    void exitProgram();
    // Runs before the loop ends, after the session has signed out.
    void setBeforeExit(std::function<void()> hook) { m_beforeExit = std::move(hook); }

private:
    QWidget& m_window;
    SessionHost& m_session;
    TrayController& m_tray;
    std::function<void()> m_beforeExit;
    bool m_exiting = false;
};

} // namespace textowl
