#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace textowl {

// The endpoint, parsed once; only "http" is accepted.
struct Url {
    std::string scheme;
    std::string host;
    std::uint16_t port = 0; // 0: none named, the navigation settings' port applies
    std::string path;       // "/" when the text names none
    std::string extra;      // query, with its leading "?"

    static std::optional<Url> parse(std::string_view text);
};

struct NavigationSettings {
    std::string method = "GET";
    std::string extraHeaders; // complete lines, each ended by CR LF
    std::string contentType;
    const char* body = nullptr; // borrowed: sent without copying
    std::size_t bodyLength = 0;
    std::uint16_t port = 80;
    int timeoutMs = 10000;
    std::size_t sendBlockSize = 4096;
    std::size_t readBlockSize = 4096;
    bool autoRedirect = true;
    bool processResult = true;
    bool sendInBlocks = true;
};

enum class ReadOutcome : int {
    Complete = 0,
    StatusLineInvalid = 2,
    HeadUnparsable = 3,
    ReceiveFailed = 4,
    BodyUnreadable = 5,
    ChunkedUndecodable = 6,
    NothingRead = 7,
};

} // namespace textowl
