#include "canned_server.h"

#include "support/tls_test_server.h"

#include <arpa/inet.h>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdexcept>
#include <string_view>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace textowl::bench {
namespace {

bool sendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Reads one request (head and Content-Length body); false when the client went away.
bool readRequest(int fd, std::string& pending) {
    std::size_t headEnd = std::string::npos;
    std::size_t need = 0;
    char buffer[65536];
    for (;;) {
        if (headEnd == std::string::npos) {
            headEnd = pending.find("\r\n\r\n");
            if (headEnd != std::string::npos) {
                const std::size_t at = pending.find("Content-Length: ");
                const std::size_t length =
                    at < headEnd ? std::strtoul(pending.c_str() + at + 16, nullptr, 10) : 0;
                need = headEnd + 4 + length;
            }
        }
        if (headEnd != std::string::npos && pending.size() >= need) {
            pending.erase(0, need);
            return true;
        }
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            return false;
        }
        pending.append(buffer, static_cast<std::size_t>(n));
    }
}

// Serves the accepted connections one after the other, each by serveConnection.
template <typename ServeConnection>
[[noreturn]] void acceptForever(int listenFd, ServeConnection serveConnection) {
    for (;;) {
        const int fd = ::accept(listenFd, nullptr, nullptr);
        if (fd < 0) {
            continue;
        }
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        serveConnection(fd);
        ::close(fd);
    }
}

[[noreturn]] void serve(int listenFd, const std::string& reply, std::chrono::milliseconds delay) {
    acceptForever(listenFd, [&](int fd) {
        std::string pending;
        while (readRequest(fd, pending)) {
            std::this_thread::sleep_for(delay);
            if (!sendAll(fd, reply))
                break;
        }
    });
}

[[noreturn]] void serveTls(int listenFd, const std::string& reply,
                           const test::TlsIdentity& identity) {
    SSL_CTX* context = test::makeServerContext(identity);
    const std::atomic<bool> never{false};
    acceptForever(listenFd,
                  [&](int fd) { test::serveTlsConnection(context, fd, reply, {}, never); });
}

} // namespace

CannedServer::CannedServer(std::string reply, std::chrono::milliseconds delay,
                           const test::TlsIdentity* tls)
    : m_tls(tls != nullptr) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(fd, 8) != 0 || ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        throw std::runtime_error("cannot listen on loopback");
    }
    m_port = ntohs(addr.sin_port);
    m_child = ::fork();
    if (m_child == 0) {
        if (tls != nullptr) {
            serveTls(fd, reply, *tls);
        }
        serve(fd, reply, delay);
    }
    ::close(fd);
    if (m_child < 0) {
        throw std::runtime_error("cannot start the canned server");
    }
}

CannedServer::~CannedServer() {
    if (m_child > 0) {
        ::kill(m_child, SIGTERM);
        ::waitpid(m_child, nullptr, 0);
    }
}

std::string CannedServer::url() const {
    return (m_tls ? "https" : "http") + std::string("://127.0.0.1:") + std::to_string(m_port) +
           "/pagewright/soapserver.php";
}

} // namespace textowl::bench
