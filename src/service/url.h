#pragma once

#include "service/http_client.h"

#include <optional>
#include <string>
#include <string_view>

namespace textowl {

// The target of a redirect: an absolute "http" address, a network-path ("//host/..."), an
// absolute path or a path relative to base. base must carry its effective port; an absolute
// address without a port means 80. Anything else than "http" gives no URL.
std::optional<Url> resolveLocation(const Url& base, std::string_view location);

// "host" or "[v6addr]" as it appears in the Host line.
std::string hostForHeader(const Url& url);

} // namespace textowl
