#include "server/gateway/sendsms_client.h"

#include "server/soap/sanitized_text.h"
#include "server/soap/wire_values.h"

#include <charconv>
#include <httplib.h>

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

struct SendsmsClient::Impl {
    GatewayUrl gateway;
    httplib::Client http;

    Impl(GatewayUrl g, SendsmsTimeouts t)
        : gateway(std::move(g)), http(gateway.host, gateway.port) {
        http.set_keep_alive(false);
        // The request goes out in several writes; without this each waits for a delayed ACK.
        http.set_tcp_nodelay(true);
        // The target is encoded already, to the byte.
        http.set_url_encode(false);
        http.set_connection_timeout(t.connect);
        http.set_write_timeout(t.write);
        http.set_read_timeout(t.read);
    }
};

SendsmsClient::SendsmsClient(GatewayUrl gateway, SendsmsTimeouts timeouts)
    : m_impl(std::make_unique<Impl>(std::move(gateway), timeouts)) {}

SendsmsClient::~SendsmsClient() = default;

GatewayAnswer SendsmsClient::submit(const SmsSubmission& sms, std::string& detail) {
    const httplib::Result result = m_impl->http.Get(sendsmsTarget(m_impl->gateway, sms).c_str());
    if (!result) {
        const httplib::Error error = result.error();
        detail = httplib::to_string(error);
        // Nothing was taken unless the whole request went out.
        return error == httplib::Error::Connection || error == httplib::Error::ConnectionTimeout ||
                       error == httplib::Error::Write
                   ? GatewayAnswer::Temporary
                   : GatewayAnswer::Unknown;
    }
    const int status = result->status;
    detail = "HTTP " + std::to_string(status);
    if (status >= 200 && status < 300) {
        return GatewayAnswer::Accepted;
    }
    if (status == 503) {
        return GatewayAnswer::Temporary;
    }
    if (status >= 400 && status < 500) {
        // The gateway's own words say why, such as a number its black list refuses.
        detail += ": " + failureReason(result->body);
        return GatewayAnswer::Refused;
    }
    return GatewayAnswer::Unknown;
}

} // namespace textowl::server
