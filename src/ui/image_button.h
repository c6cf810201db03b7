#pragma once

#include <QAbstractButton>
#include <QPixmap>
#include <vector>

namespace textowl {

// A small button drawn from a strip of images side by side: normal, pressed, focused and
// disabled, as many as the strip holds. Under the mouse it shows the hand cursor.
class ImageButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit ImageButton(QWidget* parent = nullptr);

    void setImages(std::vector<QPixmap> images);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<QPixmap> m_images;
};

// Cuts a strip into images of the given size, left to right; magenta becomes transparent.
std::vector<QPixmap> cutImageStrip(const QImage& strip, QSize imageSize);

} // namespace textowl
