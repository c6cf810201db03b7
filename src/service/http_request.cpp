#include "service/http_request.h"

#include "service/url.h"

namespace textowl {

std::string buildRequestHead(const Url& url, const NavigationSettings& settings) {
    std::string head;
    head.reserve(256 + settings.extraHeaders.size());
    head += settings.method;
    head += ' ';
    head += url.path.empty() ? std::string("/") : url.path;
    head += url.extra;
    head += " HTTP/1.1\r\n";
    if (settings.body != nullptr && settings.bodyLength != 0) {
        head += "Content-Length: " + std::to_string(settings.bodyLength) + "\r\n";
    }
    if (!settings.contentType.empty()) {
        head += "Content-Type: " + settings.contentType + "\r\n";
    }
    head += settings.extraHeaders;
    // The port never goes into the Host line, even when the address names one.
    head += "Host: " + hostForHeader(url) + "\r\n";
    head += "User-Agent: ";
    // The name may come from a user-edited file; a line break in it must not start a header.
    for (const char c : settings.userAgent) {
        if (c != '\r' && c != '\n' && c != '\0')
            head += c;
    }
    head += "\r\n";
    head += "\r\n";
    return head;
}

} // namespace textowl
