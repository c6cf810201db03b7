#include "ui/interface_description.h"

#include "service/result_document.h"
#include "service/utf.h"

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
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string page(url);
    page.append(url.find('?') == std::string_view::npos ? "?ticket=" : "&ticket=");
    for (const char c : ticket) {
        if (isUnreserved(c)) {
            page.push_back(c);
        } else {
            const auto byte = static_cast<unsigned char>(c);
            page.push_back('%');
            page.push_back(kHex[byte >> 4]);
            page.push_back(kHex[byte & 0x0F]);
        }
    }
    return page;
}

std::optional<ImageRequest> imageRequest(const InterfaceElement& element) {
    if (element.imageUri.empty())
        return std::nullopt;
    ImageRequest request;
    const std::string_view uri = element.imageUri;
    const std::size_t colon = uri.rfind(':');
    request.host = std::string(uri.substr(0, colon));
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
    if (request.host.empty())
        return std::nullopt;
    // The location is a folder below the host's root, written with or without its leading slash.
    std::string_view location = element.location;
    while (!location.empty() && location.front() == '/')
        location.remove_prefix(1);
    request.path = "/";
    if (!location.empty())
        request.path.append(location).append("/");
    request.path.append(element.file);
    return request;
}

} // namespace textowl
