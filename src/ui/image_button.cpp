#include "ui/image_button.h"

#include <QPainter>

namespace textowl {

namespace {
enum ImageIndex { kNormal = 0, kPressed = 1, kFocused = 2, kDisabled = 3 };
} // namespace

ImageButton::ImageButton(QWidget* parent) : QAbstractButton(parent) {
    // Reached with the Tab key, which shows the focused image, but a click leaves the focus where
    // the user was typing.
    setFocusPolicy(Qt::TabFocus);
}

void ImageButton::setImages(const QImage& strip, int count, QSize size) {
    m_images.clear();
    m_size = size;
    for (int i = 0; i < count && !strip.isNull(); ++i)
        m_images.push_back(strip.copy(i * size.width(), 0, size.width(), size.height()));
    setFixedSize(size);
    update();
}

int ImageButton::currentImage() const {
    const int count = static_cast<int>(m_images.size());
    int index = kNormal;
    if (!isEnabled())
        index = kDisabled;
    else if (isDown())
        index = kPressed;
    else if (hasFocus())
        index = kFocused;
    if (index >= count)
        index = count > 0 ? kNormal : -1;
    return index;
}

void ImageButton::paintEvent(QPaintEvent*) {
    const int index = currentImage();
    if (index < 0)
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, m_images[static_cast<std::size_t>(index)]);
}

} // namespace textowl
