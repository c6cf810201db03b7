#pragma once

// A loopback HTTPS server for transport tests, on OpenSSL directly: it answers every request on
// a connection with the same reply and records what the client sent once the handshake was
// through, so that a test sees whether a request (and the password in it) ever left the client.
//
//   ThrowawayCa ca;
//   TlsTestServer server(ca.issue("127.0.0.1"), httpReply("200 OK", "<x/>"));
//   client.sendRequest(*Url::parse(server.url("127.0.0.1", "/svc")), settings);
//   EXPECT_EQ(server.received(), requestBytes);

#include "support/throwaway_ca.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

typedef struct ssl_ctx_st SSL_CTX;

namespace textowl::test {

// A server context for identity; TLS 1.0 only (with the ciphers it needs allowed) when tls10Only.
SSL_CTX* makeServerContext(const TlsIdentity& identity, bool tls10Only = false);

// What one served connection reports, as it happens.
struct TlsConnectionEvents {
    std::function<void()> handshakeDone;
    std::function<void(std::string_view)> received; // decrypted bytes from the client
};

// Serves one accepted connection: handshake, then each whole request (head and Content-Length
// body) answered with reply, until the client closes or stop is set.
void serveTlsConnection(SSL_CTX* context, int fd, const std::string& reply,
                        const TlsConnectionEvents& events, const std::atomic<bool>& stop);

class TlsTestServer {
public:
    explicit TlsTestServer(const TlsIdentity& identity, std::string reply, bool tls10Only = false);
    ~TlsTestServer();
    TlsTestServer(const TlsTestServer&) = delete;
    TlsTestServer& operator=(const TlsTestServer&) = delete;

    // "https://<host>:<port>" followed by path; host is what the client checks the name against.
    std::string url(const std::string& host, const std::string& path = "/") const;
    // Every byte that arrived after a finished handshake, over all connections so far.
    std::string received() const;
    int handshakes() const { return m_handshakes; }

private:
    void acceptLoop();

    SSL_CTX* m_context = nullptr;
    std::string m_reply;
    int m_listenFd = -1;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_handshakes{0};
    mutable std::mutex m_mutex;
    std::string m_received;
    std::thread m_thread;
};

} // namespace textowl::test
