#pragma once

#include "server/front/http_front.h"

#include <functional>
#include <memory>
#include <string>

namespace textowl::server {

class PagewrightService;
class Store;

struct ServerOptions {
    std::string host = "127.0.0.1";
    int port = 0; // 0 picks a free port
    FrontLimits limits;
    int ioThreads = 0; // 0: one per processor core
    // Requests wait this deep for a worker before they are answered 503.
    std::size_t queueLimit = 256;
    // PEM files; with both, the server answers HTTPS only.
    std::string tlsCertificate, tlsKey;
    // Only the gateway's delivery reports, for a plain listener on loopback beside an HTTPS one;
    // the other listener then takes none.
    bool reportsOnly = false;
    bool takesReports = true;
    // Receives a line for the operator whenever a visitor asks for something only a person can
    // do, such as setting a new password; may be called from several threads at once.
    std::function<void(const std::string&)> notice;
};

// The service on HTTP: its routes behind the event-driven front, with as many workers as the
// store can run transactions at once.
class PagewrightServer {
public:
    PagewrightServer(PagewrightService& service, Store& store, ServerOptions options);
    ~PagewrightServer();
    PagewrightServer(const PagewrightServer&) = delete;
    PagewrightServer& operator=(const PagewrightServer&) = delete;

    // Binds the listening socket and tells the service the address clients reach it by.
    bool bind();
    int port() const;
    std::string endpointUrl() const;
    // "http://HOST:PORT" (or https) as a client on this machine reaches it.
    std::string baseUrl() const;
    int connectionCeiling() const;

    void run();   // serves until stop()
    void start(); // run() on a background thread
    void stop();  // safe from any thread, and from a signal-watching thread

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace textowl::server
