#pragma once

#include "service/http_client.h"
#include "support/scripted_server.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace textowl::test {

// One hostile reply and what it must end in, for the HTTP client and for a proxy call.
struct HostileCase {
    std::string name;
    std::function<ConnectionScript()> script; // the first connection; later ones are served well
    bool completed;
    int status;
    ReadOutcome outcome;
    int proxyErrorState; // 0: the call succeeds
    int timeoutMs = 2000;
    // Peak memory growth allowed for the proxy call; the HTTP client is always held to 80 MiB.
    std::size_t proxyMemoryBound = 80u << 20;
};

inline void PrintTo(const HostileCase& c, std::ostream* os) {
    *os << c.name;
}

const std::vector<HostileCase>& hostileCases();

// The reply every connection after the hostile one gets, and what the proxy reads from it.
std::string goodReply();
extern const char16_t* const kGoodResult;

} // namespace textowl::test
