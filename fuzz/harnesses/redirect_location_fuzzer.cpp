// Resolves a "Location" value of a 301/302/303 reply against the address in use and builds the
// head of the follow-up request. Whatever the server wrote, that head must stay one request line
// and the client's own header lines: a reply may not smuggle header lines or a second request
// into what the client sends next.
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

void checkHead(std::string_view head) {
    // Lines end in CR LF and nowhere else; nothing below 0x20 or DEL sits inside a line.
    std::size_t lines = 0;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < head.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(head[i]);
        if (c == '\r') {
            if (i + 1 >= head.size() || head[i + 1] != '\n') {
                __builtin_trap();
            }
            if (lines == 0) {
                // The request line: method, target, version, split by exactly two spaces.
                const std::string_view line = head.substr(0, i);
                std::size_t spaces = 0;
                for (char ch : line) {
                    spaces += ch == ' ';
                }
                if (spaces != 2 || !line.ends_with(" HTTP/1.1")) {
                    __builtin_trap();
                }
            }
            ++lines;
            ++i;
            lineStart = i + 1;
            continue;
        }
        if (c < 0x20 || c == 0x7f) {
            __builtin_trap();
        }
    }
    // Request line, Content-Length, Content-Type, SOAPAction, Accept, Host, User-Agent, blank.
    if (lines != 8 || lineStart != head.size()) {
        __builtin_trap();
    }
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
    if (next->scheme != "http" || next->host.empty() || next->port == 0 ||
        !next->path.starts_with('/')) {
        __builtin_trap();
    }
    textowl::NavigationSettings settings;
    settings.method = "POST";
    settings.contentType = "text/xml; charset=utf-8";
    settings.extraHeaders = "SOAPAction: \"urn:Pagewright#apiLogout\"\r\nAccept: text/xml\r\n";
    const std::string body = "<x/>";
    settings.body = body.data();
    settings.bodyLength = body.size();
    checkHead(textowl::buildRequestHead(*next, settings));
    return 0;
}
