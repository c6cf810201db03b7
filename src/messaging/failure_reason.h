#pragma once

#include "texts/text_table.h"

#include <optional>
#include <string_view>

namespace textowl {

// The reason a notice gives for a failed message. The service passes the gateway's own words on
// ("HTTP 400: Number(s) has/have been denied by white- and/or black-lists."); those we know are
// said in the user's language, anything else as the gateway wrote it.
std::optional<Text> knownFailureReason(std::string_view gatewayReason);

} // namespace textowl
