#pragma once

#include "service/http_client.h"

#include <optional>
#include <string>
#include <string_view>

namespace textowl {

// The target of a redirect: an absolute "http" or "https" address, a network-path
// ("//host/...", in base's scheme), an absolute path or a path relative to base. base must carry
// its effective port; an absolute address without a port means its scheme's default port.
std::optional<Url> resolveLocation(const Url& base, std::string_view location);

// 443 for "https", 80 otherwise.
std::uint16_t defaultPort(std::string_view scheme);

// "host" or "[v6addr]" as it appears in the Host line.
std::string hostForHeader(const Url& url);

} // namespace textowl
