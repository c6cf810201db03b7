#pragma once

#include "server/host/service_host.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace textowl::server {

// The serve options that set a limit: the sign-in back-off, the password hashing, what one
// client may send and hold, and the database pool.
bool isLimitOption(std::string_view name);

// Applies the limit options among options to config; returns what is wrong with one, if any.
std::optional<std::string> applyLimitOptions(const std::map<std::string, std::string>& options,
                                             HostConfig& config);

// "90s", "30m", "24h", "7d" or plain seconds, as --ticket-idle and the limits take it: a positive
// whole number of at most ten years.
std::optional<std::int64_t> parseDurationSeconds(std::string_view text);

} // namespace textowl::server
