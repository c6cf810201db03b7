#pragma once

#include "app/buddy_tree_wiring.h"
#include "app/main_window.h"

#include <memory>
#include <optional>
#include <string>

namespace textowl {

class Clock;
class CommandRouter;
class ExitPath;
class SessionHost;
class TrayController;
class WebViewFactory;

// What the program is built from; composeApplication fills in the real parts left empty.
struct ApplicationOptions {
    // Where the preferences live.
    std::shared_ptr<QSettings> settings;
    // The modal prompts.
    std::unique_ptr<Prompts> prompts;
    // The service address; empty for the usual one (TEXTOWL_SERVICE_URL or the built-in).
    std::string serviceEndpoint;
    // The time send stamps and schedules are read from.
    const Clock* clock = nullptr;
    // Makes the service's web pages.
    std::shared_ptr<WebViewFactory> webViews;
};

// The program's objects, built and wired in the order start-up needs.
struct Application {
    Application();
    Application(Application&&) noexcept;
    Application& operator=(Application&&) noexcept;
    ~Application();

    // First in and last out: every command of the others goes through it.
    std::unique_ptr<CommandRouter> router;
    std::unique_ptr<MainWindow> window;
    // Ends before the window, whose surface its pages and tree are shown on.
    std::unique_ptr<SessionHost> session;
    // Both belong to the window, whose events and commands they serve for as long as it lives.
    TrayController* tray = nullptr;
    ExitPath* exitPath = nullptr;
};

// What the buddy tree is given of the window it is shown in.
BuddyTreeWindow buddyTreeWindowOf(MainWindow& window);

// Fills in the real parts for whatever the options leave empty (the user's settings, the real
// dialogs, the browser engine, the machine's clock and the service's address). trayAvailable
// overrides the desktop's answer to whether a notification area exists.
Application composeApplication(ApplicationOptions options = {},
                               std::optional<bool> trayAvailable = std::nullopt);

} // namespace textowl
