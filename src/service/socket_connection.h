#pragma once

#include "service/byte_stream.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace textowl {

// One TCP connection whose connect, send and receive each wait at most the time-out in force.
class SocketConnection : public ByteSource {
public:
    SocketConnection() = default;
    ~SocketConnection() override;
    SocketConnection(const SocketConnection&) = delete;
    SocketConnection& operator=(const SocketConnection&) = delete;

    // Resolves host and tries its addresses in turn until one connects within the time-out.
    bool open(const std::string& host, std::uint16_t port, int timeoutMs);
    void close();
    bool isOpen() const { return fd_ >= 0; }

    // True when a kept-alive connection can carry another request: the peer has not closed it
    // while idle and has not sent anything unasked that would be taken for the next reply.
    bool isReusable() const;

    void setTimeout(int timeoutMs) { timeoutMs_ = timeoutMs; }
    // Sends all of data or fails; a short send is a failure.
    bool sendAll(const char* data, std::size_t length);
    long receive(char* buf, std::size_t n) override;

    int lastError() const { return lastError_; }

private:
    bool connectTo(const void* address, unsigned addressLength, int family, int type, int protocol);
    bool waitFor(short events);

    int fd_ = -1;
    int timeoutMs_ = 10000;
    int lastError_ = 0;
};

} // namespace textowl
