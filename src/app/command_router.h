#pragma once

#include "app/window_state.h"

#include <QObject>
#include <functional>
#include <unordered_map>

namespace textowl {

// Where every menu item, button, link, key and tray choice ends: each command id goes to the
// handler a subsystem registered for it; until then commands of unbuilt features do nothing.
// A command the window's state does not enable is refused, however it arrives: a menu left open,
// a key, the tray or a posted command may all come after the state changed.
class CommandRouter : public QObject {
    Q_OBJECT
public:
    explicit CommandRouter(QObject* parent = nullptr);

    // The state the commands are checked against when they run; until it is given, every
    // command runs.
    void setWindowState(std::function<WindowState()> state);

    void runCommand(int id);
    // Runs the command after the current event, as a posted message would.
    void postCommand(int id);
    void setCommandHandler(int id, std::function<void()> handler);
    // The language commands carry the language's index, the interface-button commands their id.
    void setLanguageHandler(std::function<void(int index)> handler);
    void setInterfaceButtonHandler(std::function<void(int id)> handler);

private:
    std::function<WindowState()> m_state;
    std::unordered_map<int, std::function<void()>> m_handlers;
    std::function<void(int)> m_language;
    std::function<void(int)> m_interfaceButton;
};

} // namespace textowl
