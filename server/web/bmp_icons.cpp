#include "server/web/bmp_icons.h"

#include <algorithm>

namespace textowl::server {
namespace {

void putLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

struct Palette {
    Rgb main, accent, light;
};

constexpr Palette kActive{{31, 97, 170}, {242, 170, 30}, {255, 255, 255}};
constexpr Palette kInactive{{120, 120, 120}, {170, 170, 170}, {235, 235, 235}};

// Each glyph is drawn in a unit box scaled to the icon, so one drawing serves both sizes.
void drawGlyph(Canvas& c, Glyph glyph, const Palette& p) {
    const double w = c.width();
    const double h = c.height();
    const double s = std::min(w, h);
    const double cx = w / 2.0 - 0.5;
    const double cy = h / 2.0 - 0.5;
    switch (glyph) {
    case Glyph::Person:
        c.fillEllipse(cx, cy - s * 0.18, s * 0.2, s * 0.2, p.main);
        c.fillEllipse(cx, cy + s * 0.38, s * 0.38, s * 0.3, p.main);
        break;
    case Glyph::Envelope: {
        const int ew = static_cast<int>(s * 0.9);
        const int eh = static_cast<int>(s * 0.6);
        const int x0 = static_cast<int>(cx - ew / 2.0 + 0.5);
        const int y0 = static_cast<int>(cy - eh / 2.0 + 0.5);
        c.fillRect(x0, y0, ew, eh, p.main);
        c.fillRect(x0 + 1, y0 + 1, ew - 2, eh - 2, p.light);
        for (int i = 0; i <= ew / 2; ++i) {
            const int y = y0 + 1 + i * (eh - 2) / std::max(1, ew / 2 + 1);
            c.set(x0 + i, y, p.main);
            c.set(x0 + ew - 1 - i, y, p.main);
        }
        break;
    }
    case Glyph::Coin:
        c.fillEllipse(cx, cy, s * 0.42, s * 0.42, p.accent);
        c.fillEllipse(cx, cy, s * 0.3, s * 0.3, p.main);
        c.fillEllipse(cx, cy, s * 0.14, s * 0.14, p.accent);
        break;
    case Glyph::News: {
        const int pw = static_cast<int>(s * 0.7);
        const int ph = static_cast<int>(h * 0.7);
        const int x0 = static_cast<int>(cx - pw / 2.0 + 0.5);
        const int y0 = static_cast<int>(cy - ph / 2.0 + 0.5);
        c.fillRect(x0, y0, pw, ph, p.main);
        c.fillRect(x0 + 2, y0 + 2, pw - 4, ph - 4, p.light);
        for (int y = y0 + 4; y < y0 + ph - 3; y += 3) {
            c.fillRect(x0 + 4, y, pw - 8, 1, p.main);
        }
        break;
    }
    case Glyph::Info:
        c.fillEllipse(cx, cy, s * 0.42, s * 0.42, p.main);
        c.fillEllipse(cx, cy - s * 0.2, s * 0.07, s * 0.07, p.light);
        c.fillRect(static_cast<int>(cx - s * 0.06 + 0.5), static_cast<int>(cy - s * 0.06),
                   std::max(2, static_cast<int>(s * 0.13)), static_cast<int>(s * 0.32), p.light);
        break;
    case Glyph::Leaf:
        c.fillEllipse(cx, cy, s * 0.42, s * 0.42, p.accent);
        c.fillRect(static_cast<int>(cx - s * 0.25), static_cast<int>(cy - 1),
                   static_cast<int>(s * 0.5) + 1, std::max(2, static_cast<int>(s * 0.12)), p.light);
        c.fillRect(static_cast<int>(cx - 1), static_cast<int>(cy - s * 0.25),
                   std::max(2, static_cast<int>(s * 0.12)), static_cast<int>(s * 0.5) + 1, p.light);
        break;
    }
}

} // namespace

Canvas::Canvas(int width, int height, Rgb background)
    : m_width(width), m_height(height),
      m_pixels(static_cast<std::size_t>(width * height), background) {}

Rgb Canvas::pixel(int x, int y) const {
    return m_pixels[static_cast<std::size_t>(y * m_width + x)];
}

void Canvas::set(int x, int y, Rgb colour) {
    if (x >= 0 && y >= 0 && x < m_width && y < m_height) {
        m_pixels[static_cast<std::size_t>(y * m_width + x)] = colour;
    }
}

void Canvas::fillRect(int x, int y, int w, int h, Rgb colour) {
    for (int j = y; j < y + h; ++j) {
        for (int i = x; i < x + w; ++i) {
            set(i, j, colour);
        }
    }
}

void Canvas::fillEllipse(double cx, double cy, double rx, double ry, Rgb colour) {
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            const double dx = (x - cx) / rx;
            const double dy = (y - cy) / ry;
            if (dx * dx + dy * dy <= 1.0) {
                set(x, y, colour);
            }
        }
    }
}

void Canvas::blit(const Canvas& source, int x, int y) {
    for (int j = 0; j < source.height(); ++j) {
        for (int i = 0; i < source.width(); ++i) {
            set(x + i, y + j, source.pixel(i, j));
        }
    }
}

std::string Canvas::toBmp() const {
    const int rowBytes = (m_width * 3 + 3) & ~3;
    const std::uint32_t imageSize = static_cast<std::uint32_t>(rowBytes * m_height);
    std::string out;
    out.reserve(54 + imageSize);
    out += "BM";
    putLe(out, 54 + imageSize, 4);
    putLe(out, 0, 4);
    putLe(out, 54, 4);
    putLe(out, 40, 4); // BITMAPINFOHEADER
    putLe(out, static_cast<std::uint32_t>(m_width), 4);
    putLe(out, static_cast<std::uint32_t>(m_height), 4);
    putLe(out, 1, 2);
    putLe(out, 24, 2);
    putLe(out, 0, 4); // BI_RGB
    putLe(out, imageSize, 4);
    putLe(out, 2835, 4); // 72 dpi
    putLe(out, 2835, 4);
    putLe(out, 0, 4);
    putLe(out, 0, 4);
    for (int y = m_height - 1; y >= 0; --y) {
        for (int x = 0; x < m_width; ++x) {
            const Rgb p = pixel(x, y);
            out += static_cast<char>(p.b);
            out += static_cast<char>(p.g);
            out += static_cast<char>(p.r);
        }
        out.append(static_cast<std::size_t>(rowBytes - m_width * 3), '\0');
    }
    return out;
}

Canvas drawIconPair(Glyph glyph, int width, int height) {
    Canvas pair(width * 2, height);
    Canvas active(width, height);
    drawGlyph(active, glyph, kActive);
    Canvas inactive(width, height);
    drawGlyph(inactive, glyph, kInactive);
    pair.blit(active, 0, 0);
    pair.blit(inactive, width, 0);
    return pair;
}

std::map<std::string, std::string> buildInterfaceIcons() {
    std::map<std::string, std::string> icons;
    for (const WebEntry& tab : webTabs()) {
        icons.emplace(tab.iconFile, drawIconPair(tab.glyph, 30, 38).toBmp());
    }
    for (const WebEntry& button : interfaceButtons()) {
        icons.emplace(button.iconFile, drawIconPair(button.glyph, 16, 16).toBmp());
    }
    return icons;
}

} // namespace textowl::server
