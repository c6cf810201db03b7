#pragma once

#include "ui/interface_description.h"

#include <QPixmap>
#include <QSize>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>

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

// Fetches icons from the image hosts the description names, the application name as the
// User-Agent, and decodes them in memory; anything that goes wrong gives the built-in fallback.
// A host that did not answer once is not asked again by the same fetcher: one unreachable host
// costs one time-out, not one per tab and button. Icons travel in the service's own scheme, so
// that a service behind https serves them over the same verified transport.
class IconFetcher {
public:
    // Runs a download off the window's thread and waits for it; false when sign-out or exit
    // abandoned it. Without one the download runs where fetch() is called.
    using JobRunner = std::function<bool(const std::function<void()>&)>;

    explicit IconFetcher(std::string userAgent, JobRunner runJob = {}, std::string scheme = "http");
    ~IconFetcher();

    IconPair fetch(const InterfaceElement& element, QSize size);
    // After an abandoned download every fetch gives the fallback at once.
    bool abandoned() const { return m_abandoned; }
    // Shortens the time-out in tests; 0 keeps the transport's 10 s.
    void setTimeoutForTesting(int ms) { m_timeoutMs = ms; }

private:
    std::unique_ptr<HttpClient> m_http;
    std::string m_userAgent;
    JobRunner m_runJob;
    std::string m_scheme;
    bool m_abandoned = false;
    std::set<std::pair<std::string, int>> m_unanswered;
    int m_timeoutMs = 0;
};

// A picture holding both images side by side, scaled to twice the width; nothing when the bytes
// are not a picture or declare dimensions no icon would have.
std::optional<IconPair> decodeIconPair(std::string_view bytes, QSize size);

// Built-in bitmap 211: two 30 by 38 pictures, whatever size was asked for.
IconPair fallbackIconPair();

} // namespace textowl
