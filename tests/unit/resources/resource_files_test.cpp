#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <optional>
#include <pugixml.hpp>
#include <set>
#include <string>
#include <vector>

namespace {

const std::filesystem::path kResources = TEXTOWL_RESOURCES_DIR;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

constexpr Rgb kMagenta{255, 0, 255};

std::vector<unsigned char> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t littleEndian(const std::vector<unsigned char>& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | bytes.at(at + i);
    }
    return value;
}

std::uint32_t bigEndian32(const std::vector<unsigned char>& bytes, std::size_t at) {
    return (std::uint32_t{bytes.at(at)} << 24) | (std::uint32_t{bytes.at(at + 1)} << 16) |
           (std::uint32_t{bytes.at(at + 2)} << 8) | bytes.at(at + 3);
}

// Just enough of the BMP format for the uncompressed 24-bit files the program ships.
class Bitmap {
public:
    static std::optional<Bitmap> load(const std::filesystem::path& path) {
        Bitmap bmp;
        bmp.m_bytes = readFile(path);
        if (bmp.m_bytes.size() < 54 || bmp.m_bytes[0] != 'B' || bmp.m_bytes[1] != 'M') {
            return std::nullopt;
        }
        bmp.m_width = static_cast<std::int32_t>(littleEndian(bmp.m_bytes, 18, 4));
        bmp.m_height = static_cast<std::int32_t>(littleEndian(bmp.m_bytes, 22, 4));
        bmp.m_bitCount = static_cast<int>(littleEndian(bmp.m_bytes, 28, 2));
        bmp.m_compression = littleEndian(bmp.m_bytes, 30, 4);
        bmp.m_pixels = littleEndian(bmp.m_bytes, 10, 4);
        const std::size_t stride = (static_cast<std::size_t>(bmp.m_width) * 3 + 3) / 4 * 4;
        if (bmp.m_width <= 0 || bmp.m_height <= 0 ||
            bmp.m_pixels + stride * static_cast<std::size_t>(bmp.m_height) > bmp.m_bytes.size()) {
            return std::nullopt;
        }
        return bmp;
    }

    int width() const { return m_width; }
    int height() const { return m_height; }
    int bitCount() const { return m_bitCount; }
    std::uint32_t compression() const { return m_compression; }

    Rgb at(int x, int y) const {
        const std::size_t stride = (static_cast<std::size_t>(m_width) * 3 + 3) / 4 * 4;
        const std::size_t row = static_cast<std::size_t>(m_height - 1 - y); // stored bottom-up
        const std::size_t at = m_pixels + row * stride + static_cast<std::size_t>(x) * 3;
        return {m_bytes.at(at + 2), m_bytes.at(at + 1), m_bytes.at(at)};
    }

private:
    std::vector<unsigned char> m_bytes;
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    int m_bitCount = 0;
    std::uint32_t m_compression = 0;
    std::size_t m_pixels = 0;
};

struct BitmapSize {
    const char* file;
    int width;
    int height;
};

constexpr BitmapSize kBitmaps[] = {
    {"bitmaps/skin.bmp", 150, 125},        // skin 200
    {"bitmaps/tree.bmp", 80, 16},          // tree images 213: five of 16 by 16
    {"bitmaps/tab_buddylist.bmp", 60, 38}, // tab icons 131: two of 30 by 38
    {"bitmaps/tab_fallback.bmp", 60, 38},  // fallback icons 211
    {"bitmaps/title.bmp", 88, 15},         // title image 222
    {"skins/teal.bmp", 150, 125},          // the skins the chooser offers
    {"skins/slate.bmp", 150, 125},         {"skins/meadow.bmp", 150, 125},
    {"skins/paper.bmp", 150, 125},
};

TEST(ResourceBitmaps, AreUncompressed24BitOfTheSizesThePaintingCuts) {
    for (const auto& expected : kBitmaps) {
        const auto bmp = Bitmap::load(kResources / expected.file);
        ASSERT_TRUE(bmp) << expected.file;
        EXPECT_EQ(bmp->width(), expected.width) << expected.file;
        EXPECT_EQ(bmp->height(), expected.height) << expected.file;
        EXPECT_EQ(bmp->bitCount(), 24) << expected.file;
        EXPECT_EQ(bmp->compression(), 0u) << expected.file;
    }
}

TEST(ResourceBitmaps, ImagesDrawnTransparentlyHaveMagentaAroundThem) {
    // Tree, tab and title images are copied with magenta as the transparent colour; a corner
    // that is not magenta would paint a box around every picture.
    for (const char* file : {"bitmaps/tree.bmp", "bitmaps/tab_buddylist.bmp",
                             "bitmaps/tab_fallback.bmp", "bitmaps/title.bmp"}) {
        const auto bmp = Bitmap::load(kResources / file);
        ASSERT_TRUE(bmp) << file;
        EXPECT_EQ(bmp->at(0, 0), kMagenta) << file;
        EXPECT_EQ(bmp->at(bmp->width() - 1, bmp->height() - 1), kMagenta) << file;
    }
}

TEST(ResourceBitmaps, EveryImageOfAStripHasAPicture) {
    struct Strip {
        const char* file;
        int cell;
    };
    for (const auto& strip : {Strip{"bitmaps/tree.bmp", 16}, Strip{"bitmaps/tab_buddylist.bmp", 30},
                              Strip{"bitmaps/tab_fallback.bmp", 30}}) {
        const auto bmp = Bitmap::load(kResources / strip.file);
        ASSERT_TRUE(bmp) << strip.file;
        for (int left = 0; left < bmp->width(); left += strip.cell) {
            int drawn = 0;
            for (int y = 0; y < bmp->height(); ++y) {
                for (int x = left; x < left + strip.cell; ++x) {
                    drawn += bmp->at(x, y) == kMagenta ? 0 : 1;
                }
            }
            EXPECT_GT(drawn, strip.cell * bmp->height() / 8) << strip.file << " image at " << left;
        }
    }
}

class SkinBitmap : public ::testing::Test {
protected:
    void SetUp() override {
        m_skin = Bitmap::load(kResources / "bitmaps/skin.bmp");
        ASSERT_TRUE(m_skin);
    }
    std::optional<Bitmap> m_skin;
};

TEST_F(SkinBitmap, HeaderMiddleStretchesWithoutSeams) {
    // The middle of the header band (17, 0, 43, 70) is stretched to any window width, so every
    // row must be one colour.
    for (int y = 0; y < 70; ++y) {
        for (int x = 17; x < 60; ++x) {
            EXPECT_EQ(m_skin->at(x, y), m_skin->at(17, y)) << "row " << y << " column " << x;
        }
    }
}

TEST_F(SkinBitmap, BordersAndPanelBodyStretchWithoutSeams) {
    for (int y = 70; y < 80; ++y) {
        EXPECT_EQ(m_skin->at(0, y), m_skin->at(0, 70)) << "left border row " << y;
        EXPECT_EQ(m_skin->at(74, y), m_skin->at(74, 70)) << "right border row " << y;
    }
    for (int x = 0; x < 75; ++x) {
        EXPECT_EQ(m_skin->at(x, 79), m_skin->at(0, 79)) << "bottom border column " << x;
    }
    // Panel frame at (133, 0): body source x 2..13 and the bar middles x 6..10 are stretched.
    for (int y = 23; y < 27; ++y) {
        for (int x = 2; x < 14; ++x) {
            EXPECT_EQ(m_skin->at(133 + x, y), m_skin->at(135, y)) << "panel body " << x << "," << y;
        }
    }
    for (int y : {0, 11, 21, 27, 38, 49}) {
        for (int x = 6; x < 11; ++x) {
            EXPECT_EQ(m_skin->at(133 + x, y), m_skin->at(139, y)) << "panel bar " << x << "," << y;
        }
    }
}

TEST_F(SkinBitmap, ColoursReadFromFixedPixelsAreOpaque) {
    // Background colour at (50, 20); frame colours 1 to 3 at (83, 57..59), the top edge of the
    // selected tab background.
    EXPECT_NE(m_skin->at(50, 20), kMagenta);
    std::array<Rgb, 3> frame{m_skin->at(83, 57), m_skin->at(83, 58), m_skin->at(83, 59)};
    for (const auto& colour : frame) {
        EXPECT_NE(colour, kMagenta);
        EXPECT_NE(colour, m_skin->at(50, 20));
    }
    EXPECT_NE(frame[0], frame[1]);
    EXPECT_NE(frame[1], frame[2]);
}

TEST_F(SkinBitmap, TransparentPiecesKeepMagentaOutsideTheirShape) {
    // Tab backgrounds (75, 57, 68, 57) and the panel frame's corners are copied transparently.
    EXPECT_EQ(m_skin->at(75, 57 + 56), kMagenta) << "selected tab, bottom left";
    EXPECT_EQ(m_skin->at(75 + 34 + 33, 57 + 20), kMagenta) << "idle tab, over the page frame";
    EXPECT_EQ(m_skin->at(133, 0), kMagenta) << "panel frame, top left corner";
    EXPECT_EQ(m_skin->at(149, 49), kMagenta) << "panel frame, bottom right corner";
}

std::optional<std::pair<std::uint32_t, std::uint32_t>> pngSize(const std::filesystem::path& path) {
    const auto bytes = readFile(path);
    static constexpr unsigned char kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() < 24 ||
        !std::equal(std::begin(kSignature), std::end(kSignature), bytes.begin()) ||
        std::string(bytes.begin() + 12, bytes.begin() + 16) != "IHDR") {
        return std::nullopt;
    }
    return std::make_pair(bigEndian32(bytes, 16), bigEndian32(bytes, 20));
}

TEST(ApplicationIcon, ComesInEverySizeThePlatformAsksFor) {
    for (std::uint32_t size : {16u, 32u, 48u, 256u}) {
        const auto file = "icons/textowl-" + std::to_string(size) + ".png";
        const auto dimensions = pngSize(kResources / file);
        ASSERT_TRUE(dimensions) << file;
        EXPECT_EQ(dimensions->first, size) << file;
        EXPECT_EQ(dimensions->second, size) << file;
    }
    pugi::xml_document svg;
    ASSERT_TRUE(svg.load_file((kResources / "icons/textowl.svg").c_str()));
    EXPECT_STREQ(svg.document_element().name(), "svg");
}

TEST(ResourceCollection, ProvidesEveryAliasTheProgramLoads) {
    pugi::xml_document qrc;
    ASSERT_TRUE(qrc.load_file((kResources / "textowl.qrc").c_str()));
    std::map<std::string, std::string> files;
    for (auto resource : qrc.document_element().children("qresource")) {
        const std::string prefix = resource.attribute("prefix").value();
        for (auto file : resource.children("file")) {
            files[":" + prefix + "/" + file.attribute("alias").value()] = file.text().get();
        }
    }
    for (const char* alias : {":/bitmaps/200", ":/bitmaps/213", ":/bitmaps/131", ":/bitmaps/211",
                              ":/bitmaps/222", ":/icons/128.png", ":/icons/128-16.png",
                              ":/icons/128-48.png", ":/icons/128-256.png", ":/icons/textowl.svg"}) {
        ASSERT_TRUE(files.contains(alias)) << alias;
        EXPECT_TRUE(std::filesystem::exists(kResources / files[alias])) << files[alias];
    }
    EXPECT_EQ(pngSize(kResources / files[":/icons/128.png"])->first, 32u);
}

TEST(DesktopEntry, LaunchesTextowlWithItsIcon) {
    std::ifstream in(kResources / "textowl.desktop");
    ASSERT_TRUE(in);
    std::set<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.insert(line);
    }
    for (const char* wanted :
         {"[Desktop Entry]", "Type=Application", "Name=Textowl", "Exec=textowl", "Icon=textowl",
          "Categories=Network;InstantMessaging;"}) {
        EXPECT_TRUE(lines.contains(wanted)) << wanted;
    }
}

} // namespace
