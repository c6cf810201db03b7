#pragma once

#include <string_view>

namespace textowl {

// One line on standard error for what happened on the wire that no dialog explains in full, such
// as the exact reason a service's certificate was refused.
void logWire(std::string_view line);

} // namespace textowl
