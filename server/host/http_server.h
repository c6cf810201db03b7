#pragma once

#include "server/front/http_front.h"

#include <functional>
#include <memory>
#include <string>

namespace textowl::server {

class PagewrightService;
class Store;

struct ServerOptions {
    // The front's workers are as many as the store can run transactions at once, whatever
    // front.workers says. Its notice also receives a line whenever a visitor asks for something
    // only a person can do, such as setting a new password.
    FrontOptions front;
    // Only the gateway's delivery reports, for a plain listener on loopback beside an HTTPS one;
    // the other listener then takes none.
    bool reportsOnly = false;
    bool takesReports = true;
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
