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
    timeoutMs_ = timeoutMs;
    tlsProblem_ = CertificateProblem::None;
    tlsFailure_.clear();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
        lastError_ = EHOSTUNREACH;
        return false;
    }
    std::unique_ptr<addrinfo, AddrInfoDeleter> list(found);
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
        if (connectTo(a->ai_addr, a->ai_addrlen, a->ai_family, a->ai_socktype, a->ai_protocol)) {
            return true;
        }
        if (lastError_ == ETIMEDOUT) {
            break; // one full wait is all a connect may cost
        }
    }
    return false;
}

bool SocketConnection::connectTo(const void* address, unsigned addressLength, int family, int type,
                                 int protocol) {
    fd_ = ::socket(family, type | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol);
    if (fd_ < 0) {
        lastError_ = errno;
        return false;
    }
    // Head and body go out as separate writes; Nagle would hold the body back for an ACK.
    int one = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(fd_, static_cast<const sockaddr*>(address), addressLength) != 0) {
        if (errno != EINPROGRESS) {
            lastError_ = errno;
            close();
            return false;
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (!waitFor(POLLOUT) || getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0 ||
            error != 0) {
            if (error != 0) {
                lastError_ = error;
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
    if (fd_ >= 0 && channel->handshake()) {
        tls_ = std::move(channel);
        return true;
    }
    tlsProblem_ = channel->certificateProblem();
    tlsFailure_ = fd_ >= 0 ? channel->failure() : "not connected";
    close();
    return false;
}

// No close_notify is sent: the closed socket tells the server enough, and it may be gone already.
void SocketConnection::close() {
    tls_.reset();
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool SocketConnection::isReusable() const {
    if (fd_ < 0 || (tls_ && tls_->holdsUnreadBytes())) {
        return false;
    }
    pollfd p{fd_, POLLIN, 0};
    int ready = ::poll(&p, 1, 0);
    if (ready == 0) {
        return true;
    }
    // Readable while idle means closed, reset or unasked bytes: none of them can carry a request.
    return false;
}

int SocketConnection::allowedWaitMs() {
    if (deadline_ == Clock::time_point::max()) {
        return timeoutMs_;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline_ - Clock::now());
    if (left.count() <= 0) {
        deadlinePassed_ = true;
        lastError_ = ETIMEDOUT;
        return -1;
    }
    return left.count() < timeoutMs_ ? static_cast<int>(left.count()) : timeoutMs_;
}

bool SocketConnection::waitFor(short events) {
    pollfd p{fd_, events, 0};
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
            lastError_ = ETIMEDOUT;
            deadlinePassed_ = Clock::now() >= deadline_;
            return false;
        }
        if (errno != EINTR) {
            lastError_ = errno;
            return false;
        }
    }
}

bool SocketConnection::sendAll(const char* data, std::size_t length) {
    return tls_ ? tls_->write(data, length) : sendRaw(data, length);
}

long SocketConnection::receive(char* buf, std::size_t n) {
    return tls_ ? tls_->read(buf, n) : receiveRaw(buf, n);
}

bool SocketConnection::sendRaw(const char* data, std::size_t length) {
    if (fd_ < 0) {
        lastError_ = ENOTCONN;
        return false;
    }
    while (length > 0) {
        ssize_t sent = ::send(fd_, data, length, MSG_NOSIGNAL);
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
        lastError_ = sent < 0 ? errno : EPIPE;
        return false;
    }
    return true;
}

long SocketConnection::receiveRaw(char* buf, std::size_t n) {
    if (fd_ < 0) {
        lastError_ = ENOTCONN;
        return -1;
    }
    for (;;) {
        // A server that never pauses would otherwise never reach a wait that checks the deadline.
        if (allowedWaitMs() < 0) {
            return -1;
        }
        ssize_t got = ::recv(fd_, buf, n, 0);
        if (got >= 0) {
            return static_cast<long>(got);
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            lastError_ = errno;
            return -1;
        }
        if (!waitFor(POLLIN)) {
            return -1;
        }
    }
}

} // namespace textowl
