#pragma once

#include "service/operation_map.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace textowl {

// A web tab or an interface button as the service describes it.
struct InterfaceElement {
    std::string url;
    std::string imageUri; // host, optionally with ":port"
    std::string location; // folder on the image host, may be empty
    std::string file;
    std::string tooltip;
    // Position among all elements of its kind, skipped ones included: buttons are commands
    // 2000 + this index, so a skipped element leaves a gap rather than renumbering the rest.
    int elementIndex = 0;
    friend bool operator==(const InterfaceElement&, const InterfaceElement&) = default;
};

// The service's description of the signed-in window beyond the buddy list.
struct InterfaceDescription {
    std::vector<InterfaceElement> tabs;
    std::vector<InterfaceElement> buttons;
    std::string footerUrl; // empty: no footer
    std::string language;
};

// Reads an apiGetInterface answer; nothing when it fails the result check. Elements missing any
// of their five attributes are skipped, and a missing container holds no elements.
std::optional<InterfaceDescription> readInterfaceDescription(const ServiceText& result);
std::optional<InterfaceDescription> readInterfaceDescription(std::string_view utf8Result);

// A button's page with the session ticket added as a query parameter. Characters outside the
// unreserved set are percent-encoded, so a ticket can never end the query or start a fragment.
std::string pageWithTicket(std::string_view url, std::string_view ticket);

// Where an icon is fetched from: host and port from imageURI (defaultPort unless it names one)
// and the path "/location/file", or "/file" without a location.
struct ImageRequest {
    std::string host;
    int port = 80;
    std::string path;
    friend bool operator==(const ImageRequest&, const ImageRequest&) = default;
};
// Nothing when imageURI is empty or its port is not a number from 1 to 65535.
std::optional<ImageRequest> imageRequest(const InterfaceElement& element, int defaultPort = 80);

} // namespace textowl
