#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace textowl {

// The endpoint, parsed once; "http" and "https" are accepted, the scheme kept in lower case.
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
    // The service's own client has always named itself so; image downloads name the program.
    std::string userAgent = "Microsoft-ATL-Native/7.00";
    const char* body = nullptr; // borrowed: sent without copying
    std::size_t bodyLength = 0;
    std::uint16_t port = 80;
    int timeoutMs = 10000;
    // The whole request, redirects included, however the time-outs of its steps add up.
    int deadlineMs = 60000;
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

#include <memory>

namespace textowl {

enum class CertificateProblem;

// One kept-alive HTTP/1.1 connection; the proxy's only way onto the network.
class HttpClient {
public:
    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // True when the request went out whole, a whole response came back and its status was accepted.
    bool sendRequest(const Url& url, const NavigationSettings& settings);

    // The last response stays readable until the next request begins.
    int statusCode() const;        // -1 until a status line was read
    std::string_view body() const; // decoded body of the last response
    std::optional<std::string_view> header(std::string_view name) const; // case-insensitive
    ReadOutcome readOutcome() const;
    // Why the last request's https connection was refused; None when no certificate was at fault.
    CertificateProblem certificateProblem() const;

    bool isConnected() const;
    int lastSocketError() const;
    void close();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace textowl
