#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace textowl {

// Why a service's certificate was refused: the user is told which, in words of their own.
enum class CertificateProblem { None, Expired, WrongHost, Untrusted, Invalid };

// The plain bytes under TLS: the socket's own sends and receives with their time-outs.
class RawLink {
public:
    virtual bool sendRaw(const char* data, std::size_t length) = 0;
    // As ByteSource::receive: > 0 bytes, 0 when the peer closed, < 0 failure or time-out.
    virtual long receiveRaw(char* buf, std::size_t n) = 0;

protected:
    ~RawLink() = default;
};

// What the connections of one client share: TLS 1.2 or later, the peer verified against the
// system trust store (SSL_CERT_FILE and SSL_CERT_DIR honoured, as OpenSSL reads them).
class TlsContext {
public:
    TlsContext();
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    bool isUsable() const;

private:
    friend class TlsChannel;
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// One TLS session over a connected socket. OpenSSL reads and writes through the socket's own
// send and receive (a BIO of ours), so the time-outs, the deadline and the signal-free sends of
// plain HTTP hold for the handshake and the records alike, and no byte is copied on the way.
class TlsChannel {
public:
    // host names the server for SNI and the certificate check; an IP literal is checked against
    // the certificate's IP entries instead. link must outlive the channel.
    TlsChannel(TlsContext& context, const std::string& host, RawLink& link);
    ~TlsChannel();
    TlsChannel(const TlsChannel&) = delete;
    TlsChannel& operator=(const TlsChannel&) = delete;

    // Nothing of the request is sent before this succeeds, and it fails on any certificate fault.
    bool handshake();
    bool write(const char* data, std::size_t length);
    // As ByteSource::receive.
    long read(char* buf, std::size_t n);
    // Bytes the server sent that nobody asked for, decrypted or not yet.
    bool holdsUnreadBytes() const;

    CertificateProblem certificateProblem() const { return m_problem; }
    // Why the handshake failed, in OpenSSL's words.
    const std::string& failure() const { return m_failure; }

private:
    void noteFailure();

    struct Impl;
    std::unique_ptr<Impl> m_impl;
    CertificateProblem m_problem = CertificateProblem::None;
    std::string m_failure;
};

} // namespace textowl
