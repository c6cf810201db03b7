#pragma once

#include <QObject>
#include <functional>

namespace textowl {

class MainWindow;
class TrayController;

// How the program ends. Closing the window never ends it; the Exit command does, in one order:
// the window goes, the session signs out (a cut buddy goes back to its group first), the tray
// icon goes, and the event loop ends. A desktop session that ends on its own still gets the cut
// buddy put back.
class ExitPath : public QObject {
    Q_OBJECT
public:
    ExitPath(MainWindow& window, TrayController& tray, QObject* parent = nullptr);

    // The Exit command.
    void exitProgram();
    // Runs before the loop ends, after the session has signed out.
    void setBeforeExit(std::function<void()> hook) { m_beforeExit = std::move(hook); }

private:
    MainWindow& m_window;
    TrayController& m_tray;
    std::function<void()> m_beforeExit;
};

} // namespace textowl
