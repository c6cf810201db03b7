#include "ui/tray_rules.h"

namespace textowl {

std::string trayTipText(std::string_view applicationName) {
    // Count characters, not bytes, and never cut a UTF-8 sequence in half.
    std::size_t characters = 0;
    for (std::size_t i = 0; i < applicationName.size(); ++i) {
        const auto byte = static_cast<unsigned char>(applicationName[i]);
        if ((byte & 0xC0) == 0x80)
            continue;
        if (characters == kTrayTipLimit)
            return std::string(applicationName.substr(0, i));
        ++characters;
    }
    return std::string(applicationName);
}

TrayTransition trayTransition(TrayWindowState state, TrayEvent event, bool trayAvailable) {
    switch (event) {
    case TrayEvent::Minimise:
    case TrayEvent::Close:
        if (state == TrayWindowState::InTray)
            return {state, TrayAction::None};
        if (!trayAvailable)
            return {TrayWindowState::Minimised, TrayAction::MinimiseNormally};
        return {TrayWindowState::InTray, TrayAction::HideToTray};
    case TrayEvent::IconDoubleClick:
        if (state != TrayWindowState::InTray)
            return {state, TrayAction::None};
        return {TrayWindowState::Shown, TrayAction::ShowWindow};
    case TrayEvent::RestoreCommand:
        return {TrayWindowState::Shown, TrayAction::ShowAndRestore};
    }
    return {state, TrayAction::None};
}

} // namespace textowl
