// Reads an apiGetInterface result, then turns every element into what the client makes of it:
// the image request for its icon, written out as the head the icon download sends, and each
// button's page with a ticket added. Nothing the service writes may add a header line to that
// request, and the ticket must come back unchanged from its query parameter.
#include "request_head_check.h"
#include "service/http_client.h"
#include "service/http_request.h"
#include "ui/interface_description.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kTickets[] = {"", "0123456789abcdef0123456789abcdef", "a&b=c#d e/?%",
                                         std::string_view("\0\xff\x7f", 3)};

void checkIndexes(const std::vector<textowl::InterfaceElement>& elements) {
    int previous = -1;
    for (const textowl::InterfaceElement& element : elements) {
        if (element.elementIndex <= previous) {
            __builtin_trap(); // indexes count every element, so they only grow
        }
        previous = element.elementIndex;
    }
}

// The icon download's request, built as the client builds it.
void checkImageRequest(const textowl::InterfaceElement& element) {
    const std::optional<textowl::ImageRequest> request = textowl::imageRequest(element);
    if (!request) {
        return;
    }
    if (request->host.empty() || request->port < 1 || request->port > 65535 ||
        !request->path.starts_with('/')) {
        __builtin_trap();
    }
    textowl::Url url;
    url.scheme = "http";
    url.host = request->host;
    url.port = static_cast<std::uint16_t>(request->port);
    url.path = request->path;
    textowl::NavigationSettings settings;
    settings.userAgent = "Textowl";
    // Request line, Host, User-Agent, blank.
    textowl::fuzz::checkRequestHead(textowl::buildRequestHead(url, settings), 4);
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The ticket is the last query parameter, every byte of it unreserved or percent-encoded.
void checkTicket(std::string_view url, std::string_view ticket) {
    const std::string page = textowl::pageWithTicket(url, ticket);
    const std::string_view joint =
        url.find('?') == std::string_view::npos ? "?ticket=" : "&ticket=";
    if (!std::string_view(page).starts_with(url) ||
        std::string_view(page).substr(url.size(), joint.size()) != joint) {
        __builtin_trap();
    }
    std::string decoded;
    for (std::size_t i = url.size() + joint.size(); i < page.size(); ++i) {
        const char c = page[i];
        if (c == '%') {
            const int high = i + 2 < page.size() ? hexValue(page[i + 1]) : -1;
            const int low = high >= 0 ? hexValue(page[i + 2]) : -1;
            if (low < 0) {
                __builtin_trap();
            }
            decoded.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                   c == '-' || c == '.' || c == '_' || c == '~') {
            decoded.push_back(c);
        } else {
            __builtin_trap();
        }
    }
    if (decoded != ticket) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<textowl::InterfaceDescription> description =
        textowl::readInterfaceDescription(
            std::string_view(reinterpret_cast<const char*>(data), size));
    if (!description) {
        return 0;
    }
    checkIndexes(description->tabs);
    checkIndexes(description->buttons);
    for (const auto* elements : {&description->tabs, &description->buttons}) {
        for (const textowl::InterfaceElement& element : *elements) {
            checkImageRequest(element);
        }
    }
    for (const textowl::InterfaceElement& button : description->buttons) {
        for (std::string_view ticket : kTickets) {
            checkTicket(button.url, ticket);
        }
        checkTicket(button.url, button.tooltip); // any bytes the service sends
    }
    return 0;
}
