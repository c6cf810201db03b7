#include "support/scripted_server.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace textowl::test {
namespace {

constexpr std::chrono::milliseconds kLingerOnClose{200};

std::size_t findContentLength(const std::string& head) {
    std::string lower(head);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::size_t at = lower.find("\r\ncontent-length:");
    if (at == std::string::npos) {
        return 0;
    }
    return static_cast<std::size_t>(std::strtoull(lower.c_str() + at + 17, nullptr, 10));
}

} // namespace

ConnectionScript& ConnectionScript::send(std::string bytes) {
    steps_.push_back({Step::Kind::Send, std::move(bytes), 0, {}});
    return *this;
}

ConnectionScript& ConnectionScript::sendInPieces(std::string bytes, std::size_t pieceSize,
                                                 std::chrono::milliseconds delay) {
    pieceSize = std::max<std::size_t>(pieceSize, 1);
    for (std::size_t at = 0; at < bytes.size(); at += pieceSize) {
        if (at > 0) {
            pause(delay);
        }
        send(bytes.substr(at, pieceSize));
    }
    return *this;
}

ConnectionScript& ConnectionScript::sendRepeated(std::string piece, std::size_t count) {
    steps_.push_back({Step::Kind::Repeat, std::move(piece), count, {}});
    return *this;
}

ConnectionScript& ConnectionScript::sendForever(std::string piece) {
    steps_.push_back({Step::Kind::Forever, std::move(piece), 0, {}});
    return *this;
}

ConnectionScript& ConnectionScript::pause(std::chrono::milliseconds delay) {
    steps_.push_back({Step::Kind::Pause, {}, 0, delay});
    return *this;
}

ConnectionScript& ConnectionScript::readBytes(std::size_t n) {
    steps_.push_back({Step::Kind::ReadBytes, {}, n, {}});
    return *this;
}

ConnectionScript& ConnectionScript::readRequest() {
    steps_.push_back({Step::Kind::ReadRequest, {}, 0, {}});
    return *this;
}

ConnectionScript& ConnectionScript::staySilent() {
    steps_.push_back({Step::Kind::Silent, {}, 0, {}});
    return *this;
}

ConnectionScript& ConnectionScript::answerEveryRequest(std::string reply) {
    steps_.push_back({Step::Kind::Answer, std::move(reply), 0, {}});
    return *this;
}

ConnectionScript& ConnectionScript::close() {
    steps_.push_back({Step::Kind::Close, {}, 0, {}});
    return *this;
}

ConnectionScript ConnectionScript::serveForever(std::string reply) {
    return ConnectionScript().answerEveryRequest(std::move(reply));
}

struct ScriptedServer::Connection {
    int fd = -1;
    std::string received;
    std::size_t consumed = 0;
    bool finished = false;
    std::thread thread;
};

// The steps of one connection, run on its own thread.
class ScriptRunner {
public:
    ScriptRunner(int fd, int wakeFd, std::string& received, std::size_t& consumed,
                 std::mutex& mutex, const bool& stopping)
        : fd_(fd), wakeFd_(wakeFd), received_(received), consumed_(consumed), mutex_(mutex),
          stopping_(stopping) {}

    bool stopped() const {
        std::lock_guard lock(mutex_);
        return stopping_;
    }

    // Waits for the socket; false when the server stops first.
    bool waitFor(short events) { return waitFor(events, -1) > 0; }

    // > 0 ready, 0 timed out, < 0 stopped or failed.
    int waitFor(short events, int timeoutMs) {
        pollfd p[2] = {{fd_, events, 0}, {wakeFd_, POLLIN, 0}};
        for (;;) {
            int ready = ::poll(p, 2, timeoutMs);
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready < 0 || p[1].revents != 0 || stopped()) {
                return -1;
            }
            return ready;
        }
    }

    bool sendBytes(const std::string& bytes) {
        std::size_t at = 0;
        while (at < bytes.size()) {
            ssize_t sent = ::send(fd_, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
            if (sent > 0) {
                at += static_cast<std::size_t>(sent);
            } else if (sent < 0 && (errno == EAGAIN || errno == EINTR)) {
                if (!waitFor(POLLOUT)) {
                    return false;
                }
            } else {
                return false;
            }
        }
        return true;
    }

    // One receive into the record; > 0 bytes, 0 closed, < 0 error or stop.
    long readSome() {
        if (!waitFor(POLLIN)) {
            return -1;
        }
        char buffer[65536];
        ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
            return readSome();
        }
        if (got > 0) {
            std::lock_guard lock(mutex_);
            received_.append(buffer, static_cast<std::size_t>(got));
        }
        return got;
    }

    std::size_t receivedSize() {
        std::lock_guard lock(mutex_);
        return received_.size();
    }

    bool readUntil(std::size_t total) {
        while (receivedSize() < total) {
            if (readSome() <= 0) {
                return false;
            }
        }
        return true;
    }

    bool readRequest() {
        std::size_t headEnd;
        for (;;) {
            {
                std::lock_guard lock(mutex_);
                headEnd = received_.find("\r\n\r\n", consumed_);
            }
            if (headEnd != std::string::npos) {
                break;
            }
            if (readSome() <= 0) {
                return false;
            }
        }
        std::string head;
        {
            std::lock_guard lock(mutex_);
            head = received_.substr(consumed_, headEnd + 2 - consumed_);
        }
        std::size_t end = headEnd + 4 + findContentLength(head);
        bool whole = readUntil(end);
        consumed_ = std::min(end, receivedSize());
        return whole;
    }

    void pause(std::chrono::milliseconds delay) {
        pollfd p{wakeFd_, POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(delay.count()));
    }

    // Sends FIN first and reads what is still coming, so that the client sees the bytes sent
    // before the close rather than a reset.
    void lingeringClose() {
        ::shutdown(fd_, SHUT_WR);
        auto until = std::chrono::steady_clock::now() + kLingerOnClose;
        for (;;) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            if (left.count() <= 0 || waitFor(POLLIN, static_cast<int>(left.count())) <= 0) {
                return;
            }
            char buffer[4096];
            ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
            if (got <= 0) {
                return;
            }
            std::lock_guard lock(mutex_);
            received_.append(buffer, static_cast<std::size_t>(got));
        }
    }

    // False when the connection is over (closed by either side, or the server stops).
    bool runStep(const ConnectionScript::Step& step) {
        using Kind = ConnectionScript::Step::Kind;
        switch (step.kind) {
        case Kind::Send:
            return sendBytes(step.bytes);
        case Kind::Repeat:
            for (std::size_t i = 0; i < step.count; ++i) {
                if (stopped() || !sendBytes(step.bytes)) {
                    return false;
                }
            }
            return true;
        case Kind::Forever:
            while (!stopped() && sendBytes(step.bytes)) {
            }
            return false;
        case Kind::Pause:
            pause(step.delay);
            return !stopped();
        case Kind::ReadBytes: {
            std::size_t target = consumed_ + step.count;
            bool whole = readUntil(target);
            consumed_ = std::min(target, receivedSize());
            return whole;
        }
        case Kind::ReadRequest:
            return readRequest();
        case Kind::Silent:
            while (readSome() > 0) {
            }
            return false;
        case Kind::Answer:
            while (readRequest() && sendBytes(step.bytes)) {
            }
            return false;
        case Kind::Close:
            return false;
        }
        return false;
    }

private:
    int fd_;
    int wakeFd_;
    std::string& received_;
    std::size_t& consumed_;
    std::mutex& mutex_;
    const bool& stopping_;
};

ScriptedServer::ScriptedServer(std::vector<ConnectionScript> scripts,
                               std::optional<ConnectionScript> fallback)
    : scripts_(std::move(scripts)), fallback_(std::move(fallback)) {
    if (::pipe2(wakePipe_, O_CLOEXEC) != 0) {
        throw std::runtime_error("the scripted server cannot create its wake-up pipe");
    }
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 16) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(listenFd_);
        ::close(wakePipe_[0]);
        ::close(wakePipe_[1]);
        throw std::runtime_error("the scripted server cannot listen on loopback");
    }
    port_ = ntohs(address.sin_port);
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

ScriptedServer::~ScriptedServer() {
    stop();
}

void ScriptedServer::stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            return;
        }
        stopping_ = true;
    }
    changed_.notify_all();
    char wake = 1;
    [[maybe_unused]] auto written = ::write(wakePipe_[1], &wake, 1);
    acceptThread_.join();
    ::close(listenFd_);
    for (auto& connection : connections_) {
        connection->thread.join();
    }
    ::close(wakePipe_[0]);
    ::close(wakePipe_[1]);
}

std::string ScriptedServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string ScriptedServer::received(std::size_t index) const {
    std::lock_guard lock(mutex_);
    return index < connections_.size() ? connections_[index]->received : std::string();
}

std::size_t ScriptedServer::acceptedCount() const {
    std::lock_guard lock(mutex_);
    return connections_.size();
}

bool ScriptedServer::waitForScriptEnd(std::size_t index, std::chrono::milliseconds limit) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(
        lock, limit, [&] { return index < connections_.size() && connections_[index]->finished; });
}

void ScriptedServer::acceptLoop() {
    pollfd p[2] = {{listenFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
    for (;;) {
        int ready = ::poll(p, 2, -1);
        if (p[1].revents != 0) {
            return;
        }
        if (ready <= 0) {
            continue;
        }
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::lock_guard lock(mutex_);
        std::size_t index = connections_.size();
        auto connection = std::make_unique<Connection>();
        connection->fd = fd;
        const ConnectionScript* script = index < scripts_.size() ? &scripts_[index]
                                         : fallback_             ? &*fallback_
                                                                 : nullptr;
        Connection& ref = *connection;
        connections_.push_back(std::move(connection));
        ref.thread = std::thread([this, &ref, script] {
            if (script != nullptr) {
                run(ref, *script);
            }
            {
                std::lock_guard done(mutex_);
                ref.finished = true;
            }
            changed_.notify_all();
        });
    }
}

void ScriptedServer::run(Connection& connection, const ConnectionScript& script) {
    ScriptRunner runner(connection.fd, wakePipe_[0], connection.received, connection.consumed,
                        mutex_, stopping_);
    for (const auto& step : script.steps()) {
        if (!runner.runStep(step)) {
            break;
        }
    }
    runner.lingeringClose();
    ::close(connection.fd);
    connection.fd = -1;
}

std::string httpReply(const std::string& statusLine, const std::string& body,
                      const std::string& extraHeaders) {
    return "HTTP/1.1 " + statusLine + "\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n" + extraHeaders + "\r\n" + body;
}

} // namespace textowl::test
