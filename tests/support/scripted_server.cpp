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
    m_steps.push_back({Step::Kind::Send, std::move(bytes), 0, {}});
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
    m_steps.push_back({Step::Kind::Repeat, std::move(piece), count, {}});
    return *this;
}

ConnectionScript& ConnectionScript::sendForever(std::string piece) {
    m_steps.push_back({Step::Kind::Forever, std::move(piece), 0, {}});
    return *this;
}

ConnectionScript& ConnectionScript::pause(std::chrono::milliseconds delay) {
    m_steps.push_back({Step::Kind::Pause, {}, 0, delay});
    return *this;
}

ConnectionScript& ConnectionScript::readBytes(std::size_t n) {
    m_steps.push_back({Step::Kind::ReadBytes, {}, n, {}});
    return *this;
}

ConnectionScript& ConnectionScript::readRequest() {
    m_steps.push_back({Step::Kind::ReadRequest, {}, 0, {}});
    return *this;
}

ConnectionScript& ConnectionScript::staySilent() {
    m_steps.push_back({Step::Kind::Silent, {}, 0, {}});
    return *this;
}

ConnectionScript& ConnectionScript::answerEveryRequest(std::string reply) {
    m_steps.push_back({Step::Kind::Answer, std::move(reply), 0, {}});
    return *this;
}

ConnectionScript& ConnectionScript::close() {
    m_steps.push_back({Step::Kind::Close, {}, 0, {}});
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
    bool silent = false;
    std::thread thread;
};

// The steps of one connection, run on its own thread.
class ScriptRunner {
public:
    ScriptRunner(int fd, int wakeFd, std::string& received, std::size_t& consumed,
                 std::mutex& mutex, const bool& stopping)
        : m_fd(fd), m_wakeFd(wakeFd), m_received(received), m_consumed(consumed), m_mutex(mutex),
          m_stopping(stopping) {}

    bool stopped() const {
        std::lock_guard lock(m_mutex);
        return m_stopping;
    }

    // Waits for the socket; false when the server stops first.
    bool waitFor(short events) { return waitFor(events, -1) > 0; }

    // > 0 ready, 0 timed out, < 0 stopped or failed.
    int waitFor(short events, int timeoutMs) {
        pollfd p[2] = {{m_fd, events, 0}, {m_wakeFd, POLLIN, 0}};
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
            ssize_t sent = ::send(m_fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
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
        ssize_t got = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
            return readSome();
        }
        if (got > 0) {
            std::lock_guard lock(m_mutex);
            m_received.append(buffer, static_cast<std::size_t>(got));
        }
        return got;
    }

    std::size_t receivedSize() {
        std::lock_guard lock(m_mutex);
        return m_received.size();
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
                std::lock_guard lock(m_mutex);
                headEnd = m_received.find("\r\n\r\n", m_consumed);
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
            std::lock_guard lock(m_mutex);
            head = m_received.substr(m_consumed, headEnd + 2 - m_consumed);
        }
        std::size_t end = headEnd + 4 + findContentLength(head);
        bool whole = readUntil(end);
        m_consumed = std::min(end, receivedSize());
        return whole;
    }

    void pause(std::chrono::milliseconds delay) {
        pollfd p{m_wakeFd, POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(delay.count()));
    }

    // Waits until the client's side has acknowledged everything sent, a FIN included, so that
    // the client sees it whenever it looks next. Gives up after the linger time.
    void waitUntilAcknowledged() {
        const auto until = std::chrono::steady_clock::now() + kLingerOnClose;
        for (;;) {
            tcp_info info{};
            socklen_t size = sizeof info;
            if (::getsockopt(m_fd, IPPROTO_TCP, TCP_INFO, &info, &size) != 0 ||
                info.tcpi_unacked == 0 || std::chrono::steady_clock::now() >= until) {
                return;
            }
            pause(std::chrono::milliseconds(1));
        }
    }

    // Sends FIN first and reads what is still coming, so that the client sees the bytes sent
    // before the close rather than a reset.
    void lingeringClose() {
        ::shutdown(m_fd, SHUT_WR);
        waitUntilAcknowledged();
        auto until = std::chrono::steady_clock::now() + kLingerOnClose;
        for (;;) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            if (left.count() <= 0 || waitFor(POLLIN, static_cast<int>(left.count())) <= 0) {
                return;
            }
            char buffer[4096];
            ssize_t got = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (got <= 0) {
                return;
            }
            std::lock_guard lock(m_mutex);
            m_received.append(buffer, static_cast<std::size_t>(got));
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
            std::size_t target = m_consumed + step.count;
            bool whole = readUntil(target);
            m_consumed = std::min(target, receivedSize());
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
    int m_fd;
    int m_wakeFd;
    std::string& m_received;
    std::size_t& m_consumed;
    std::mutex& m_mutex;
    const bool& m_stopping;
};

ScriptedServer::ScriptedServer(std::vector<ConnectionScript> scripts,
                               std::optional<ConnectionScript> fallback)
    : m_scripts(std::move(scripts)), m_fallback(std::move(fallback)) {
    if (::pipe2(m_wakePipe, O_CLOEXEC) != 0) {
        throw std::runtime_error("the scripted server cannot create its wake-up pipe");
    }
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listenFd, 16) != 0 ||
        ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(m_listenFd);
        ::close(m_wakePipe[0]);
        ::close(m_wakePipe[1]);
        throw std::runtime_error("the scripted server cannot listen on loopback");
    }
    m_port = ntohs(address.sin_port);
    m_acceptThread = std::thread([this] { acceptLoop(); });
}

ScriptedServer::~ScriptedServer() {
    stop();
}

void ScriptedServer::stop() {
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping) {
            return;
        }
        m_stopping = true;
    }
    m_changed.notify_all();
    char wake = 1;
    [[maybe_unused]] auto written = ::write(m_wakePipe[1], &wake, 1);
    m_acceptThread.join();
    ::close(m_listenFd);
    for (auto& connection : m_connections) {
        connection->thread.join();
    }
    ::close(m_wakePipe[0]);
    ::close(m_wakePipe[1]);
}

std::string ScriptedServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::string ScriptedServer::received(std::size_t index) const {
    std::lock_guard lock(m_mutex);
    return index < m_connections.size() ? m_connections[index]->received : std::string();
}

std::size_t ScriptedServer::acceptedCount() const {
    std::lock_guard lock(m_mutex);
    return m_connections.size();
}

bool ScriptedServer::waitForScriptEnd(std::size_t index, std::chrono::milliseconds limit) const {
    return waitFor(index, &Connection::finished, limit);
}

bool ScriptedServer::waitForSilence(std::size_t index, std::chrono::milliseconds limit) const {
    return waitFor(index, &Connection::silent, limit);
}

bool ScriptedServer::waitFor(std::size_t index, bool Connection::*state,
                             std::chrono::milliseconds limit) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] {
        return index < m_connections.size() && (*m_connections[index]).*state;
    });
}

void ScriptedServer::acceptLoop() {
    pollfd p[2] = {{m_listenFd, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
    for (;;) {
        int ready = ::poll(p, 2, -1);
        if (p[1].revents != 0) {
            return;
        }
        if (ready <= 0) {
            continue;
        }
        int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::lock_guard lock(m_mutex);
        std::size_t index = m_connections.size();
        auto connection = std::make_unique<Connection>();
        connection->fd = fd;
        const ConnectionScript* script = index < m_scripts.size() ? &m_scripts[index]
                                         : m_fallback             ? &*m_fallback
                                                                  : nullptr;
        Connection& ref = *connection;
        m_connections.push_back(std::move(connection));
        ref.thread = std::thread([this, &ref, script] {
            if (script != nullptr) {
                run(ref, *script);
            }
            {
                std::lock_guard done(m_mutex);
                ref.finished = true;
            }
            m_changed.notify_all();
        });
    }
}

void ScriptedServer::run(Connection& connection, const ConnectionScript& script) {
    ScriptRunner runner(connection.fd, m_wakePipe[0], connection.received, connection.consumed,
                        m_mutex, m_stopping);
    for (const auto& step : script.steps()) {
        if (step.kind == ConnectionScript::Step::Kind::Silent) {
            runner.waitUntilAcknowledged();
            {
                std::lock_guard lock(m_mutex);
                connection.silent = true;
            }
            m_changed.notify_all();
        }
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
