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

IconFetcher::IconFetcher(std::string userAgent, JobRunner runJob, std::string scheme)
    : m_http(std::make_unique<HttpClient>()), m_userAgent(std::move(userAgent)),
      m_runJob(std::move(runJob)), m_scheme(std::move(scheme)) {}

IconFetcher::~IconFetcher() = default;

IconPair IconFetcher::fetch(const InterfaceElement& element, QSize size) {
    const std::optional<ImageRequest> request = imageRequest(element, defaultPort(m_scheme));
    if (!request || m_abandoned)
        return fallbackIconPair();
    const std::pair<std::string, int> host{request->host, request->port};
    if (m_unanswered.contains(host))
        return fallbackIconPair();
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
    bool sent = false;
    int statusCode = 0;
    std::string body;
    const auto download = [&] {
        sent = m_http->sendRequest(url, settings);
        statusCode = m_http->statusCode();
        if (sent)
            body = m_http->body();
    };
    if (!m_runJob)
        download();
    else if (!m_runJob(download))
        m_abandoned = true;
    if (m_abandoned)
        return fallbackIconPair();
    if (!sent) {
        if (statusCode < 0)
            m_unanswered.insert(host);
        return fallbackIconPair();
    }
    return decodeIconPair(body, size).value_or(fallbackIconPair());
}

} // namespace textowl
