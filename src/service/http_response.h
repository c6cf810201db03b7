#pragma once

#include "service/byte_stream.h"
#include "service/http_client.h"
#include "service/http_headers.h"

#include <cstddef>
#include <string>
#include <vector>

namespace textowl {

// Bounds on what a server can make the client hold; nothing larger is ever allocated.
struct ResponseLimits {
    std::size_t maxHead = 64 * 1024;        // all heads of one response, interim 100s included
    std::size_t maxBody = 64 * 1024 * 1024; // plain or chunk-decoded
    std::size_t headPiece = 2048;
    std::size_t bodyPiece = 4096;
};

struct HttpResponse {
    int status = -1;
    HeaderTable headers;
    std::vector<std::string> authSchemes; // offered by www-authenticate / proxy-authenticate
    std::string body;
    ReadOutcome outcome = ReadOutcome::NothingRead;

    void reset();
};

// Reads one whole response (status line, headers, body) from source into response and returns
// the outcome, also stored in response.outcome. Never throws: bad bytes end in an outcome.
ReadOutcome readResponse(ByteSource& source, HttpResponse& response,
                         const ResponseLimits& limits = {});

} // namespace textowl
