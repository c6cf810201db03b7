#pragma once

#include "ui/skin_layout.h"

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QString>

namespace textowl {

inline QRect toQRect(const PixelRect& r) {
    return {r.x, r.y, r.width, r.height};
}

// The skin bitmap the window's chrome is cut from, always 150 by 125 pixels.
class Skin {
public:
    // The built-in skin; a missing resource leaves the skin empty, which paints nothing.
    Skin();
    // A skin without a bitmap: the background and frame colours fall back to plain ones.
    static Skin empty();

    // Loads a skin file (scaled to size); an empty path or an unreadable file gives the built-in
    // skin. The path is kept either way, since the choice is remembered.
    void load(const QString& path);

    const QString& path() const { return m_path; }
    bool isNull() const { return m_image.isNull(); }
    const QImage& image() const { return m_image; }
    QImage piece(SkinPiece piece) const;
    QColor background() const;
    // Frame colour 1, 2 or 3.
    QColor frameColour(int number) const;

private:
    QColor pixelColour(PixelPoint at, QColor fallback) const;

    QImage m_image;
    QString m_path;
};

// A copy of the image in which magenta is transparent.
QPixmap transparentCopy(const QImage& image);

} // namespace textowl
