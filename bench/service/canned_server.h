#pragma once

#include "support/throwaway_ca.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace textowl::bench {

// A loopback HTTP server in a child process that answers every request with the same bytes and
// keeps connections open, after `delay` when one is given (a slow service). Being another process
// keeps its instructions out of the client's count. Given an identity, it speaks HTTPS with it
// (and without a delay).
class CannedServer {
public:
    explicit CannedServer(std::string reply, std::chrono::milliseconds delay = {},
                          const test::TlsIdentity* tls = nullptr);
    ~CannedServer();
    CannedServer(const CannedServer&) = delete;
    CannedServer& operator=(const CannedServer&) = delete;

    std::string url() const;

private:
    std::uint16_t m_port = 0;
    bool m_tls = false;
    pid_t m_child = -1;
};

} // namespace textowl::bench
