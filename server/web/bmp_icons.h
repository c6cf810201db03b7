#pragma once

#include "server/service/web_catalogue.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace textowl::server {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

inline constexpr Rgb kMagenta{255, 0, 255};

// A small RGB raster with just the shapes the icons need.
class Canvas {
public:
    Canvas(int width, int height, Rgb background = kMagenta);

    int width() const { return m_width; }
    int height() const { return m_height; }
    Rgb pixel(int x, int y) const;
    void set(int x, int y, Rgb colour);
    void fillRect(int x, int y, int w, int h, Rgb colour);
    void fillEllipse(double cx, double cy, double rx, double ry, Rgb colour);
    void blit(const Canvas& source, int x, int y);

    // 24-bit uncompressed BMP: rows bottom-up, each padded to four bytes.
    std::string toBmp() const;

private:
    int m_width, m_height;
    std::vector<Rgb> m_pixels;
};

// A pair image: the active look on the left, the inactive (grey) look on the right, each
// width x height, on magenta.
Canvas drawIconPair(Glyph glyph, int width, int height);

// Every icon the interface description names, by file name: 32x16 for buttons, 60x38 for tabs.
std::map<std::string, std::string> buildInterfaceIcons();

} // namespace textowl::server
