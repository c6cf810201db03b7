#include "server/gateway/sendsms_client.h"

#include "server/soap/sanitized_text.h"
#include "server/soap/wire_values.h"

// Asio's awaitable.hpp uses std::exchange without including <utility> itself.
// clang-format off
#include <utility>
// clang-format on
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <charconv>

namespace textowl::server {
namespace {

bool unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

std::string percentEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (unreserved(c)) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::optional<std::string> percentDecode(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        unsigned value = 0;
        if (i + 2 >= text.size()) {
            return std::nullopt;
        }
        const char* end = text.data() + i + 3;
        const auto [stop, error] = std::from_chars(text.data() + i + 1, end, value, 16);
        if (error != std::errc() || stop != end) {
            return std::nullopt;
        }
        out += static_cast<char>(value);
        i += 2;
    }
    return out;
}

std::string hostForUrl(const std::string& host) {
    return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

} // namespace

std::optional<GatewayUrl> GatewayUrl::parse(std::string_view text) {
    constexpr std::string_view kScheme = "http://";
    if (text.substr(0, kScheme.size()) != kScheme) {
        return std::nullopt;
    }
    text.remove_prefix(kScheme.size());
    const std::size_t slash = text.find('/');
    std::string_view authority = text.substr(0, slash);
    GatewayUrl url;
    if (slash != std::string_view::npos && slash + 1 < text.size()) {
        url.path = std::string(text.substr(slash));
    }
    if (url.path.find_first_of("?# ") != std::string::npos) {
        return std::nullopt;
    }
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        const std::string_view userinfo = authority.substr(0, at);
        const std::size_t colon = userinfo.find(':');
        const auto user = percentDecode(userinfo.substr(0, colon));
        const auto password = colon == std::string_view::npos
                                  ? std::optional<std::string>("")
                                  : percentDecode(userinfo.substr(colon + 1));
        if (!user || !password) {
            return std::nullopt;
        }
        url.user = *user;
        url.password = *password;
        authority.remove_prefix(at + 1);
    }
    std::string_view port;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        url.host = std::string(authority.substr(1, close - 1));
        const std::string_view rest = authority.substr(close + 1);
        if (!rest.empty() && rest.front() != ':') {
            return std::nullopt;
        }
        port = rest.empty() ? rest : rest.substr(1);
    } else {
        const std::size_t colon = authority.find(':');
        url.host = std::string(authority.substr(0, colon));
        port = colon == std::string_view::npos ? std::string_view() : authority.substr(colon + 1);
    }
    if (url.host.empty() || url.host.find_first_of("@/?#[] ") != std::string::npos) {
        return std::nullopt;
    }
    if (!port.empty()) {
        const auto number = parseId(port);
        if (!number || *number == 0 || *number > 65535) {
            return std::nullopt;
        }
        url.port = static_cast<int>(*number);
    }
    return url;
}

std::string GatewayUrl::redacted() const {
    return "http://" + hostForUrl(host) + ":" + std::to_string(port) + path;
}

std::string sendsmsTarget(const GatewayUrl& gateway, const SmsSubmission& sms) {
    std::string target = gateway.path + "?";
    auto add = [&target](std::string_view name, std::string_view value) {
        if (target.back() != '?') {
            target += '&';
        }
        target += name;
        target += '=';
        target += percentEncode(value);
    };
    add("username", gateway.user);
    add("password", gateway.password);
    add("from", sms.from);
    add("to", sms.to);
    add("text", sms.text);
    add("coding", sms.ucs2 ? "2" : "0");
    if (sms.ucs2) {
        add("charset", "UTF-8");
    }
    if (sms.flash) {
        add("mclass", "0");
    }
    add("dlr-mask", "31");
    add("dlr-url", sms.reportUrl);
    return target;
}

namespace {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;
using ErrorCode = boost::system::error_code;

// The request head as the gateway has always received it, so that its logs and any filter in
// front of it see no difference.
std::string requestHead(const GatewayUrl& gateway, const std::string& target) {
    const std::string host =
        gateway.host.find(':') != std::string::npos ? "[" + gateway.host + "]" : gateway.host;
    return "GET " + target + " HTTP/1.1\r\nAccept: */*\r\nConnection: close\r\nHost: " + host +
           (gateway.port == 80 ? "" : ":" + std::to_string(gateway.port)) +
           "\r\nUser-Agent: cpp-httplib/0.11.4\r\n\r\n";
}

// One exchange on the calling thread: each step is started asynchronously only so that the
// stream's deadline can end it.
class Exchange {
public:
    explicit Exchange(const SendsmsTimeouts& timeouts) : m_timeouts(timeouts) {}

    ErrorCode connect(const GatewayUrl& gateway) {
        ErrorCode error;
        const auto endpoints =
            tcp::resolver(m_io).resolve(gateway.host, std::to_string(gateway.port), error);
        if (error) {
            return error;
        }
        m_stream.expires_after(m_timeouts.connect);
        return run([&](auto done) { m_stream.async_connect(endpoints, done); });
    }
    ErrorCode write(const std::string& head) {
        // The request goes out in one piece; without this it would wait for a delayed ACK.
        ErrorCode ignored;
        m_stream.socket().set_option(tcp::no_delay(true), ignored);
        m_stream.expires_after(m_timeouts.write);
        return run([&](auto done) { net::async_write(m_stream, net::buffer(head), done); });
    }
    ErrorCode read(http::response<http::string_body>& response) {
        m_stream.expires_after(m_timeouts.read);
        return run([&](auto done) { http::async_read(m_stream, m_buffer, response, done); });
    }

private:
    template <typename Start> ErrorCode run(Start start) {
        ErrorCode result;
        start([&result](ErrorCode error, auto&&...) { result = error; });
        m_io.restart();
        m_io.run();
        return result;
    }

    SendsmsTimeouts m_timeouts;
    net::io_context m_io;
    beast::tcp_stream m_stream{m_io};
    beast::flat_buffer m_buffer;
};

} // namespace

struct SendsmsClient::Impl {
    GatewayUrl gateway;
    SendsmsTimeouts timeouts;
};

SendsmsClient::SendsmsClient(GatewayUrl gateway, SendsmsTimeouts timeouts)
    : m_impl(std::make_unique<Impl>(Impl{std::move(gateway), timeouts})) {}

SendsmsClient::~SendsmsClient() = default;

// detail names a transport failure by the step that failed, in the words the operator's logs and
// the messages' reasons have always used.
GatewayAnswer SendsmsClient::submit(const SmsSubmission& sms, std::string& detail) {
    Exchange exchange(m_impl->timeouts);
    // Nothing was taken unless the whole request went out.
    if (const ErrorCode error = exchange.connect(m_impl->gateway)) {
        detail = error == beast::error::timeout ? "ConnectionTimeout" : "Connection";
        return GatewayAnswer::Temporary;
    }
    if (exchange.write(requestHead(m_impl->gateway, sendsmsTarget(m_impl->gateway, sms)))) {
        detail = "Write";
        return GatewayAnswer::Temporary;
    }
    http::response<http::string_body> result;
    if (exchange.read(result)) {
        detail = "Read";
        return GatewayAnswer::Unknown;
    }
    const int status = result.result_int();
    detail = "HTTP " + std::to_string(status);
    if (status >= 200 && status < 300) {
        return GatewayAnswer::Accepted;
    }
    if (status == 503) {
        return GatewayAnswer::Temporary;
    }
    if (status >= 400 && status < 500) {
        // The gateway's own words say why, such as a number its black list refuses.
        detail += ": " + failureReason(result.body());
        return GatewayAnswer::Refused;
    }
    return GatewayAnswer::Unknown;
}

} // namespace textowl::server
