#include "server/front/http_front.h"

#include "server/front/http_connection.h"

#include <csignal>
#include <pthread.h>
#include <sys/resource.h>

namespace textowl::server {
namespace front {

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

} // namespace front

using front::FrontCore;
using front::net::ip::tcp;
namespace beast = front::beast;
namespace net = front::net;

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
    m_impl = std::make_shared<Impl>(std::move(options), std::move(handler), ceiling);
}

HttpFront::~HttpFront() {
    stop();
    if (m_impl->background.joinable()) {
        m_impl->background.join();
    }
}

bool HttpFront::bind() {
    // A client that hangs up mid-reply must cost one connection, not the process.
    std::signal(SIGPIPE, SIG_IGN);
    Impl& d = *m_impl;
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
    return m_impl->port;
}

bool HttpFront::secure() const {
    return m_impl->tls.has_value();
}

int HttpFront::connectionCeiling() const {
    return m_impl->ceiling;
}

void HttpFront::run() {
    Impl& d = *m_impl;
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
    m_impl->background = std::thread([this] {
        pthread_setname_np(pthread_self(), "http-io");
        run();
    });
}

void HttpFront::stop() {
    Impl& d = *m_impl;
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
                loop.ending = true;
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
