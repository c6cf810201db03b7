#include "server/http_server.h"

#include "server/bmp_icons.h"
#include "server/delivery_reports.h"
#include "server/service.h"
#include "server/soap_envelope.h"
#include "server/web_catalogue.h"
#include "server/web_pages.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <httplib.h>
#include <optional>
#include <sys/socket.h>
#include <system_error>
#include <thread>

namespace textowl::server {
namespace {

constexpr const char* kXmlType = "text/xml; charset=utf-8";

// A pool that starts with a few workers and adds one whenever a job would otherwise wait: an
// idle kept-alive connection pins its worker until the client speaks or the keep-alive time
// ends, so a fixed pool would leave every later client unanswered once that many sit idle.
// Shutdown waits a bounded time for the same reason. Workers own the shared state, so one left
// behind never touches a destroyed queue.
class BoundedPool : public httplib::TaskQueue {
public:
    BoundedPool(int threads, int maxThreads, std::chrono::milliseconds drain, bool& drainedOut)
        : state_(std::make_shared<State>()), maxThreads_(std::max(threads, maxThreads)),
          drain_(drain), drainedOut_(drainedOut) {
        std::lock_guard lock(state_->mutex);
        for (int i = 0; i < threads; ++i) {
            spawn();
        }
    }

    void enqueue(std::function<void()> fn) override {
        {
            std::lock_guard lock(state_->mutex);
            state_->jobs.push_back(std::move(fn));
            const int idle = state_->live - state_->busy;
            if (std::ssize(state_->jobs) > idle && state_->live < maxThreads_) {
                spawn();
            }
        }
        state_->wake.notify_one();
    }

    void shutdown() override {
        std::unique_lock lock(state_->mutex);
        state_->stopping = true;
        state_->wake.notify_all();
        const bool drained =
            state_->done.wait_for(lock, drain_, [this] { return state_->live == 0; });
        lock.unlock();
        for (std::thread& t : threads_) {
            if (drained) {
                t.join();
            } else {
                t.detach();
            }
        }
        drainedOut_ = drained;
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable wake, done;
        std::deque<std::function<void()>> jobs;
        bool stopping = false;
        int live = 0;
        int busy = 0; // workers running a job; the others take the queued jobs
    };

    // Called with the state locked. Without room for another thread the job waits for a
    // worker that is already there.
    void spawn() {
        try {
            threads_.emplace_back([state = state_] { work(*state); });
            ++state_->live;
        } catch (const std::system_error&) {
        }
    }

    static void work(State& state) {
        std::unique_lock lock(state.mutex);
        for (;;) {
            state.wake.wait(lock, [&] { return state.stopping || !state.jobs.empty(); });
            if (state.jobs.empty()) {
                break;
            }
            std::function<void()> job = std::move(state.jobs.front());
            state.jobs.pop_front();
            ++state.busy;
            lock.unlock();
            job();
            job = nullptr;
            lock.lock();
            --state.busy;
        }
        --state.live;
        state.done.notify_all();
    }

    std::shared_ptr<State> state_;
    int maxThreads_;
    std::chrono::milliseconds drain_;
    bool& drainedOut_;
    std::vector<std::thread> threads_;
};

// Closed once stopping begins: a request that still arrives on a left-behind connection is
// answered without touching the service, which may be gone by then.
struct Gate {
    std::atomic<bool> open{true};
};

std::string stripQuotes(std::string value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

void fault(httplib::Response& res, std::string_view code, std::string_view why) {
    res.status = 500;
    res.set_content(soapFault(code, why), kXmlType);
}

bool isWildcard(const std::string& host) {
    return host == "0.0.0.0" || host == "::";
}

// An IPv6 literal goes in brackets; a wildcard address is no place to connect to, so the image
// host named to clients is the loopback address instead.
std::string hostForUrl(const std::string& host, bool connectable) {
    if (connectable && isWildcard(host)) {
        return "127.0.0.1";
    }
    return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

// The host name of a Host header without its port: a DNS name, an IPv4 address or a bracketed
// IPv6 address. Anything else names no host a client could be sent to.
std::optional<std::string> hostName(const std::string& header) {
    const bool bracketed = !header.empty() && header.front() == '[';
    const std::size_t end = bracketed ? header.find(']') : header.find(':');
    if (bracketed && end == std::string::npos) {
        return std::nullopt;
    }
    const std::string name = header.substr(0, bracketed ? end + 1 : end);
    const std::string_view allowed = bracketed ? "[]:.0123456789abcdefABCDEF"
                                               : "-.0123456789abcdefghijklmnopqrstuvwxyz"
                                                 "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    if (name.empty() || name.size() > 255 || name.find_first_not_of(allowed) != std::string::npos) {
        return std::nullopt;
    }
    return name;
}

std::string describe(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown exception";
    }
}

FormFields formFields(const httplib::Request& req) {
    return FormFields(req.params.begin(), req.params.end());
}

} // namespace

struct PagewrightServer::Impl {
    PagewrightService& service;
    ServerOptions options;
    std::unique_ptr<httplib::Server> http = std::make_unique<httplib::Server>();
    std::shared_ptr<Gate> gate = std::make_shared<Gate>();
    WebPages pages{service, options.notice};
    std::map<std::string, std::string> icons = buildInterfaceIcons();
    bool drained = true;
    int port = 0;
    int listenSocket = -1;
    std::thread background;

    Impl(PagewrightService& s, ServerOptions o) : service(s), options(std::move(o)) {}

    void handleSoap(const httplib::Request& req, httplib::Response& res) {
        const SoapParseResult parsed = parseSoapRequest(req.body);
        if (!parsed.request) {
            fault(res, parsed.mustUnderstand ? "MustUnderstand" : "Client", parsed.fault);
            return;
        }
        const SoapRequest& call = *parsed.request;
        if (req.has_header("SOAPAction")) {
            const std::string action = stripQuotes(req.get_header_value("SOAPAction"));
            if (!action.empty() &&
                action != std::string(kServiceNamespace) + "#" + call.operation) {
                fault(res, "Client", "the SOAPAction header names another operation");
                return;
            }
        }
        const CallReply reply = service.call(call, reachedHost(req), req.remote_addr);
        if (reply.faultCode) {
            fault(res, *reply.faultCode, reply.faultString);
            return;
        }
        res.set_content(soapResponse(call.operation, reply.returnText), kXmlType);
    }

    // A server listening on every address has no one address to name to its clients; each is
    // told the host name it used itself, which is how it reached this server.
    std::string reachedHost(const httplib::Request& req) const {
        if (!isWildcard(options.host)) {
            return {};
        }
        const auto name = hostName(req.get_header_value("Host"));
        return name ? *name + ":" + std::to_string(port) : std::string();
    }

    void routes() {
        auto gated = [gate = gate](auto handler) {
            return [gate, handler](const httplib::Request& req, httplib::Response& res) {
                if (!gate->open) {
                    res.status = 503;
                    res.set_header("Connection", "close");
                    return;
                }
                handler(req, res);
            };
        };
        http->Post(std::string(kSoapPath),
                   gated([this](const auto& req, auto& res) { handleSoap(req, res); }));
        http->Get(R"(/pagewright/images/([A-Za-z0-9_.]+))",
                  gated([this](const httplib::Request& req, httplib::Response& res) {
                      const auto it = icons.find(req.matches[1]);
                      if (it == icons.end()) {
                          res.status = 404;
                          return;
                      }
                      res.set_content(it->second, "image/bmp");
                  }));
        // Before the web pages, which would take this path too.
        http->Get(std::string(kDeliveryReportPath),
                  gated([this](const httplib::Request& req, httplib::Response& res) {
                      const ReportReply reply =
                          receiveDeliveryReport(service.store(), formFields(req), service.now());
                      res.status = reply.status;
                      res.set_content(reply.body, "text/plain; charset=utf-8");
                      // smsbox leaves its report connections open; each would pin a worker
                      // for the whole keep-alive time, and a burst of reports fills the pool.
                      res.set_header("Connection", "close");
                  }));
        auto page = [this](const std::optional<WebResponse>& page, httplib::Response& res) {
            if (!page) {
                res.status = 404;
                res.set_content("<!DOCTYPE html><title>Not found</title><p>Not found.</p>",
                                "text/html; charset=utf-8");
                return;
            }
            res.status = page->status;
            res.set_content(page->body, page->contentType.c_str());
        };
        http->Get(R"(/pagewright(/.*)?)",
                  gated([this, page](const httplib::Request& req, httplib::Response& res) {
                      page(pages.get(req.path, formFields(req)), res);
                  }));
        http->Post(R"(/pagewright/(signup|forgotpwd)(\.php)?)",
                   gated([this, page](const httplib::Request& req, httplib::Response& res) {
                       page(pages.post(req.path, formFields(req)), res);
                   }));
        http->set_exception_handler(
            [this](const httplib::Request& req, httplib::Response& res, std::exception_ptr error) {
                if (options.notice) {
                    options.notice("internal error at " + req.path + ": " + describe(error));
                }
                fault(res, "Server", "internal error");
            });
    }
};

PagewrightServer::PagewrightServer(PagewrightService& service, ServerOptions options)
    : impl_(std::make_unique<Impl>(service, std::move(options))) {
    Impl& d = *impl_;
    // The library writes a reply's head and body separately; with Nagle's algorithm the body
    // then waits for the client's delayed ACK, some 40 ms a call. Accepted sockets inherit the
    // option from the listening one.
    d.http->set_tcp_nodelay(true);
    d.http->set_keep_alive_max_count(100000);
    d.http->set_keep_alive_timeout(d.options.keepAliveSeconds);
    d.http->set_payload_max_length(d.options.maxBodyBytes);
    d.http->new_task_queue = [&d] {
        return new BoundedPool(d.options.workerThreads, d.options.maxWorkerThreads,
                               std::chrono::milliseconds(d.options.drainMilliseconds), d.drained);
    };
    d.http->set_socket_options([&d](socket_t sock) {
        httplib::default_socket_options(sock);
        d.listenSocket = sock;
    });
    d.routes();
}

PagewrightServer::~PagewrightServer() {
    stop();
    if (impl_->background.joinable()) {
        impl_->background.join();
    }
    if (!impl_->drained) {
        // A worker left behind may still call into the HTTP server; keep it alive.
        (void)impl_->http.release();
    }
}

bool PagewrightServer::bind() {
    // A client that hangs up mid-reply must cost one connection, not the process.
    std::signal(SIGPIPE, SIG_IGN);
    Impl& d = *impl_;
    if (d.options.port == 0) {
        d.port = d.http->bind_to_any_port(d.options.host);
        if (d.port <= 0) {
            return false;
        }
    } else if (d.http->bind_to_port(d.options.host, d.options.port)) {
        d.port = d.options.port;
    } else {
        return false;
    }
    // The library listens with a backlog of 5, so a burst of clients connecting at once had
    // some of them reset; listening again only lengthens the queue.
    ::listen(d.listenSocket, SOMAXCONN);
    d.service.setPublicHost(hostForUrl(d.options.host, true) + ":" + std::to_string(d.port));
    return true;
}

int PagewrightServer::port() const {
    return impl_->port;
}

std::string PagewrightServer::endpointUrl() const {
    return "http://" + hostForUrl(impl_->options.host, false) + ":" + std::to_string(impl_->port) +
           std::string(kSoapPath);
}

bool PagewrightServer::run() {
    impl_->http->listen_after_bind();
    return impl_->drained;
}

void PagewrightServer::start() {
    impl_->background = std::thread([this] { run(); });
    for (int i = 0; i < 5000 && !impl_->http->is_running(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void PagewrightServer::stop() {
    impl_->gate->open = false;
    impl_->http->stop();
}

} // namespace textowl::server
