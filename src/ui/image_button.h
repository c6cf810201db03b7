#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QSize>
#include <vector>

namespace textowl {

// A button drawn from a strip of equally sized images cut from the skin: image 0 normally, 1 while
// pressed, 2 with the focus and 3 when disabled, as far as the strip has images.
class ImageButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit ImageButton(QWidget* parent = nullptr);

    // Cuts count images of the given size from the strip, left to right.
    void setImages(const QImage& strip, int count, QSize size);
    // The image the button shows in its current state (-1 without images).
    int currentImage() const;
    QSize sizeHint() const override { return m_size; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<QImage> m_images;
    QSize m_size;
};

} // namespace textowl
