#include "app/command_router.h"

#include "base/command_ids.h"
#include "session/service_calls.h"

namespace textowl {

CommandRouter::CommandRouter(ServiceCalls& calls, QObject* parent)
    : QObject(parent), m_calls(calls) {}

void CommandRouter::runCommand(int id) {
    if (m_calls.isRunning()) {
        // A call is pending. Sign-out and exit drop its answer and follow once its caller has
        // returned; any other command waits its turn, as it did while the call blocked.
        if (id == kCmdExit && m_exitWhilePending)
            m_exitWhilePending();
        if (id == kCmdExit || id == kCmdSignInOut)
            m_calls.abandon();
        m_calls.whenIdle(this, [this, id] { runCommand(id); });
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

void CommandRouter::setExitWhilePending(std::function<void()> action) {
    m_exitWhilePending = std::move(action);
}

} // namespace textowl
