#pragma once

#include "server/service.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace textowl::server {

// The serve options that tune the sign-in back-off and the password hashing.
bool isLimitOption(std::string_view name);

// Applies the limit options among options to config; returns what is wrong with one, if any.
std::optional<std::string> applyLimitOptions(const std::map<std::string, std::string>& options,
                                             ServiceConfig& config);

} // namespace textowl::server
