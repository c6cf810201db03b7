#include "service/url.h"

#include "base/ascii.h"

#include <cctype>
#include <vector>

namespace textowl {
namespace {

// A space or control byte in an address would break the request line or the Host line it goes into.
bool hasUnsafeByte(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f) {
            return true;
        }
    }
    return false;
}

// Port digits after the colon; an empty port means none was named.
std::optional<std::uint16_t> parsePort(std::string_view text) {
    if (text.empty()) {
        return std::uint16_t{0};
    }
    unsigned value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > 65535) {
            return std::nullopt;
        }
    }
    if (value == 0) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

bool parseAuthority(std::string_view authority, Url& url) {
    if (authority.find('@') != std::string_view::npos) {
        return false; // credentials in the address are never sent
    }
    std::string_view portText;
    if (!authority.empty() && authority.front() == '[') {
        std::size_t close = authority.find(']');
        if (close == std::string_view::npos) {
            return false;
        }
        url.host = std::string(authority.substr(1, close - 1));
        std::string_view rest = authority.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') {
                return false;
            }
            portText = rest.substr(1);
        }
    } else {
        std::size_t colon = authority.find(':');
        url.host = std::string(authority.substr(0, colon));
        if (colon != std::string_view::npos) {
            portText = authority.substr(colon + 1);
        }
    }
    auto port = parsePort(portText);
    if (!port || url.host.empty()) {
        return false;
    }
    url.port = *port;
    return true;
}

// Splits "path?query#fragment" into the URL's path and extra part; the fragment never travels.
void setPathAndQuery(std::string_view rest, Url& url) {
    rest = rest.substr(0, rest.find('#'));
    std::size_t query = rest.find('?');
    url.path = std::string(rest.substr(0, query));
    url.extra = query == std::string_view::npos ? std::string() : std::string(rest.substr(query));
    if (url.path.empty()) {
        url.path = "/";
    }
}

std::string removeDotSegments(std::string_view path) {
    std::vector<std::string_view> segments;
    std::size_t start = 1;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        std::string_view segment = path.substr(
            start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
        if (segment == "..") {
            if (!segments.empty()) {
                segments.pop_back();
            }
        } else if (segment != ".") {
            segments.push_back(segment);
        }
        if (slash == std::string_view::npos) {
            break;
        }
        start = slash + 1;
    }
    std::string out;
    for (std::string_view segment : segments) {
        out += '/';
        out += segment;
    }
    bool endsInDirectory = path.ends_with("/") || path.ends_with("/.") || path.ends_with("/..");
    if (out.empty() || (endsInDirectory && out.back() != '/')) {
        out += '/';
    }
    return out;
}

} // namespace

std::optional<Url> Url::parse(std::string_view text) {
    std::size_t colon = text.find("://");
    if (hasUnsafeByte(text) || colon == std::string_view::npos) {
        return std::nullopt;
    }
    Url url;
    const std::string_view scheme = text.substr(0, colon);
    if (equalsIgnoringCase(scheme, "http")) {
        url.scheme = "http";
    } else if (equalsIgnoringCase(scheme, "https")) {
        url.scheme = "https";
    } else {
        return std::nullopt;
    }
    std::string_view rest = text.substr(colon + 3);
    std::size_t authorityEnd = rest.find_first_of("/?#");
    if (!parseAuthority(rest.substr(0, authorityEnd), url)) {
        return std::nullopt;
    }
    setPathAndQuery(authorityEnd == std::string_view::npos ? std::string_view()
                                                           : rest.substr(authorityEnd),
                    url);
    return url;
}

std::optional<Url> resolveLocation(const Url& base, std::string_view location) {
    while (!location.empty() && (location.back() == ' ' || location.back() == '\t')) {
        location.remove_suffix(1);
    }
    if (location.empty()) {
        return std::nullopt;
    }
    // A space or control byte would end up in the next request line or Host line, letting the
    // server's bytes frame what the client sends next; such a target is not followed.
    if (hasUnsafeByte(location)) {
        return std::nullopt;
    }
    std::size_t schemeEnd = location.find("://");
    if (schemeEnd != std::string_view::npos && location.find_first_of("/?#") > schemeEnd) {
        auto url = Url::parse(location);
        if (url && url->port == 0) {
            url->port = defaultPort(url->scheme);
        }
        return url;
    }
    if (location.starts_with("//")) {
        return resolveLocation(base, base.scheme + ":" + std::string(location));
    }
    Url url = base;
    if (location.front() == '/') {
        setPathAndQuery(location, url);
    } else if (location.front() == '?') {
        setPathAndQuery(base.path + std::string(location), url);
    } else {
        std::string directory = base.path.substr(0, base.path.rfind('/') + 1);
        setPathAndQuery(directory + std::string(location), url);
    }
    url.path = removeDotSegments(url.path);
    return url;
}

std::uint16_t defaultPort(std::string_view scheme) {
    return scheme == "https" ? 443 : 80;
}

std::string hostForHeader(const Url& url) {
    if (url.host.find(':') != std::string::npos) {
        return "[" + url.host + "]";
    }
    return url.host;
}

} // namespace textowl
