#pragma once

#include <cstdint>
#include <string>

namespace textowl::server {

// What the front knows of one request that an operation may need besides its parameters.
struct RequestContext {
    // The address the request came from, which sign-ins back off by; empty for the operator.
    std::string clientAddress;
    // "HOST:PORT" as this client reached the server, when that differs from the service's public
    // host; the interface description then names it instead.
    std::string reachedHost;
    // "https" when reached over TLS: the pages the interface description names are https ones
    // too, or the browser would speak plain HTTP to the TLS port.
    std::string scheme = "http";
    std::int64_t now = 0; // Unix seconds by the service's clock, when the request came in
};

} // namespace textowl::server
