#pragma once

#include "ui/interface_description.h"

#include <QPixmap>
#include <QSize>
#include <string>
#include <string_view>

namespace textowl {

class HttpClient;

// The two pictures of a tab or button: 0 when active or hovered, 1 otherwise.
struct IconPair {
    QPixmap active;
    QPixmap inactive;
};

// Tab icons are 30 by 38, button icons 16 by 16.
inline constexpr QSize kTabIconSize{30, 38};
inline constexpr QSize kButtonIconSize{16, 16};

// Fetches the element's icon from its image host, the application name as the User-Agent, and
// decodes it in memory; anything that goes wrong gives the built-in fallback.
IconPair fetchIconPair(HttpClient& http, const InterfaceElement& element, QSize size,
                       const std::string& userAgent);

// A picture holding both images side by side, scaled to twice the width; nothing when the bytes
// are not a picture or declare dimensions no icon would have.
std::optional<IconPair> decodeIconPair(std::string_view bytes, QSize size);

// Built-in bitmap 211: two 30 by 38 pictures, whatever size was asked for.
IconPair fallbackIconPair();

} // namespace textowl
