#include "ui/image_button.h"

#include "ui/skin.h"

#include <QPainter>

namespace textowl {

ImageButton::ImageButton(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void ImageButton::setImages(std::vector<QPixmap> images) {
    m_images = std::move(images);
    update();
}

QSize ImageButton::sizeHint() const {
    return m_images.empty() ? QSize(16, 16) : m_images.front().size();
}

void ImageButton::paintEvent(QPaintEvent*) {
    if (m_images.empty())
        return;
    std::size_t image = 0;
    if (!isEnabled())
        image = 3;
    else if (isDown())
        image = 1;
    else if (hasFocus())
        image = 2;
    if (image >= m_images.size())
        image = 0;
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_images[image]);
}

std::vector<QPixmap> cutImageStrip(const QImage& strip, QSize imageSize) {
    std::vector<QPixmap> images;
    if (strip.isNull() || imageSize.isEmpty())
        return images;
    const QPixmap transparent = transparentCopy(strip);
    for (int x = 0; x + imageSize.width() <= strip.width(); x += imageSize.width())
        images.push_back(transparent.copy(QRect(QPoint(x, 0), imageSize)));
    return images;
}

} // namespace textowl
