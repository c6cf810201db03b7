#pragma once

#include <QObject>
#include <functional>
#include <unordered_map>

namespace textowl {

class ServiceCalls;

// Where every menu item, button, link, key and tray choice ends: each command id goes to the
// handler a subsystem registered for it; until then commands of unbuilt features do nothing.
class CommandRouter : public QObject {
    Q_OBJECT
public:
    explicit CommandRouter(ServiceCalls& calls, QObject* parent = nullptr);

    void runCommand(int id);
    // Runs the command after the current event, as a posted message would.
    void postCommand(int id);
    void setCommandHandler(int id, std::function<void()> handler);
    // The language commands carry the language's index, the interface-button commands their id.
    void setLanguageHandler(std::function<void(int index)> handler);
    void setInterfaceButtonHandler(std::function<void(int id)> handler);
    // What Exit does at once while it waits for a pending call: the window goes out of sight.
    void setExitWhilePending(std::function<void()> action);

private:
    ServiceCalls& m_calls;
    std::unordered_map<int, std::function<void()>> m_handlers;
    std::function<void(int)> m_language;
    std::function<void(int)> m_interfaceButton;
    std::function<void()> m_exitWhilePending;
};

} // namespace textowl
