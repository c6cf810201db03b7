#include "ui/interface_description.h"

#include "service/result_document.h"
#include "service/utf.h"

#include <algorithm>
#include <charconv>

namespace textowl {

namespace {

// Every element carries all five attributes or is not taken.
std::optional<InterfaceElement> readElement(const pugi::xml_node& node, int index) {
    static constexpr const char* kNames[] = {"url", "imageURI", "location", "file", "tooltip"};
    for (const char* name : kNames) {
        if (!node.attribute(name))
            return std::nullopt;
    }
    return InterfaceElement{node.attribute("url").value(),      node.attribute("imageURI").value(),
                            node.attribute("location").value(), node.attribute("file").value(),
                            node.attribute("tooltip").value(),  index};
}

std::vector<InterfaceElement> readElements(const pugi::xml_node& container, const char* name) {
    std::vector<InterfaceElement> elements;
    int index = 0;
    for (const pugi::xml_node& node : container.children(name)) {
        if (auto element = readElement(node, index))
            elements.push_back(std::move(*element));
        ++index;
    }
    return elements;
}

// Bytes that would end the request line or a header line, or split the request target.
bool breaksRequestLine(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= 0x20 || byte == 0x7F;
}

void appendPercentEncoded(std::string& out, char c) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto byte = static_cast<unsigned char>(c);
    out.push_back('%');
    out.push_back(kHex[byte >> 4]);
    out.push_back(kHex[byte & 0x0F]);
}

// The service's names go into the icon request's line as they are, except for what would break
// that line: a space in a file name is sent as %20 rather than ending the target.
void appendPathText(std::string& path, std::string_view text) {
    for (const char c : text) {
        if (breaksRequestLine(c) || static_cast<unsigned char>(c) >= 0x80)
            appendPercentEncoded(path, c);
        else
            path.push_back(c);
    }
}

bool isUnreserved(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

} // namespace

std::optional<InterfaceDescription> readInterfaceDescription(const ServiceText& result) {
    ResultDocument document;
    if (failed(checkResult(result, document)))
        return std::nullopt;
    const pugi::xml_node interface = document.documentElement().child("interface");
    InterfaceDescription description;
    description.tabs = readElements(interface.child("tabs"), "tab");
    description.buttons = readElements(interface.child("buttons"), "button");
    description.footerUrl = interface.child("footer").attribute("url").value();
    description.language = interface.child("language").text().get();
    return description;
}

std::optional<InterfaceDescription> readInterfaceDescription(std::string_view utf8Result) {
    return readInterfaceDescription(ServiceText(utf8ToUtf16(utf8Result)));
}

std::string pageWithTicket(std::string_view url, std::string_view ticket) {
    std::string page(url);
    page.append(url.find('?') == std::string_view::npos ? "?ticket=" : "&ticket=");
    for (const char c : ticket) {
        if (isUnreserved(c))
            page.push_back(c);
        else
            appendPercentEncoded(page, c);
    }
    return page;
}

std::optional<ImageRequest> imageRequest(const InterfaceElement& element, int defaultPort) {
    if (element.imageUri.empty())
        return std::nullopt;
    ImageRequest request;
    request.port = defaultPort;
    std::string_view uri = element.imageUri;
    std::size_t colon = uri.rfind(':');
    if (uri.front() == '[') {
        // An IPv6 address is bracketed so that its colons are not taken for the port's.
        const std::size_t close = uri.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        request.host = std::string(uri.substr(1, close - 1));
        uri.remove_prefix(close + 1);
        if (!uri.empty() && uri.front() != ':')
            return std::nullopt;
        colon = uri.empty() ? std::string_view::npos : 0;
    } else {
        request.host = std::string(uri.substr(0, colon));
    }
    if (colon != std::string_view::npos) {
        const std::string_view digits = uri.substr(colon + 1);
        int port = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), port);
        if (error != std::errc() || end != digits.data() + digits.size() || port < 1 ||
            port > 65535)
            return std::nullopt;
        request.port = port;
    }
    // The host goes into the Host line; one that could end it is no host name.
    if (request.host.empty() ||
        std::any_of(request.host.begin(), request.host.end(), breaksRequestLine))
        return std::nullopt;
    // The location is a folder below the host's root, written with or without its leading slash.
    std::string_view location = element.location;
    while (!location.empty() && location.front() == '/')
        location.remove_prefix(1);
    request.path = "/";
    if (!location.empty()) {
        appendPathText(request.path, location);
        request.path.push_back('/');
    }
    appendPathText(request.path, element.file);
    return request;
}

} // namespace textowl
