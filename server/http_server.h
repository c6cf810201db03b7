#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace textowl::server {

class PagewrightService;

struct ServerOptions {
    std::string host = "127.0.0.1";
    int port = 0; // 0 picks a free port
    // Each kept-alive connection holds a worker while idle, so the pool grows from
    // workerThreads up to maxWorkerThreads as connections stay open.
    int workerThreads = 8;
    int maxWorkerThreads = 1024;
    // The desktop client checks a kept-alive connection before reusing it and opens a new one
    // when the server has closed it, so idle connections need not hold their workers for long.
    int keepAliveSeconds = 30;
    std::size_t maxBodyBytes = 1024 * 1024;
    // How long stopping waits for workers before leaving idle connections behind.
    int drainMilliseconds = 3000;
    // Receives a line for the operator whenever a visitor asks for something only a person can
    // do, such as setting a new password; may be called from several threads at once.
    std::function<void(const std::string&)> notice;
};

// The HTTP side: SOAP at POST /pagewright/soapserver.php, the web pages and the icons.
class PagewrightServer {
public:
    PagewrightServer(PagewrightService& service, ServerOptions options);
    ~PagewrightServer();
    PagewrightServer(const PagewrightServer&) = delete;
    PagewrightServer& operator=(const PagewrightServer&) = delete;

    // Binds the listening socket and tells the service the address clients reach it by.
    bool bind();
    int port() const;
    std::string endpointUrl() const;

    // Serves until stop(); returns whether every worker ended in time.
    bool run();
    void start(); // run() on a background thread
    void stop();  // safe from any thread, and from a signal-watching thread

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace textowl::server
