#pragma once

#include <span>
#include <string_view>

namespace textowl::server {

enum class Glyph { Person, Envelope, Coin, News, Info, Leaf };

// One web tab or interface button: its page below /pagewright/, its icon file and its look.
struct WebEntry {
    std::string_view slug;
    std::string_view title;
    std::string_view tooltip;
    std::string_view iconFile;
    Glyph glyph;
};

std::span<const WebEntry> webTabs();
std::span<const WebEntry> interfaceButtons();

inline constexpr std::string_view kSoapPath = "/pagewright/soapserver.php";
inline constexpr std::string_view kImagesPrefix = "/pagewright/images/";
inline constexpr std::string_view kImageLocation = "/pagewright/images";

} // namespace textowl::server
