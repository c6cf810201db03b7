#pragma once

// A loopback TCP server that replays a byte script on every connection it accepts, for tests that
// need exact bytes on the wire: replies split anywhere, delays, early closes, silence, floods.
//
//   ScriptedServer server({ConnectionScript().readRequest().send("HTTP/1.1 200 OK\r\n..."),
//                          ConnectionScript().readRequest().staySilent()},
//                         ConnectionScript::serveForever(goodReply));
//   client.sendRequest(*Url::parse(server.url("/path")), settings);
//   EXPECT_EQ(server.received(0), expectedRequestBytes);
//
// The n-th accepted connection runs the n-th script; connections beyond the list run the fallback
// script when one is given and are closed at once otherwise. Every script ends by closing its
// connection (unless it stays silent, which lasts until the client closes or the server stops).
// Waits inside a script give up when the server stops, so a destructor never hangs.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace textowl::test {

class ConnectionScript {
public:
    // Sends bytes in one write.
    ConnectionScript& send(std::string bytes);
    // Sends bytes in pieces of pieceSize, pausing delay before each piece after the first.
    ConnectionScript& sendInPieces(std::string bytes, std::size_t pieceSize,
                                   std::chrono::milliseconds delay);
    // Sends piece count times without building the whole text in memory (large bodies).
    ConnectionScript& sendRepeated(std::string piece, std::size_t count);
    // Sends piece over and over until the client closes or the server stops.
    ConnectionScript& sendForever(std::string piece);
    ConnectionScript& pause(std::chrono::milliseconds delay);
    // Waits for n more bytes from the client (fewer if it closes first).
    ConnectionScript& readBytes(std::size_t n);
    // Waits for one whole request: the head up to its empty line and Content-Length body bytes.
    ConnectionScript& readRequest();
    // Keeps the connection open without sending until the client closes or the server stops.
    ConnectionScript& staySilent();
    // Answers every request on this connection with reply until the client closes.
    ConnectionScript& answerEveryRequest(std::string reply);
    // Ends the connection now (a script also ends with a close).
    ConnectionScript& close();

    // A whole script that answers every request with reply.
    static ConnectionScript serveForever(std::string reply);

    struct Step {
        enum class Kind {
            Send,
            Repeat,
            Forever,
            Pause,
            ReadBytes,
            ReadRequest,
            Silent,
            Answer,
            Close
        };
        Kind kind;
        std::string bytes;
        std::size_t count = 0;
        std::chrono::milliseconds delay{0};
    };
    const std::vector<Step>& steps() const { return m_steps; }

private:
    std::vector<Step> m_steps;
};

class ScriptedServer {
public:
    explicit ScriptedServer(std::vector<ConnectionScript> scripts,
                            std::optional<ConnectionScript> fallback = std::nullopt);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    std::uint16_t port() const { return m_port; }
    // "http://127.0.0.1:<port>" followed by path.
    std::string url(const std::string& path = "/") const;

    // Everything the client sent on the index-th accepted connection, so far.
    std::string received(std::size_t index) const;
    std::size_t acceptedCount() const;
    // Waits until the index-th connection's script has finished (or the time has passed). Its
    // close has reached the client by then.
    bool waitForScriptEnd(std::size_t index, std::chrono::milliseconds limit) const;
    // Waits until the index-th connection's script has gone silent, with all it sent before in
    // the client's hands.
    bool waitForSilence(std::size_t index, std::chrono::milliseconds limit) const;

    void stop();

private:
    struct Connection;
    bool waitFor(std::size_t index, bool Connection::*state, std::chrono::milliseconds limit) const;
    void acceptLoop();
    void run(Connection& connection, const ConnectionScript& script);

    std::vector<ConnectionScript> m_scripts;
    std::optional<ConnectionScript> m_fallback;
    int m_listenFd = -1;
    int m_wakePipe[2] = {-1, -1}; // readable once the server stops; every wait also polls it
    std::uint16_t m_port = 0;
    std::thread m_acceptThread;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<std::unique_ptr<Connection>> m_connections;
    bool m_stopping = false;
};

// "HTTP/1.1 <status line>\r\nContent-Length: <n>\r\n<extra>\r\n<body>"
std::string httpReply(const std::string& statusLine, const std::string& body,
                      const std::string& extraHeaders = {});

} // namespace textowl::test
