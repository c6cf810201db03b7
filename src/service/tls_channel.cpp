#include "service/tls_channel.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace textowl {
namespace {

bool isIpLiteral(const std::string& host) {
    unsigned char address[16];
    return inet_pton(AF_INET, host.c_str(), address) == 1 ||
           inet_pton(AF_INET6, host.c_str(), address) == 1;
}

CertificateProblem classify(long verifyResult) {
    switch (verifyResult) {
    case X509_V_OK:
        return CertificateProblem::None;
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return CertificateProblem::Expired;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return CertificateProblem::WrongHost;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED:
    case X509_V_ERR_CERT_REJECTED:
        return CertificateProblem::Untrusted;
    default:
        return CertificateProblem::Invalid;
    }
}

// What OpenSSL's reads and writes go through; the last receive tells an end from a failure.
struct LinkState {
    RawLink* link = nullptr;
    long lastReceive = 1;
};

LinkState& stateOf(BIO* bio) {
    return *static_cast<LinkState*>(BIO_get_data(bio));
}

int linkWrite(BIO* bio, const char* data, std::size_t length, std::size_t* written) {
    BIO_clear_retry_flags(bio);
    if (!stateOf(bio).link->sendRaw(data, length)) {
        return 0;
    }
    *written = length;
    return 1;
}

int linkRead(BIO* bio, char* buf, std::size_t n, std::size_t* got) {
    BIO_clear_retry_flags(bio);
    LinkState& state = stateOf(bio);
    state.lastReceive = state.link->receiveRaw(buf, n);
    if (state.lastReceive <= 0) {
        return 0;
    }
    *got = static_cast<std::size_t>(state.lastReceive);
    return 1;
}

long linkControl(BIO*, int command, long, void*) {
    return command == BIO_CTRL_FLUSH ? 1 : 0; // every write has gone out when it returns
}

int linkCreate(BIO* bio) {
    BIO_set_init(bio, 1);
    return 1;
}

// Made once, kept for the life of the process.
BIO_METHOD* linkMethod() {
    static BIO_METHOD* const method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "socket link");
        if (m != nullptr) {
            BIO_meth_set_write_ex(m, linkWrite);
            BIO_meth_set_read_ex(m, linkRead);
            BIO_meth_set_ctrl(m, linkControl);
            BIO_meth_set_create(m, linkCreate);
        }
        return m;
    }();
    return method;
}

} // namespace

struct TlsContext::Impl {
    SSL_CTX* ctx = nullptr;
    ~Impl() { SSL_CTX_free(ctx); }
};

TlsContext::TlsContext() : m_impl(std::make_unique<Impl>()) {
    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    if (ctx == nullptr) {
        return;
    }
    m_impl->ctx = ctx;
    if (SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION) != 1 ||
        SSL_CTX_set_default_verify_paths(ctx) != 1) {
        SSL_CTX_free(ctx);
        m_impl->ctx = nullptr;
        return;
    }
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
    // AES-128 first, as browsers offer it: as safe for this, and the cheaper on both ends.
    SSL_CTX_set_ciphersuites(
        ctx, "TLS_AES_128_GCM_SHA256:TLS_AES_256_GCM_SHA384:TLS_CHACHA20_POLY1305_SHA256");
    // Whole records, and more, in one receive instead of a header and a body apart.
    SSL_CTX_set_read_ahead(ctx, 1);
    // A server that asks to renegotiate mid-reply gets no second handshake to steer.
    SSL_CTX_set_options(ctx, SSL_OP_NO_RENEGOTIATION);
}

TlsContext::~TlsContext() = default;

bool TlsContext::isUsable() const {
    return m_impl->ctx != nullptr;
}

struct TlsChannel::Impl {
    SSL* ssl = nullptr;
    LinkState state;
    ~Impl() { SSL_free(ssl); }
};

TlsChannel::TlsChannel(TlsContext& context, const std::string& host, RawLink& link)
    : m_impl(std::make_unique<Impl>()) {
    m_impl->state.link = &link;
    BIO_METHOD* method = linkMethod();
    if (!context.isUsable() || method == nullptr) {
        return;
    }
    SSL* ssl = SSL_new(context.m_impl->ctx);
    BIO* bio = BIO_new(method);
    if (ssl == nullptr || bio == nullptr) {
        SSL_free(ssl);
        BIO_free(bio);
        return;
    }
    BIO_set_data(bio, &m_impl->state);
    SSL_set_bio(ssl, bio, bio);
    m_impl->ssl = ssl;
    bool named = false;
    if (isIpLiteral(host)) {
        named = X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str()) == 1;
    } else {
        named = SSL_set1_host(ssl, host.c_str()) == 1 &&
                SSL_set_tlsext_host_name(ssl, host.c_str()) == 1;
    }
    if (!named) {
        SSL_free(ssl); // without the name to check, any certificate would pass
        m_impl->ssl = nullptr;
    }
}

TlsChannel::~TlsChannel() = default;

bool TlsChannel::handshake() {
    if (m_impl->ssl == nullptr) {
        m_failure = "no TLS context";
        return false;
    }
    ERR_clear_error();
    if (SSL_connect(m_impl->ssl) == 1) {
        return true;
    }
    noteFailure();
    return false;
}

void TlsChannel::noteFailure() {
    const long verify = SSL_get_verify_result(m_impl->ssl);
    m_problem = classify(verify);
    if (m_problem != CertificateProblem::None) {
        m_failure = std::string("certificate refused: ") + X509_verify_cert_error_string(verify);
        return;
    }
    if (m_impl->state.lastReceive <= 0) {
        m_failure = m_impl->state.lastReceive == 0 ? "closed during the handshake"
                                                   : "no answer during the handshake";
        return;
    }
    char text[256] = "handshake failed";
    if (const unsigned long error = ERR_peek_last_error(); error != 0) {
        ERR_error_string_n(error, text, sizeof text);
    }
    m_failure = text;
}

bool TlsChannel::write(const char* data, std::size_t length) {
    if (m_impl->ssl == nullptr) {
        return false;
    }
    ERR_clear_error();
    std::size_t written = 0;
    return length == 0 ||
           (SSL_write_ex(m_impl->ssl, data, length, &written) == 1 && written == length);
}

long TlsChannel::read(char* buf, std::size_t n) {
    if (m_impl->ssl == nullptr) {
        return -1;
    }
    ERR_clear_error();
    std::size_t got = 0;
    if (SSL_read_ex(m_impl->ssl, buf, n, &got) == 1) {
        return static_cast<long>(got);
    }
    // The server's close_notify, or the connection closed under it: the end, as in plain HTTP.
    const int error = SSL_get_error(m_impl->ssl, 0);
    return error == SSL_ERROR_ZERO_RETURN || m_impl->state.lastReceive == 0 ? 0 : -1;
}

bool TlsChannel::holdsUnreadBytes() const {
    return m_impl->ssl != nullptr && SSL_has_pending(m_impl->ssl) == 1;
}

} // namespace textowl
