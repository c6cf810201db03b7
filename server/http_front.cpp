#include "server/http_front.h"

#include "server/connection_registry.h"
#include "server/worker_pool.h"

#include <atomic>
#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <csignal>
#include <optional>
#include <pthread.h>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace textowl::server {
namespace {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;

using PlainStream = beast::tcp_stream;
using TlsStream = beast::ssl_stream<beast::tcp_stream>;

// Each read of a connection's first bytes asks for this much; a request head rarely needs more.
constexpr std::size_t kReadSize = 2048;
// After an error reply, what the client still sends is read and dropped for a while, so that
// closing does not reset the connection before the client has read the reply.
constexpr std::size_t kLingerBytes = 256 * 1024;
constexpr auto kLingerTime = std::chrono::seconds(2);

// Whether the bytes were unreadable as HTTP, as opposed to a client that stopped sending.
bool isParseError(const beast::error_code& ec) {
    return ec.category() == beast::error_code(http::error::bad_target).category() &&
           ec != http::error::end_of_stream && ec != http::error::partial_message;
}

const char* reasonText(int status) {
    return http::obsolete_reason(static_cast<http::status>(status)).data();
}

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

    void startSweep() {
        sweep.expires_after(kSweepInterval);
        sweep.async_wait([this](const beast::error_code& ec) {
            if (ec) {
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

int ioThreadsFor(const FrontOptions& options) {
    return options.ioThreads > 0
               ? options.ioThreads
               : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

struct FrontCore {
    using Handler = HttpFront::Handler;
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

tcp::socket& socketOf(PlainStream& s) {
    return s.socket();
}
tcp::socket& socketOf(TlsStream& s) {
    return s.next_layer().socket();
}

// One client connection: it reads a request within the limits, hands it to a worker, writes
// the reply and waits for the next, all without holding a thread. Every path that ends it goes
// through finish(), so that neither the socket nor a pending deadline outlives it.
template <class Stream>
class Connection : public Closable,
                   public Deadlined,
                   public std::enable_shared_from_this<Connection<Stream>> {
public:
    template <class... Layer>
    Connection(FrontCore& front, Loop& loop, tcp::socket&& socket, Layer&... layer)
        : front_(front), loop_(loop), stream_(std::move(socket), layer...),
          buffer_(front.options.limits.headerBytes + kReadSize),
          executor_(socketOf(stream_).get_executor()) {}

    ~Connection() override { front_.registry.release(id_); }

    void start(ConnectionRegistry::Id id, std::string address) {
        id_ = id;
        address_ = std::move(address);
        net::dispatch(executor_, [self = this->shared_from_this()] { self->begin(); });
    }

    void close() override {
        net::post(executor_, [self = this->shared_from_this()] { self->finish(); });
    }

    void checkDeadline(std::chrono::steady_clock::time_point now) override {
        if (now < deadline_) {
            return;
        }
        disarm();
        if (phase_ == Phase::Reading) {
            timedOut_ = true;
            beast::error_code ignored;
            lowest().socket().cancel(ignored);
        } else {
            finish();
        }
    }

private:
    // What a deadline that passes does: a request being read is answered 408, anything else
    // (waiting, writing, closing) just ends the connection.
    enum class Phase { Reading, Closing };

    const FrontLimits& limits() const { return front_.options.limits; }
    beast::tcp_stream& lowest() { return beast::get_lowest_layer(stream_); }

    template <class Next> auto then(Next next) {
        return [self = this->shared_from_this(), next](beast::error_code ec, auto&&...) {
            if (ec) {
                self->finish();
            } else {
                (self.get()->*next)();
            }
        };
    }

    void finish() {
        disarm();
        beast::error_code ignored;
        lowest().socket().close(ignored);
    }

    // The stream's own deadlines close the socket, which leaves no way to say 408; this one
    // only cancels what waits, so the handler can still answer.
    void arm(std::chrono::steady_clock::duration after, Phase phase) {
        timedOut_ = false;
        deadline_ = std::chrono::steady_clock::now() + after;
        phase_ = phase;
    }

    void disarm() { deadline_ = std::chrono::steady_clock::time_point::max(); }

    void begin() {
        loop_.watched.push_back(this->weak_from_this());
        if constexpr (std::is_same_v<Stream, TlsStream>) {
            arm(limits().headerTime, Phase::Closing);
            stream_.async_handshake(net::ssl::stream_base::server, then(&Connection::awaitRequest));
        } else {
            awaitRequest();
        }
    }

    // Waiting for a request's first byte is the idle time; the header deadline starts with it.
    void awaitRequest() {
        if (front_.stopping) {
            finish();
            return;
        }
        parser_.reset();
        if (buffer_.size() > 0) {
            readHeader();
            return;
        }
        if (buffer_.capacity() > 4 * kReadSize) {
            buffer_.shrink_to_fit();
        }
        front_.registry.setIdle(id_, true);
        arm(limits().idleTime, Phase::Closing);
        stream_.async_read_some(
            buffer_.prepare(kReadSize),
            [self = this->shared_from_this()](beast::error_code ec, std::size_t n) {
                self->front_.registry.setIdle(self->id_, false);
                if (ec) {
                    self->finish();
                    return;
                }
                self->buffer_.commit(n);
                self->readHeader();
            });
    }

    void readHeader() {
        parser_.emplace();
        parser_->header_limit(static_cast<std::uint32_t>(limits().headerBytes));
        parser_->body_limit(limits().bodyBytes);
        arm(limits().headerTime, Phase::Reading);
        http::async_read_header(
            stream_, buffer_, *parser_,
            [self = this->shared_from_this()](beast::error_code ec, std::size_t) {
                if (ec) {
                    self->failRead(ec);
                } else {
                    self->onHeader();
                }
            });
    }

    void onHeader() {
        const auto& head = parser_->get();
        if (std::distance(head.begin(), head.end()) > limits().headerFields) {
            refuse(431);
            return;
        }
        if (const auto length = parser_->content_length(); length && *length > limits().bodyBytes) {
            refuse(413);
            return;
        }
        if (parser_->is_done()) {
            dispatch();
            return;
        }
        if (beast::iequals(head[http::field::expect], "100-continue")) {
            static const std::string kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
            net::async_write(stream_, net::buffer(kContinue), then(&Connection::readBody));
            return;
        }
        readBody();
    }

    void readBody() {
        arm(limits().bodyTime, Phase::Reading);
        http::async_read(stream_, buffer_, *parser_,
                         [self = this->shared_from_this()](beast::error_code ec, std::size_t) {
                             if (ec) {
                                 self->failRead(ec);
                             } else {
                                 self->dispatch();
                             }
                         });
    }

    // A request the limits refuse gets its status; a client that went away or sent something
    // unreadable gets what it can still take.
    void failRead(beast::error_code ec) {
        if (timedOut_) {
            refuse(408);
        } else if (ec == http::error::header_limit || ec == http::error::buffer_overflow) {
            refuse(431);
        } else if (ec == http::error::body_limit) {
            refuse(413);
        } else if (isParseError(ec)) {
            refuse(400);
        } else {
            finish();
        }
    }

    void dispatch() {
        auto& message = parser_->get();
        HttpRequest request;
        request.method = std::string(message.method_string());
        const std::string_view target(message.target().data(), message.target().size());
        const std::size_t question = target.find('?');
        request.path = decodeUrl(target.substr(0, question), false);
        if (question != std::string_view::npos) {
            request.query = std::string(target.substr(question + 1));
        }
        request.host = std::string(message[http::field::host]);
        request.contentType = std::string(message[http::field::content_type]);
        if (const auto action = message.find("SOAPAction"); action != message.end()) {
            request.hasSoapAction = true;
            request.soapAction = std::string(action->value());
        }
        request.remoteAddress = address_;
        request.body = std::move(message.body());
        keepAlive_ = message.keep_alive();
        head_ = message.method() == http::verb::head;
        version_ = message.version();
        parser_.reset();
        // The client waits for the worker; no deadline runs meanwhile.
        disarm();
        auto job = [self = this->shared_from_this(), request = std::move(request)]() mutable {
            HttpReply reply = self->front_.handle(request);
            net::post(self->executor_, [self, reply = std::move(reply)]() mutable {
                self->respond(std::move(reply));
            });
        };
        if (!front_.workers.trySubmit(std::move(job))) {
            respond(HttpReply{503,
                              "text/plain; charset=utf-8",
                              "Busy, try again shortly\n",
                              {{"Retry-After", "1"}}});
        }
    }

    void respond(HttpReply reply) {
        keepAlive_ = keepAlive_ && !front_.stopping;
        auto& res = response_;
        res = {};
        res.version(version_);
        res.result(static_cast<unsigned>(reply.status));
        if (!reply.contentType.empty()) {
            res.set(http::field::content_type, reply.contentType);
        }
        for (const auto& [name, value] : reply.headers) {
            res.set(name, value);
        }
        res.body() = std::move(reply.body);
        res.keep_alive(keepAlive_);
        res.prepare_payload();
        if (head_) {
            const std::size_t length = res.body().size();
            res.body().clear();
            res.content_length(length);
        }
        write(keepAlive_ ? &Connection::awaitRequest : &Connection::linger);
    }

    // An error reply, then the connection closes: the rest of what the client sends is not
    // worth reading.
    void refuse(int status) {
        keepAlive_ = false;
        parser_.reset();
        buffer_.clear();
        auto& res = response_;
        res = {};
        res.version(11);
        res.result(static_cast<unsigned>(status));
        res.set(http::field::content_type, "text/plain; charset=utf-8");
        res.set(http::field::connection, "close");
        res.body() = std::string(reasonText(status)) + "\n";
        res.prepare_payload();
        write(&Connection::linger);
    }

    void write(void (Connection::*next)()) {
        arm(limits().bodyTime, Phase::Closing);
        http::async_write(
            stream_, response_,
            [self = this->shared_from_this(), next](beast::error_code ec, std::size_t) {
                self->response_ = {};
                if (ec) {
                    self->finish();
                } else {
                    (self.get()->*next)();
                }
            });
    }

    // Closing at once could reset the connection before the client has read the reply, while
    // it still sends; what it sends meanwhile is read and dropped, for a bounded time and size.
    void linger() {
        if constexpr (std::is_same_v<Stream, TlsStream>) {
            finish();
        } else {
            beast::error_code ignored;
            lowest().socket().shutdown(tcp::socket::shutdown_send, ignored);
            arm(kLingerTime, Phase::Closing);
            lingered_ = 0;
            drain();
        }
    }

    void drain() {
        lowest().socket().async_read_some(
            net::buffer(discard_),
            [self = this->shared_from_this()](beast::error_code ec, std::size_t n) {
                self->lingered_ += n;
                if (ec || self->lingered_ >= kLingerBytes) {
                    self->finish();
                } else {
                    self->drain();
                }
            });
    }

    FrontCore& front_;
    Stream stream_;
    beast::flat_buffer buffer_;
    net::any_io_executor executor_;
    Loop& loop_;
    std::chrono::steady_clock::time_point deadline_ = std::chrono::steady_clock::time_point::max();
    Phase phase_ = Phase::Closing;
    bool timedOut_ = false;
    std::optional<http::request_parser<http::string_body>> parser_;
    http::response<http::string_body> response_;
    ConnectionRegistry::Id id_ = 0;
    std::string address_;
    bool keepAlive_ = true;
    bool head_ = false;
    unsigned version_ = 11;
    std::size_t lingered_ = 0;
    char discard_[4096];
};

void FrontCore::accept() {
    Loop& loop = *loops[nextLoop++ % loops.size()];
    acceptor->async_accept(loop.ioc,
                           [this, &loop](const beast::error_code& ec, tcp::socket socket) {
                               onAccept(ec, std::move(socket), loop);
                           });
}

void FrontCore::onAccept(const beast::error_code& ec, tcp::socket socket, Loop& loop) {
    if (stopping || ec == net::error::operation_aborted) {
        return;
    }
    if (ec) {
        // Out of descriptors: make room by closing the longest-idle connection, and give the
        // closes a moment before accepting again.
        if (ec == net::error::no_descriptors) {
            registry.closeLongestIdle();
        }
        acceptPause->expires_after(std::chrono::milliseconds(20));
        acceptPause->async_wait([this](const beast::error_code& wait) {
            if (!wait && !stopping) {
                accept();
            }
        });
        return;
    }
    beast::error_code error;
    socket.set_option(tcp::no_delay(true), error);
    const auto peer = socket.remote_endpoint(error);
    if (!error) {
        std::string address = peer.address().to_string();
        const std::string key = connectionAddressKey(address);
        auto admit = [&](auto connection) {
            ConnectionRegistry::Id id = 0;
            if (registry.admit(key, connection, id) == ConnectionRegistry::Admission::Admitted) {
                connection->start(id, std::move(address));
            }
        };
        if (tls) {
            admit(std::make_shared<Connection<TlsStream>>(*this, loop, std::move(socket), *tls));
        } else {
            admit(std::make_shared<Connection<PlainStream>>(*this, loop, std::move(socket)));
        }
    }
    accept();
}

} // namespace

struct HttpFront::Impl : FrontCore {
    using FrontCore::FrontCore;
};

long raiseOpenFilesLimit() {
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) != 0) {
        return 1024;
    }
    if (files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
        getrlimit(RLIMIT_NOFILE, &files);
    }
    return static_cast<long>(files.rlim_cur);
}

namespace {

// Descriptors the process needs besides client connections: the database, the gateway,
// files, the listening socket.
constexpr long kReservedDescriptors = 64;

int ceilingFor(const FrontLimits& limits) {
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    const long available = static_cast<long>(files.rlim_cur) - kReservedDescriptors;
    return static_cast<int>(std::max(1L, std::min<long>(limits.connections, available)));
}

} // namespace

HttpFront::HttpFront(FrontOptions options, Handler handler) {
    const int ceiling = ceilingFor(options.limits);
    impl_ = std::make_shared<Impl>(std::move(options), std::move(handler), ceiling);
}

HttpFront::~HttpFront() {
    stop();
    if (impl_->background.joinable()) {
        impl_->background.join();
    }
}

bool HttpFront::bind() {
    // A client that hangs up mid-reply must cost one connection, not the process.
    std::signal(SIGPIPE, SIG_IGN);
    Impl& d = *impl_;
    if (!d.options.tlsCertificate.empty() || !d.options.tlsKey.empty()) {
        try {
            d.tls.emplace(net::ssl::context::tls_server);
            d.tls->set_options(net::ssl::context::default_workarounds |
                               net::ssl::context::no_sslv2 | net::ssl::context::no_sslv3 |
                               net::ssl::context::no_tlsv1 | net::ssl::context::no_tlsv1_1 |
                               net::ssl::context::single_dh_use);
            SSL_CTX_set_min_proto_version(d.tls->native_handle(), TLS1_2_VERSION);
            d.tls->use_certificate_chain_file(d.options.tlsCertificate);
            d.tls->use_private_key_file(d.options.tlsKey, net::ssl::context::pem);
        } catch (const std::exception& e) {
            d.notice("cannot load the TLS certificate or key: " + std::string(e.what()));
            d.tls.reset();
            return false;
        }
    }
    beast::error_code ec;
    const auto address = net::ip::make_address(d.options.host, ec);
    if (ec) {
        return false;
    }
    const tcp::endpoint endpoint(address, static_cast<unsigned short>(d.options.port));
    d.acceptor->open(endpoint.protocol(), ec);
    if (!ec) {
        d.acceptor->set_option(net::socket_base::reuse_address(true), ec);
        if (address.is_v6()) {
            d.acceptor->set_option(net::ip::v6_only(false), ec);
        }
        d.acceptor->bind(endpoint, ec);
    }
    if (!ec) {
        d.acceptor->listen(net::socket_base::max_listen_connections, ec);
    }
    if (ec) {
        beast::error_code ignored;
        d.acceptor->close(ignored);
        return false;
    }
    d.port = d.acceptor->local_endpoint().port();
    return true;
}

int HttpFront::port() const {
    return impl_->port;
}

bool HttpFront::secure() const {
    return impl_->tls.has_value();
}

int HttpFront::connectionCeiling() const {
    return impl_->ceiling;
}

void HttpFront::run() {
    Impl& d = *impl_;
    {
        std::lock_guard lock(d.runMutex);
        if (d.stopping || d.running) {
            return;
        }
        d.running = true;
        d.accept();
        for (auto& loop : d.loops) {
            loop->startSweep();
        }
        for (std::size_t i = 1; i < d.loops.size(); ++i) {
            d.threads.emplace_back([&loop = *d.loops[i]] {
                // Named, so that an operator's top -H tells the service's threads apart.
                pthread_setname_np(pthread_self(), "http-io");
                loop.ioc.run();
            });
        }
    }
    d.loops.front()->ioc.run();
    for (std::thread& t : d.threads) {
        t.join();
    }
    d.threads.clear();
}

void HttpFront::start() {
    impl_->background = std::thread([this] {
        pthread_setname_np(pthread_self(), "http-io");
        run();
    });
}

void HttpFront::stop() {
    Impl& d = *impl_;
    if (d.stopping.exchange(true)) {
        return;
    }
    net::post(d.acceptor->get_executor(), [&d] {
        beast::error_code ignored;
        d.acceptor->close(ignored);
        d.acceptPause->cancel();
    });
    d.registry.closeAll();
    // What the workers are running ends and its replies are dropped with their connections.
    d.workers.stop();
    std::lock_guard lock(d.runMutex);
    for (auto& loop : d.loops) {
        if (d.running) {
            // Each loop ends once what its connections still have in hand is done.
            net::post(loop->ioc, [&loop = *loop] {
                loop.sweep.cancel();
                loop.guard.reset();
            });
        } else {
            // Never served: nothing else will run the handlers that release the connections.
            loop->ioc.stop();
        }
    }
}

} // namespace textowl::server
