#pragma once

#include "ui/interface_description.h"

#include <QPixmap>
#include <QSize>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace textowl {

// The two pictures of a tab or button: 0 when active or hovered, 1 otherwise.
struct IconPair {
    QPixmap active;
    QPixmap inactive;
};

// Tab icons are 30 by 38, button icons 16 by 16.
inline constexpr QSize kTabIconSize{30, 38};
inline constexpr QSize kButtonIconSize{16, 16};

// Fetches icons from the image hosts the description names, the application name as the
// User-Agent, and decodes them in memory; anything that goes wrong gives the built-in fallback.
// A host that did not answer once is not asked again by the same fetcher: one unreachable host
// costs one time-out, not one per tab and button. Icons travel in the service's own scheme, so
// that a service behind https serves them over the same verified transport. Downloads may run on
// several threads at once; the pictures are made on the window's thread.
class IconFetcher {
public:
    explicit IconFetcher(std::string userAgent, std::string scheme = "http");
    ~IconFetcher();

    // The picture's bytes as the host sent them; empty when there are none to use. Safe to call
    // from any thread.
    std::string download(const InterfaceElement& element);
    // download() and decodeIconPair() in one, on the window's thread.
    IconPair fetch(const InterfaceElement& element, QSize size);
    // Shortens the time-out in tests; 0 keeps the transport's 10 s.
    void setTimeoutForTesting(int ms) { m_timeoutMs = ms; }

private:
    bool unanswered(const std::pair<std::string, int>& host) const;

    std::string m_userAgent;
    std::string m_scheme;
    mutable std::mutex m_mutex; // guards m_unanswered
    std::set<std::pair<std::string, int>> m_unanswered;
    int m_timeoutMs = 0;
};

// The element's icon from the bytes download() gave, or the fallback.
IconPair iconPairOrFallback(std::string_view bytes, QSize size);

// A picture holding both images side by side, scaled to twice the width; nothing when the bytes
// are not a picture or declare dimensions no icon would have.
std::optional<IconPair> decodeIconPair(std::string_view bytes, QSize size);

// Built-in bitmap 211: two 30 by 38 pictures, whatever size was asked for.
IconPair fallbackIconPair();

} // namespace textowl
