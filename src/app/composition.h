#pragma once

#include "app/main_window.h"

#include <memory>
#include <optional>

namespace textowl {

class ExitPath;
class TrayController;

// The program's objects, built and wired in the order start-up needs.
struct Application {
    std::unique_ptr<MainWindow> window;
    // Both belong to the window, whose events and commands they serve for as long as it lives.
    TrayController* tray = nullptr;
    ExitPath* exitPath = nullptr;
};

// Fills in the real parts for whatever the options leave empty (the user's settings, the real
// dialogs, the browser engine, the machine's clock, the service calls for the options' address and
// the session). trayAvailable overrides the desktop's answer to whether a notification area
// exists.
Application composeApplication(MainWindow::Options options = {},
                               std::optional<bool> trayAvailable = std::nullopt);

} // namespace textowl
