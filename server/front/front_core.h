#pragma once

// The front's shared state and its event loops; only the front's own files include this.

#include "server/front/connection_registry.h"
#include "server/front/front_options.h"
#include "server/front/worker_pool.h"

#include <atomic>
#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace textowl::server::front {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;

using PlainStream = beast::tcp_stream;
using TlsStream = beast::ssl_stream<beast::tcp_stream>;

// A connection whose deadline its loop's sweep checks.
class Deadlined {
public:
    virtual ~Deadlined() = default;
    virtual void checkDeadline(std::chrono::steady_clock::time_point now) = 0;
};

// Deadlines are checked this often rather than timed one by one: a timer per request phase would
// cost system calls on every request, and the limits are seconds long.
constexpr auto kSweepInterval = std::chrono::milliseconds(250);

// One event loop and its thread. Connections are dealt out over the loops, so each is served by
// one thread and needs no locking of its own.
struct Loop {
    net::io_context ioc{1};
    net::executor_work_guard<net::io_context::executor_type> guard{ioc.get_executor()};
    net::steady_timer sweep{ioc};
    // Touched only on the loop's thread.
    std::vector<std::weak_ptr<Deadlined>> watched;
    bool ending = false;

    void startSweep() {
        sweep.expires_after(kSweepInterval);
        sweep.async_wait([this](const beast::error_code& ec) {
            // A sweep already due when the loop was told to end is not cancelled by it, and must
            // not start another, or the loop would never run out of work.
            if (ec || ending) {
                return;
            }
            const auto now = std::chrono::steady_clock::now();
            for (std::size_t i = 0; i < watched.size();) {
                if (auto connection = watched[i].lock()) {
                    connection->checkDeadline(now);
                    ++i;
                } else {
                    watched[i] = std::move(watched.back());
                    watched.pop_back();
                }
            }
            startSweep();
        });
    }
};

inline int ioThreadsFor(const FrontOptions& options) {
    return options.ioThreads > 0
               ? options.ioThreads
               : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

struct FrontCore {
    using Handler = FrontHandler;
    FrontOptions options;
    Handler handler;
    int ceiling = 0;
    std::atomic<bool> stopping{false};
    ConnectionRegistry registry;
    WorkerPool workers;
    // Declared after the registry: connections still held by pending handlers leave it as the
    // loops go.
    std::vector<std::unique_ptr<Loop>> loops;
    std::atomic<unsigned> nextLoop{0};
    std::optional<net::ssl::context> tls;
    std::optional<tcp::acceptor> acceptor;
    std::optional<net::steady_timer> acceptPause;
    int port = 0;
    std::vector<std::thread> threads;
    std::thread background;
    std::mutex runMutex;
    bool running = false;

    FrontCore(FrontOptions o, Handler h, int connectionCeiling)
        : options(std::move(o)), handler(std::move(h)), ceiling(connectionCeiling),
          registry(
              ConnectionRegistry::Limits{options.limits.connectionsPerAddress, connectionCeiling}),
          workers(options.workers, options.queueLimit) {
        for (int i = 0; i < ioThreadsFor(options); ++i) {
            loops.push_back(std::make_unique<Loop>());
        }
        acceptor.emplace(loops.front()->ioc);
        acceptPause.emplace(loops.front()->ioc);
    }

    void accept();
    void onAccept(const beast::error_code& ec, tcp::socket socket, Loop& loop);
    void notice(const std::string& line) const {
        if (options.notice) {
            options.notice(line);
        }
    }
    HttpReply handle(const HttpRequest& request) const {
        try {
            return handler(request);
        } catch (const std::exception& e) {
            notice("internal error at " + request.path + ": " + e.what());
        } catch (...) {
            notice("internal error at " + request.path);
        }
        return HttpReply{500, "text/plain; charset=utf-8", "Internal error\n", {}};
    }
};

} // namespace textowl::server::front
