#pragma once

#include <string>
#include <string_view>

namespace textowl {

// The notification area's tip holds 127 characters; a longer application name is cut there.
inline constexpr std::size_t kTrayTipLimit = 127;
std::string trayTipText(std::string_view applicationName);

enum class TrayWindowState { Shown, InTray, Minimised };
enum class TrayEvent { Minimise, Close, IconDoubleClick, RestoreCommand };

// What the window does in response to an event.
enum class TrayAction {
    None,
    HideToTray,       // add the icon, hide the window
    MinimiseNormally, // no notification area: an ordinary minimise keeps the window reachable
    ShowWindow,       // show the window and remove the icon
    ShowAndRestore,   // as ShowWindow, and back to normal size from maximised
};

struct TrayTransition {
    TrayWindowState next;
    TrayAction action;
    friend bool operator==(const TrayTransition&, const TrayTransition&) = default;
};

TrayTransition trayTransition(TrayWindowState state, TrayEvent event, bool trayAvailable);

} // namespace textowl
