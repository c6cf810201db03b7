#include "app/exit_path.h"

#include "app/buddy_commands.h"
#include "app/main_window.h"
#include "app/page_host.h"
#include "app/session_controller.h"
#include "app/tray_controller.h"
#include "base/command_ids.h"

#include <QGuiApplication>

namespace textowl {

ExitPath::ExitPath(MainWindow& window, TrayController& tray, QObject* parent)
    : QObject(parent), m_window(window), m_tray(tray) {
    // The desktop session ending may stop the program without the Exit command.
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [this] { placeBackCutBuddy(m_window.sessionContext(), m_window.pages().buddyTree()); });
}

void ExitPath::exitProgram() {
    m_window.hide();
    m_window.sessionController().endSession();
    if (m_beforeExit)
        m_beforeExit();
    m_tray.removeIcon();
    QCoreApplication::exit(kExitCodeNormal);
}

} // namespace textowl
