#pragma once

#include "service/byte_stream.h"
#include "service/tls_channel.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace textowl {

// One TCP connection whose connect, send and receive each wait at most the time-out in force,
// and all of them together no later than the deadline in force. Once startTls() succeeded, every
// send and receive goes through TLS, under the same waits.
class SocketConnection : public ByteSource, private RawLink {
public:
    using Clock = std::chrono::steady_clock;

    SocketConnection() = default;
    ~SocketConnection() override;
    SocketConnection(const SocketConnection&) = delete;
    SocketConnection& operator=(const SocketConnection&) = delete;

    // Resolves host and tries its addresses in turn until one connects within the time-out.
    bool open(const std::string& host, std::uint16_t port, int timeoutMs);
    void close();
    bool isOpen() const { return m_fd >= 0; }

    // Runs the TLS handshake on the open connection; on failure the connection is closed,
    // nothing else was sent, and tlsProblem() and tlsFailure() tell why.
    bool startTls(TlsContext& context, const std::string& host);
    CertificateProblem tlsProblem() const { return m_tlsProblem; }
    const std::string& tlsFailure() const { return m_tlsFailure; }

    // True when a kept-alive connection can carry another request: the peer has not closed it
    // while idle and has not sent anything unasked that would be taken for the next reply.
    bool isReusable() const;

    void setTimeout(int timeoutMs) { m_timeoutMs = timeoutMs; }
    // Every wait from now on ends by this time; deadlinePassed() then tells why it failed.
    void setDeadline(Clock::time_point deadline) {
        m_deadline = deadline;
        m_deadlinePassed = false;
    }
    bool deadlinePassed() const { return m_deadlinePassed; }
    // Sends all of data or fails; a short send is a failure.
    bool sendAll(const char* data, std::size_t length);
    long receive(char* buf, std::size_t n) override;

    int lastError() const { return m_lastError; }

private:
    bool sendRaw(const char* data, std::size_t length) override;
    long receiveRaw(char* buf, std::size_t n) override;
    bool connectTo(const void* address, unsigned addressLength, int family, int type, int protocol);
    bool waitFor(short events);
    // The milliseconds a wait may take: the time-out, cut short by the deadline; -1 once it passed.
    int allowedWaitMs();

    int m_fd = -1;
    int m_timeoutMs = 10000;
    int m_lastError = 0;
    Clock::time_point m_deadline = Clock::time_point::max();
    bool m_deadlinePassed = false;
    std::unique_ptr<TlsChannel> m_tls;
    CertificateProblem m_tlsProblem = CertificateProblem::None;
    std::string m_tlsFailure;
};

} // namespace textowl
