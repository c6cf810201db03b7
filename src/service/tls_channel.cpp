#include "service/tls_channel.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace textowl {
namespace {

// One read of the socket holds a whole TLS record with its overhead.
constexpr std::size_t kRecordRead = 16 * 1024 + 512;

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

} // namespace

struct TlsContext::Impl {
    SSL_CTX* ctx = nullptr;
    ~Impl() { SSL_CTX_free(ctx); }
};

TlsContext::TlsContext() : impl_(std::make_unique<Impl>()) {
    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    if (ctx == nullptr) {
        return;
    }
    impl_->ctx = ctx;
    if (SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION) != 1 ||
        SSL_CTX_set_default_verify_paths(ctx) != 1) {
        SSL_CTX_free(ctx);
        impl_->ctx = nullptr;
        return;
    }
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
    // A server that asks to renegotiate mid-reply gets no second handshake to steer.
    SSL_CTX_set_options(ctx, SSL_OP_NO_RENEGOTIATION);
}

TlsContext::~TlsContext() = default;

bool TlsContext::isUsable() const {
    return impl_->ctx != nullptr;
}

struct TlsChannel::Impl {
    SSL* ssl = nullptr;
    BIO* in = nullptr;  // owned by ssl
    BIO* out = nullptr; // owned by ssl
    ~Impl() { SSL_free(ssl); }
};

TlsChannel::TlsChannel(TlsContext& context, const std::string& host)
    : impl_(std::make_unique<Impl>()) {
    if (!context.isUsable()) {
        return;
    }
    SSL* ssl = SSL_new(context.impl_->ctx);
    BIO* in = BIO_new(BIO_s_mem());
    BIO* out = BIO_new(BIO_s_mem());
    if (ssl == nullptr || in == nullptr || out == nullptr) {
        SSL_free(ssl);
        BIO_free(in);
        BIO_free(out);
        return;
    }
    // An empty input buffer means "wait for the socket", never the end of the stream.
    BIO_set_mem_eof_return(in, -1);
    SSL_set_bio(ssl, in, out);
    impl_->ssl = ssl;
    impl_->in = in;
    impl_->out = out;
    bool named = false;
    if (isIpLiteral(host)) {
        named = X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str()) == 1;
    } else {
        named = SSL_set1_host(ssl, host.c_str()) == 1 &&
                SSL_set_tlsext_host_name(ssl, host.c_str()) == 1;
    }
    if (!named) {
        SSL_free(ssl); // without the name to check, any certificate would pass
        impl_->ssl = nullptr;
    }
}

TlsChannel::~TlsChannel() = default;

bool TlsChannel::handshake(RawLink& link) {
    if (impl_->ssl == nullptr) {
        failure_ = "no TLS context";
        return false;
    }
    for (;;) {
        ERR_clear_error();
        const int done = SSL_connect(impl_->ssl);
        // Alerts go out too, so that the server learns why.
        const bool flushed = flush(link);
        if (done == 1 && flushed) {
            return true;
        }
        const int error = SSL_get_error(impl_->ssl, done);
        if (!flushed || error != SSL_ERROR_WANT_READ) {
            noteFailure("handshake");
            return false;
        }
        if (fill(link) <= 0) {
            failure_ = "connection ended or timed out during the handshake";
            return false;
        }
    }
}

void TlsChannel::noteFailure(const char* step) {
    const long verify = SSL_get_verify_result(impl_->ssl);
    problem_ = classify(verify);
    if (problem_ != CertificateProblem::None) {
        failure_ = std::string("certificate refused: ") + X509_verify_cert_error_string(verify);
        return;
    }
    char text[256] = "";
    const unsigned long error = ERR_peek_last_error();
    if (error != 0) {
        ERR_error_string_n(error, text, sizeof text);
    }
    failure_ = std::string(step) + " failed" + (error != 0 ? std::string(": ") + text : "");
}

bool TlsChannel::write(RawLink& link, const char* data, std::size_t length) {
    if (impl_->ssl == nullptr) {
        return false;
    }
    while (length > 0) {
        ERR_clear_error();
        std::size_t written = 0;
        if (SSL_write_ex(impl_->ssl, data, length, &written) != 1) {
            return false;
        }
        data += written;
        length -= written;
        if (!flush(link)) {
            return false;
        }
    }
    return true;
}

long TlsChannel::read(RawLink& link, char* buf, std::size_t n) {
    if (impl_->ssl == nullptr) {
        return -1;
    }
    for (;;) {
        ERR_clear_error();
        std::size_t got = 0;
        const int ok = SSL_read_ex(impl_->ssl, buf, n, &got);
        // Reading may have queued an answer of its own, such as a key update.
        if (!flush(link)) {
            return -1;
        }
        if (ok == 1) {
            return static_cast<long>(got);
        }
        const int error = SSL_get_error(impl_->ssl, ok);
        if (error == SSL_ERROR_ZERO_RETURN) {
            return 0;
        }
        if (error != SSL_ERROR_WANT_READ) {
            return -1;
        }
        if (const long filled = fill(link); filled <= 0) {
            return filled;
        }
    }
}

bool TlsChannel::holdsUnreadBytes() const {
    return impl_->ssl != nullptr &&
           (SSL_pending(impl_->ssl) > 0 || BIO_ctrl_pending(impl_->in) > 0);
}

bool TlsChannel::flush(RawLink& link) {
    char* data = nullptr;
    const long length = BIO_get_mem_data(impl_->out, &data);
    if (length <= 0) {
        return true;
    }
    const bool sent = link.sendRaw(data, static_cast<std::size_t>(length));
    (void)BIO_reset(impl_->out);
    return sent;
}

long TlsChannel::fill(RawLink& link) {
    char chunk[kRecordRead];
    const long got = link.receiveRaw(chunk, sizeof chunk);
    if (got > 0 && BIO_write(impl_->in, chunk, static_cast<int>(got)) != got) {
        return -1;
    }
    return got;
}

} // namespace textowl
