#pragma once

#include "app/window_state.h"

#include <optional>

namespace textowl {

// The keys the main window turns into commands before any control sees them.
enum class FilterKey { Escape, Delete, C, X, P, V, Other };

// The command a key press posts, or nothing when the key must go on to the focused control.
std::optional<int> commandForKey(FilterKey key, bool ctrlHeld, const WindowState& state);

} // namespace textowl
