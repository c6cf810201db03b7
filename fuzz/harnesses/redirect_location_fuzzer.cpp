// Resolves a "Location" value of a 301/302/303 reply against the address in use and builds the
// head of the follow-up request. Whatever the server wrote, that head must stay one request line
// and the client's own header lines: a reply may not smuggle header lines or a second request
// into what the client sends next.
#include "request_head_check.h"
#include "service/http_client.h"
#include "service/http_request.h"
#include "service/url.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kBases[] = {
    "http://localhost/pagewright/soapserver.php",
    "http://127.0.0.1:8080/pagewright/soapserver.php?x=1",
    "http://[::1]:81/a/b/",
    "http://example.org/",
};

// The header table never holds a value with CR LF in it, nor one of 1024 bytes or more.
bool headerCanCarry(std::string_view value) {
    return value.size() < 1024 && value.find("\r\n") == std::string_view::npos &&
           (value.empty() || (value.front() != ' ' && value.front() != '\t'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const std::string_view location(reinterpret_cast<const char*>(data + 1), size - 1);
    if (!headerCanCarry(location)) {
        return 0;
    }
    std::optional<textowl::Url> base = textowl::Url::parse(kBases[data[0] % std::size(kBases)]);
    if (!base) {
        __builtin_trap();
    }
    if (base->port == 0) {
        base->port = 80;
    }
    const std::optional<textowl::Url> next = textowl::resolveLocation(*base, location);
    if (!next) {
        return 0;
    }
    if ((next->scheme != "http" && next->scheme != "https") || next->host.empty() ||
        next->port == 0 || !next->path.starts_with('/')) {
        __builtin_trap();
    }
    textowl::NavigationSettings settings;
    settings.method = "POST";
    settings.contentType = "text/xml; charset=utf-8";
    settings.extraHeaders = "SOAPAction: \"urn:Pagewright#apiLogout\"\r\nAccept: text/xml\r\n";
    const std::string body = "<x/>";
    settings.body = body.data();
    settings.bodyLength = body.size();
    // Request line, Content-Length, Content-Type, SOAPAction, Accept, Host, User-Agent, blank.
    textowl::fuzz::checkRequestHead(textowl::buildRequestHead(*next, settings), 8);
    return 0;
}
