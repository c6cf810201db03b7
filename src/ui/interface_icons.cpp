#include "ui/interface_icons.h"

#include "service/http_client.h"
#include "service/url.h"
#include "ui/skin.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

namespace textowl {

namespace {

// Far beyond any icon; a header that claims more is a hostile or broken file, refused before
// the decoder allocates for it.
constexpr int kMaxImageSide = 2048;

IconPair splitPair(const QImage& image, QSize size) {
    const QImage scaled = image.scaled(size.width() * 2, size.height(), Qt::IgnoreAspectRatio,
                                       Qt::SmoothTransformation);
    const QPixmap transparent = transparentCopy(scaled.convertToFormat(QImage::Format_RGB32));
    return {transparent.copy(0, 0, size.width(), size.height()),
            transparent.copy(size.width(), 0, size.width(), size.height())};
}

} // namespace

std::optional<IconPair> decodeIconPair(std::string_view bytes, QSize size) {
    if (bytes.empty() || size.isEmpty())
        return std::nullopt;
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize declared = reader.size();
    if (!declared.isValid() || declared.width() > kMaxImageSide ||
        declared.height() > kMaxImageSide)
        return std::nullopt;
    const QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    return splitPair(image, size);
}

IconPair fallbackIconPair() {
    const QImage fallback(QStringLiteral(":/bitmaps/211"));
    if (fallback.isNull())
        return {};
    return splitPair(fallback, kTabIconSize);
}

IconPair iconPairOrFallback(std::string_view bytes, QSize size) {
    return decodeIconPair(bytes, size).value_or(fallbackIconPair());
}

IconFetcher::IconFetcher(std::string userAgent, std::string scheme)
    : m_userAgent(std::move(userAgent)), m_scheme(std::move(scheme)) {}

IconFetcher::~IconFetcher() = default;

bool IconFetcher::unanswered(const std::pair<std::string, int>& host) const {
    const std::lock_guard lock(m_mutex);
    return m_unanswered.contains(host);
}

std::string IconFetcher::download(const InterfaceElement& element) {
    const std::optional<ImageRequest> request = imageRequest(element, defaultPort(m_scheme));
    if (!request)
        return {};
    const std::pair<std::string, int> host{request->host, request->port};
    if (unanswered(host))
        return {};
    Url url;
    url.scheme = m_scheme;
    url.host = request->host;
    url.port = static_cast<std::uint16_t>(request->port);
    url.path = request->path;
    NavigationSettings settings;
    settings.userAgent = m_userAgent;
    settings.readBlockSize = 8096;
    settings.timeoutMs = m_timeoutMs;
    // Whatever the status, a body that is a picture is used; anything else falls back.
    settings.processResult = false;
    settings.autoRedirect = false;
    // One client per download: downloads of one fetcher run side by side.
    HttpClient http;
    if (http.sendRequest(url, settings))
        return std::string(http.body());
    if (http.statusCode() < 0) {
        const std::lock_guard lock(m_mutex);
        m_unanswered.insert(host);
    }
    return {};
}

IconPair IconFetcher::fetch(const InterfaceElement& element, QSize size) {
    return iconPairOrFallback(download(element), size);
}

} // namespace textowl
