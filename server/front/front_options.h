#pragma once

#include "server/front/http_request.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace textowl::server {

// What one client may hold and send. Each is an option of `serve`.
struct FrontLimits {
    std::size_t headerBytes = 16 * 1024; // request line and header fields together
    int headerFields = 100;
    std::size_t bodyBytes = 1024 * 1024;          // with Content-Length or chunked alike
    std::chrono::milliseconds headerTime{10'000}; // from the request's first byte
    std::chrono::milliseconds bodyTime{30'000};
    std::chrono::milliseconds idleTime{30'000}; // between requests on a kept-alive connection
    int connectionsPerAddress = 64;             // an IPv6 client by its /64
    int connections = 20'000;
};

struct FrontOptions {
    std::string host = "127.0.0.1";
    int port = 0; // 0 picks a free port
    FrontLimits limits;
    int ioThreads = 0; // 0: one per processor core
    // The handler's work touches the database, so it runs on this many workers; requests beyond
    // them wait in a queue of queueLimit, and past that are answered 503.
    int workers = 4;
    std::size_t queueLimit = 256;
    // PEM files; with both, the front speaks HTTPS (TLS 1.2 and later) only.
    std::string tlsCertificate, tlsKey;
    // For a failure of the front itself (a certificate that does not load, a handler that
    // threw); may be called from several threads at once.
    std::function<void(const std::string&)> notice;
};

// What answers each request; it knows nothing of sockets.
using FrontHandler = std::function<HttpReply(const HttpRequest&)>;

} // namespace textowl::server
