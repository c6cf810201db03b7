#pragma once

#include "app/window_state.h"

namespace textowl {

// Whether a command is available in the given window state; the menu bar and every pop-up apply
// this just before they open.
bool isCommandEnabled(int id, const WindowState& state);

} // namespace textowl
