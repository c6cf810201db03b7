#pragma once

#include "service/http_client.h"

#include <string>

namespace textowl {

// The request line and header lines, ended by the empty line; the body is sent after it.
std::string buildRequestHead(const Url& url, const NavigationSettings& settings);

} // namespace textowl
