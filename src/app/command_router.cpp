#include "app/command_router.h"

#include "app/command_enabling.h"
#include "base/command_ids.h"

#include <QApplication>

namespace textowl {

CommandRouter::CommandRouter(QObject* parent) : QObject(parent) {}

void CommandRouter::setWindowState(std::function<WindowState()> state) {
    m_state = std::move(state);
}

void CommandRouter::runCommand(int id) {
    // Nothing is kept for later: once enabled again the command would act on whatever the window
    // then shows.
    if (m_state && !isCommandEnabled(id, m_state())) {
        QApplication::beep();
        return;
    }
    if (isLanguageCommand(id)) {
        if (m_language)
            m_language(id - kCmdLanguageFirst);
        return;
    }
    if (isInterfaceButtonCommand(id)) {
        if (m_interfaceButton)
            m_interfaceButton(id);
        return;
    }
    const auto it = m_handlers.find(id);
    if (it != m_handlers.end() && it->second)
        it->second();
}

void CommandRouter::postCommand(int id) {
    QMetaObject::invokeMethod(
        this, [this, id] { runCommand(id); }, Qt::QueuedConnection);
}

void CommandRouter::setCommandHandler(int id, std::function<void()> handler) {
    m_handlers[id] = std::move(handler);
}

void CommandRouter::setLanguageHandler(std::function<void(int index)> handler) {
    m_language = std::move(handler);
}

void CommandRouter::setInterfaceButtonHandler(std::function<void(int id)> handler) {
    m_interfaceButton = std::move(handler);
}

} // namespace textowl
