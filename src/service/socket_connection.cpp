#include "service/socket_connection.h"

#include <cerrno>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace textowl {
namespace {

struct AddrInfoDeleter {
    void operator()(addrinfo* info) const { freeaddrinfo(info); }
};

} // namespace

SocketConnection::~SocketConnection() {
    close();
}

bool SocketConnection::open(const std::string& host, std::uint16_t port, int timeoutMs) {
    close();
    m_timeoutMs = timeoutMs;
    m_tlsProblem = CertificateProblem::None;
    m_tlsFailure.clear();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
        m_lastError = EHOSTUNREACH;
        return false;
    }
    std::unique_ptr<addrinfo, AddrInfoDeleter> list(found);
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
        if (connectTo(a->ai_addr, a->ai_addrlen, a->ai_family, a->ai_socktype, a->ai_protocol)) {
            return true;
        }
        if (m_lastError == ETIMEDOUT) {
            break; // one full wait is all a connect may cost
        }
    }
    return false;
}

bool SocketConnection::connectTo(const void* address, unsigned addressLength, int family, int type,
                                 int protocol) {
    m_fd = ::socket(family, type | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol);
    if (m_fd < 0) {
        m_lastError = errno;
        return false;
    }
    // Head and body go out as separate writes; Nagle would hold the body back for an ACK.
    int one = 1;
    setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(m_fd, static_cast<const sockaddr*>(address), addressLength) != 0) {
        if (errno != EINPROGRESS) {
            m_lastError = errno;
            close();
            return false;
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (!waitFor(POLLOUT) || getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 ||
            error != 0) {
            if (error != 0) {
                m_lastError = error;
            }
            close();
            return false;
        }
    }
    return true;
}

bool SocketConnection::startTls(TlsContext& context, const std::string& host) {
    RawLink& link = *this;
    auto channel = std::make_unique<TlsChannel>(context, host, link);
    if (m_fd >= 0 && channel->handshake()) {
        m_tls = std::move(channel);
        return true;
    }
    m_tlsProblem = channel->certificateProblem();
    m_tlsFailure = m_fd >= 0 ? channel->failure() : "not connected";
    close();
    return false;
}

// No close_notify is sent: the closed socket tells the server enough, and it may be gone already.
void SocketConnection::close() {
    m_tls.reset();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

bool SocketConnection::isReusable() const {
    if (m_fd < 0 || (m_tls && m_tls->holdsUnreadBytes())) {
        return false;
    }
    pollfd p{m_fd, POLLIN, 0};
    int ready = ::poll(&p, 1, 0);
    if (ready == 0) {
        return true;
    }
    // Readable while idle means closed, reset or unasked bytes: none of them can carry a request.
    return false;
}

int SocketConnection::allowedWaitMs() {
    if (m_deadline == Clock::time_point::max()) {
        return m_timeoutMs;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_deadline - Clock::now());
    if (left.count() <= 0) {
        m_deadlinePassed = true;
        m_lastError = ETIMEDOUT;
        return -1;
    }
    return left.count() < m_timeoutMs ? static_cast<int>(left.count()) : m_timeoutMs;
}

bool SocketConnection::waitFor(short events) {
    pollfd p{m_fd, events, 0};
    for (;;) {
        const int waitMs = allowedWaitMs();
        if (waitMs < 0) {
            return false;
        }
        int ready = ::poll(&p, 1, waitMs);
        if (ready > 0) {
            return true;
        }
        if (ready == 0) {
            m_lastError = ETIMEDOUT;
            m_deadlinePassed = Clock::now() >= m_deadline;
            return false;
        }
        if (errno != EINTR) {
            m_lastError = errno;
            return false;
        }
    }
}

bool SocketConnection::sendAll(const char* data, std::size_t length) {
    return m_tls ? m_tls->write(data, length) : sendRaw(data, length);
}

long SocketConnection::receive(char* buf, std::size_t n) {
    return m_tls ? m_tls->read(buf, n) : receiveRaw(buf, n);
}

bool SocketConnection::sendRaw(const char* data, std::size_t length) {
    if (m_fd < 0) {
        m_lastError = ENOTCONN;
        return false;
    }
    while (length > 0) {
        ssize_t sent = ::send(m_fd, data, length, MSG_NOSIGNAL);
        if (sent > 0) {
            data += sent;
            length -= static_cast<std::size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(POLLOUT)) {
                return false;
            }
            continue;
        }
        m_lastError = sent < 0 ? errno : EPIPE;
        return false;
    }
    return true;
}

long SocketConnection::receiveRaw(char* buf, std::size_t n) {
    if (m_fd < 0) {
        m_lastError = ENOTCONN;
        return -1;
    }
    for (;;) {
        // A server that never pauses would otherwise never reach a wait that checks the deadline.
        if (allowedWaitMs() < 0) {
            return -1;
        }
        ssize_t got = ::recv(m_fd, buf, n, 0);
        if (got >= 0) {
            return static_cast<long>(got);
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            m_lastError = errno;
            return -1;
        }
        if (!waitFor(POLLIN)) {
            return -1;
        }
    }
}

} // namespace textowl
