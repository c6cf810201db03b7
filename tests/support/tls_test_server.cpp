#include "support/tls_test_server.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <memory>
#include <netinet/in.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace textowl::test {
namespace {

constexpr int kPollMs = 20;

// Waits until fd is readable, or gives up once stop is set.
bool waitReadable(int fd, const std::atomic<bool>& stop) {
    pollfd p{fd, POLLIN, 0};
    while (!stop) {
        const int ready = ::poll(&p, 1, kPollMs);
        if (ready != 0) {
            return ready > 0;
        }
    }
    return false;
}

// The length of the first whole request in pending, or 0 while it is incomplete.
std::size_t wholeRequest(const std::string& pending) {
    const std::size_t headEnd = pending.find("\r\n\r\n");
    if (headEnd == std::string::npos) {
        return 0;
    }
    const std::size_t at = pending.find("Content-Length: ");
    const std::size_t body =
        at < headEnd ? std::strtoul(pending.c_str() + at + 16, nullptr, 10) : 0;
    return pending.size() >= headEnd + 4 + body ? headEnd + 4 + body : 0;
}

bool writeAll(SSL* ssl, const std::string& bytes) {
    std::size_t written = 0;
    return bytes.empty() || (SSL_write_ex(ssl, bytes.data(), bytes.size(), &written) == 1 &&
                             written == bytes.size());
}

} // namespace

SSL_CTX* makeServerContext(const TlsIdentity& identity, bool tls10Only) {
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    BIO* certBio =
        BIO_new_mem_buf(identity.certificate.data(), static_cast<int>(identity.certificate.size()));
    BIO* keyBio = BIO_new_mem_buf(identity.key.data(), static_cast<int>(identity.key.size()));
    X509* cert = PEM_read_bio_X509(certBio, nullptr, nullptr, nullptr);
    EVP_PKEY* key = PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr);
    const bool ok = context != nullptr && SSL_CTX_use_certificate(context, cert) == 1 &&
                    SSL_CTX_use_PrivateKey(context, key) == 1;
    X509_free(cert);
    EVP_PKEY_free(key);
    BIO_free(certBio);
    BIO_free(keyBio);
    if (!ok) {
        SSL_CTX_free(context);
        throw std::runtime_error("TLS test server: unusable identity");
    }
    if (tls10Only) {
        SSL_CTX_set_security_level(context, 0);
        SSL_CTX_set_cipher_list(context, "DEFAULT:@SECLEVEL=0");
        SSL_CTX_set_min_proto_version(context, TLS1_VERSION);
        SSL_CTX_set_max_proto_version(context, TLS1_VERSION);
    }
    return context;
}

void serveTlsConnection(SSL_CTX* context, int fd, const std::string& reply,
                        const TlsConnectionEvents& events, const std::atomic<bool>& stop) {
    std::unique_ptr<SSL, decltype(&SSL_free)> ssl(SSL_new(context), SSL_free);
    SSL_set_fd(ssl.get(), fd);
    if (!waitReadable(fd, stop) || SSL_accept(ssl.get()) != 1) {
        return;
    }
    if (events.handshakeDone) {
        events.handshakeDone();
    }
    std::string pending;
    char buffer[16384];
    while (SSL_pending(ssl.get()) > 0 || waitReadable(fd, stop)) {
        std::size_t got = 0;
        if (SSL_read_ex(ssl.get(), buffer, sizeof buffer, &got) != 1) {
            break;
        }
        if (events.received) {
            events.received(std::string_view(buffer, got));
        }
        pending.append(buffer, got);
        for (std::size_t length = wholeRequest(pending); length != 0;
             length = wholeRequest(pending)) {
            pending.erase(0, length);
            if (!writeAll(ssl.get(), reply)) {
                return;
            }
        }
    }
}

TlsTestServer::TlsTestServer(const TlsIdentity& identity, std::string reply, bool tls10Only)
    : m_context(makeServerContext(identity, tls10Only)), m_reply(std::move(reply)) {
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_listenFd < 0 ||
        ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listenFd, 8) != 0 ||
        ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("TLS test server: cannot listen on loopback");
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { acceptLoop(); });
}

TlsTestServer::~TlsTestServer() {
    m_stop = true;
    m_thread.join();
    ::close(m_listenFd);
    SSL_CTX_free(m_context);
}

void TlsTestServer::acceptLoop() {
    while (waitReadable(m_listenFd, m_stop)) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        const TlsConnectionEvents events{[this] { ++m_handshakes; },
                                         [this](std::string_view bytes) {
                                             const std::lock_guard lock(m_mutex);
                                             m_received += bytes;
                                         }};
        serveTlsConnection(m_context, fd, m_reply, events, m_stop);
        ::close(fd);
    }
}

std::string TlsTestServer::url(const std::string& host, const std::string& path) const {
    const std::string authority = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    return "https://" + authority + ":" + std::to_string(m_port) + path;
}

std::string TlsTestServer::received() const {
    const std::lock_guard lock(m_mutex);
    return m_received;
}

} // namespace textowl::test
