#include "service/http_client.h"

#include "service/http_request.h"
#include "service/http_response.h"
#include "service/socket_connection.h"
#include "service/tls_channel.h"
#include "service/url.h"
#include "service/wire_log.h"

#include <algorithm>
#include <exception>

namespace textowl {
namespace {

constexpr int kDefaultTimeoutMs = 10000;
constexpr int kMaxRedirects = 10;
constexpr std::size_t kDefaultBlockSize = 4096;

bool isAccepted(int status) {
    return (status >= 200 && status <= 206) || status == 304 || status == 305;
}

bool isRedirect(int status) {
    return status >= 301 && status <= 303;
}

bool iequals(std::string_view a, std::string_view b) {
    return headerNamesEqual(a, b);
}

// The request body goes along with a redirect, and for a sign-in it holds the password, so a
// redirect may only lead elsewhere on the server that was asked.
bool sameOrigin(const Url& a, const Url& b) {
    return a.scheme == b.scheme && iequals(a.host, b.host) && a.port == b.port;
}

} // namespace

struct HttpClient::Impl {
    SocketConnection connection;
    std::string connectedScheme;
    std::string connectedHost;
    std::uint16_t connectedPort = 0;
    HttpResponse response;
    std::unique_ptr<TlsContext> tls; // made at the first https address: loading the trust store
    CertificateProblem certificateProblem = CertificateProblem::None;

    bool run(const Url& start, const NavigationSettings& settings);
    bool exchange(const Url& url, const NavigationSettings& settings);
    bool ensureConnected(const Url& url, int timeoutMs);
    bool startTls(const Url& url);
    bool sendBody(const NavigationSettings& settings);
    bool fail() {
        connection.close();
        return false;
    }
};

bool HttpClient::Impl::run(const Url& start, const NavigationSettings& settings) {
    if ((start.scheme != "http" && start.scheme != "https") || start.host.empty()) {
        return false;
    }
    Url url = start;
    if (url.port == 0) {
        url.port = settings.port;
    }
    if (url.path.empty()) {
        url.path = "/";
    }
    connection.setDeadline(settings.deadlineMs > 0
                               ? SocketConnection::Clock::now() +
                                     std::chrono::milliseconds(settings.deadlineMs)
                               : SocketConnection::Clock::time_point::max());
    for (int redirects = 0;; ++redirects) {
        if (!exchange(url, settings)) {
            return fail();
        }
        int status = response.status;
        if (!settings.processResult || isAccepted(status)) {
            return true;
        }
        auto location = response.headers.find("Location");
        if (!isRedirect(status) || !settings.autoRedirect) {
            return fail();
        }
        if (!location) {
            return true;
        }
        // A server that keeps redirecting is given up on rather than followed forever.
        auto next = resolveLocation(url, *location);
        if (!next || !sameOrigin(url, *next) || redirects == kMaxRedirects) {
            return fail();
        }
        url = *next;
        response.reset();
    }
}

bool HttpClient::Impl::exchange(const Url& url, const NavigationSettings& settings) {
    int timeoutMs = settings.timeoutMs > 0 ? settings.timeoutMs : kDefaultTimeoutMs;
    if (!ensureConnected(url, timeoutMs)) {
        return false;
    }
    std::string head = buildRequestHead(url, settings);
    if (!connection.sendAll(head.data(), head.size()) || !sendBody(settings)) {
        return false;
    }
    ResponseLimits limits;
    limits.bodyPiece = settings.readBlockSize > 0 ? settings.readBlockSize : kDefaultBlockSize;
    if (readResponse(connection, response, limits) != ReadOutcome::Complete) {
        return false;
    }
    // A body without a length ends at a failed receive, which here was the deadline, not the end.
    if (connection.deadlinePassed()) {
        response.outcome = ReadOutcome::ReceiveFailed;
        return false;
    }
    auto connectionHeader = response.headers.find("Connection");
    if (connectionHeader && iequals(*connectionHeader, "close")) {
        connection.close();
    }
    return true;
}

bool HttpClient::Impl::ensureConnected(const Url& url, int timeoutMs) {
    connection.setTimeout(timeoutMs);
    bool sameEndpoint =
        url.scheme == connectedScheme && url.host == connectedHost && url.port == connectedPort;
    // A kept-alive connection the server dropped while idle would only fail the request; a
    // request never goes out twice, so the check comes before anything is sent.
    if (connection.isOpen() && sameEndpoint && connection.isReusable()) {
        return true;
    }
    connection.close();
    if (!connection.open(url.host, url.port, timeoutMs)) {
        return false;
    }
    // An https address never falls back to plain HTTP, whatever the server offers.
    if (url.scheme == "https" && !startTls(url)) {
        return false;
    }
    connectedScheme = url.scheme;
    connectedHost = url.host;
    connectedPort = url.port;
    return true;
}

bool HttpClient::Impl::startTls(const Url& url) {
    if (!tls) {
        tls = std::make_unique<TlsContext>();
    }
    if (connection.startTls(*tls, url.host)) {
        return true;
    }
    certificateProblem = connection.tlsProblem();
    logWire("https://" + hostForHeader(url) + ":" + std::to_string(url.port) + ": " +
            connection.tlsFailure());
    return false;
}

bool HttpClient::Impl::sendBody(const NavigationSettings& settings) {
    if (settings.body == nullptr || settings.bodyLength == 0) {
        return true;
    }
    std::size_t block = settings.sendInBlocks ? (settings.sendBlockSize > 0 ? settings.sendBlockSize
                                                                            : kDefaultBlockSize)
                                              : settings.bodyLength;
    for (std::size_t offset = 0; offset < settings.bodyLength; offset += block) {
        std::size_t length = std::min(block, settings.bodyLength - offset);
        if (!connection.sendAll(settings.body + offset, length)) {
            return false;
        }
    }
    return true;
}

HttpClient::HttpClient() : m_impl(std::make_unique<Impl>()) {}
HttpClient::~HttpClient() = default;

bool HttpClient::sendRequest(const Url& url, const NavigationSettings& settings) {
    m_impl->response.reset();
    m_impl->certificateProblem = CertificateProblem::None;
    try {
        return m_impl->run(url, settings);
    } catch (const std::exception&) {
        return m_impl->fail(); // nothing is thrown across to the proxy
    }
}

int HttpClient::statusCode() const {
    return m_impl->response.status;
}

std::string_view HttpClient::body() const {
    return m_impl->response.body;
}

std::optional<std::string_view> HttpClient::header(std::string_view name) const {
    return m_impl->response.headers.find(name);
}

ReadOutcome HttpClient::readOutcome() const {
    return m_impl->response.outcome;
}

CertificateProblem HttpClient::certificateProblem() const {
    return m_impl->certificateProblem;
}

bool HttpClient::isConnected() const {
    return m_impl->connection.isOpen();
}

int HttpClient::lastSocketError() const {
    return m_impl->connection.lastError();
}

void HttpClient::close() {
    m_impl->connection.close();
}

} // namespace textowl
