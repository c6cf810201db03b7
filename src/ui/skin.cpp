#include "ui/skin.h"

#include <QImageReader>

namespace textowl {

namespace {

const QString kBuiltInSkin = QStringLiteral(":/bitmaps/200");

QImage loadSkinImage(const QString& path) {
    QImageReader reader(path);
    // The header's size decides before any pixel is decoded; a size the reader cannot tell is
    // refused as well, since nothing would then bound the decoding.
    const QSize declared = reader.size();
    if (!skinFileSizeAcceptable(declared.width(), declared.height()))
        return {};
    QImage image = reader.read();
    if (image.isNull())
        return image;
    if (image.size() != QSize(kSkinWidth, kSkinHeight))
        image =
            image.scaled(kSkinWidth, kSkinHeight, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace

Skin::Skin() {
    m_image = loadSkinImage(kBuiltInSkin);
}

Skin Skin::empty() {
    Skin skin;
    skin.m_image = QImage();
    return skin;
}

void Skin::load(const QString& path) {
    m_path = path;
    m_image = path.isEmpty() ? QImage() : loadSkinImage(path);
    if (m_image.isNull())
        m_image = loadSkinImage(kBuiltInSkin);
}

QImage Skin::piece(SkinPiece piece) const {
    if (m_image.isNull())
        return {};
    const PixelRect r = skinRegion(piece);
    return m_image.copy(r.x, r.y, r.width, r.height);
}

QColor Skin::pixelColour(PixelPoint at, QColor fallback) const {
    if (!m_image.valid(at.x, at.y))
        return fallback;
    return QColor(m_image.pixel(at.x, at.y));
}

QColor Skin::background() const {
    return pixelColour(kBackgroundPixel, QColor(0xEE, 0xF2, 0xF7));
}

QColor Skin::frameColour(int number) const {
    const auto pixels = frameColourPixels();
    if (number < 1 || number > 3)
        return QColor(Qt::gray);
    return pixelColour(pixels[static_cast<std::size_t>(number - 1)], QColor(Qt::gray));
}

QPixmap transparentCopy(const QImage& image) {
    if (image.isNull())
        return {};
    QImage copy = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb magenta = qRgb(255, 0, 255);
    for (int y = 0; y < copy.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(copy.scanLine(y));
        for (int x = 0; x < copy.width(); ++x) {
            if ((line[x] | 0xFF000000u) == magenta)
                line[x] = qRgba(0, 0, 0, 0);
        }
    }
    return QPixmap::fromImage(copy);
}

} // namespace textowl
