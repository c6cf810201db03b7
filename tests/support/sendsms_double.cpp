#include "support/sendsms_double.h"

#include "support/url_decode.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <list>
#include <sys/socket.h>

namespace textowl::test {

namespace beast = boost::beast;
namespace http = beast::http;
using tcp = boost::asio::ip::tcp;

// Blocking accepts and reads end when their socket is shut down, which is how the destructor
// reaches threads that are waiting on a quiet client.
struct SendsmsDouble::Sockets {
    boost::asio::io_context io;
    tcp::acceptor acceptor{io, {boost::asio::ip::address_v4::loopback(), 0}};
    std::mutex mutex;
    std::list<tcp::socket> connections;
    bool stopping = false;
};

namespace {

std::string parameter(const std::string& target, const std::string& name) {
    const std::string key = name + "=";
    for (std::size_t at = target.find('?'); at != std::string::npos; at = target.find('&', at)) {
        ++at;
        if (target.compare(at, key.size(), key) == 0) {
            const std::size_t end = target.find('&', at);
            return urlDecode(target.substr(at + key.size(), end - at - key.size()));
        }
    }
    return {};
}

} // namespace

SendsmsDouble::SendsmsDouble(std::chrono::milliseconds pause)
    : m_pause(pause), m_sockets(std::make_unique<Sockets>()) {
    m_port = m_sockets->acceptor.local_endpoint().port();
    m_threads.emplace_back([this] { accept(); });
}

SendsmsDouble::~SendsmsDouble() {
    {
        std::lock_guard lock(m_sockets->mutex);
        m_sockets->stopping = true;
        ::shutdown(m_sockets->acceptor.native_handle(), SHUT_RDWR);
        for (tcp::socket& socket : m_sockets->connections) {
            ::shutdown(socket.native_handle(), SHUT_RDWR);
        }
    }
    m_threads.front().join();
    // The acceptor has ended, so no thread is added any more.
    for (std::size_t i = 1; i < m_threads.size(); ++i) {
        m_threads[i].join();
    }
}

std::string SendsmsDouble::url() const {
    return "http://u:p@127.0.0.1:" + std::to_string(m_port) + "/cgi-bin/sendsms";
}

std::map<std::string, int> SendsmsDouble::received() {
    std::lock_guard lock(m_mutex);
    return m_received;
}

long SendsmsDouble::requests() {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

bool SendsmsDouble::waitForRequests(long count, std::chrono::milliseconds limit) {
    std::unique_lock lock(m_mutex);
    return m_arrived.wait_for(lock, limit, [&] { return m_requests >= count; });
}

void SendsmsDouble::accept() {
    for (;;) {
        tcp::socket socket(m_sockets->io);
        beast::error_code error;
        m_sockets->acceptor.accept(socket, error);
        std::lock_guard lock(m_sockets->mutex);
        if (error || m_sockets->stopping) {
            return;
        }
        const auto connection =
            m_sockets->connections.insert(m_sockets->connections.end(), std::move(socket));
        m_threads.emplace_back([this, connection] {
            serve(*connection);
            std::lock_guard closing(m_sockets->mutex);
            m_sockets->connections.erase(connection);
        });
    }
}

void SendsmsDouble::serve(tcp::socket& connection) {
    beast::flat_buffer buffer;
    for (;;) {
        http::request<http::string_body> request;
        beast::error_code error;
        http::read(connection, buffer, request, error);
        if (error) {
            return;
        }
        ++m_inFlight;
        {
            std::lock_guard lock(m_mutex);
            ++m_received[parameter(std::string(request.target()), "to")];
            ++m_requests;
        }
        m_arrived.notify_all();
        std::this_thread::sleep_for(m_pause);
        http::response<http::string_body> reply(http::status::accepted, 11);
        reply.set(http::field::content_type, "text/plain");
        reply.body() = "0: Accepted for delivery\n";
        reply.keep_alive(request.keep_alive());
        reply.prepare_payload();
        http::write(connection, reply, error);
        --m_inFlight;
        if (error || !request.keep_alive()) {
            return;
        }
    }
}

} // namespace textowl::test
