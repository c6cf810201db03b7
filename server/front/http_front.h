#pragma once

#include "server/front/front_options.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace textowl::server {

// An event-driven HTTP/1.1 server: a few threads wait on every connection at once, so an idle or
// slow client costs a socket and a few kilobytes, never a thread.
class HttpFront {
public:
    using Handler = FrontHandler;

    HttpFront(FrontOptions options, Handler handler);
    ~HttpFront();
    HttpFront(const HttpFront&) = delete;
    HttpFront& operator=(const HttpFront&) = delete;

    // Binds and listens; false when the address cannot be had or the certificate not loaded.
    bool bind();
    int port() const;
    bool secure() const;
    // The connection ceiling in force, after the open-files limit.
    int connectionCeiling() const;

    // Serves on the calling thread and the I/O threads until stop().
    void run();
    void start(); // run() on a background thread; returns once serving
    void stop();  // safe from any thread

private:
    struct Impl;
    std::shared_ptr<Impl> m_impl;
};

// Raises the open-files limit to its hard limit; returns the limit then in force.
long raiseOpenFilesLimit();

} // namespace textowl::server
