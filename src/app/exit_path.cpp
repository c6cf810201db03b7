#include "app/exit_path.h"

#include "app/buddy_commands.h"
#include "app/page_host.h"
#include "app/session_controller.h"
#include "app/session_host.h"
#include "app/tray_controller.h"
#include "base/command_ids.h"
#include "session/session.h"

#include <QGuiApplication>
#include <QWidget>

namespace textowl {

ExitPath::ExitPath(QWidget& window, SessionHost& session, TrayController& tray, QObject* parent)
    : QObject(parent), m_window(window), m_session(session), m_tray(tray) {
    // The desktop session ending may stop the program without the Exit command.
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [this] { placeBackCutBuddy(m_session.context(), m_session.pages().buddyTree()); });
}

void ExitPath::exitProgram() {
    if (m_exiting)
        return;
    m_exiting = true;
    m_window.hide();
    m_session.controller().endSession();
    if (m_beforeExit)
        m_beforeExit();
    m_tray.removeIcon();
    // The ticket given back, and whatever else is on its way, reach the service before the loop
    // ends; their answers change nothing any more.
    const Session& session = m_session.session();
    if (!session.callPending()) {
        QCoreApplication::exit(kExitCodeNormal);
        return;
    }
    connect(&session, &Session::callPendingChanged, this, [](bool pending) {
        if (!pending)
            QCoreApplication::exit(kExitCodeNormal);
    });
}

} // namespace textowl
