#include "support/scripted_server.h"
#include "ui/interface_icons.h"

#include <QColor>
#include <QImage>
#include <QRgb>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace textowl {
namespace {

void putLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A 24-bit BMP file as an icon host serves it; rows are stored bottom-up. The header may declare
// a size the pixels that follow do not fill.
std::string bmpFile(std::int32_t width, std::int32_t height,
                    const std::vector<QRgb>& topDownPixels) {
    std::string pixels;
    const std::int64_t rowBytes = (std::int64_t{width} * 3 + 3) / 4 * 4;
    for (int y = height - 1; y >= 0 && !topDownPixels.empty(); --y) {
        for (int x = 0; x < width; ++x) {
            const QRgb p = topDownPixels[static_cast<std::size_t>(y * width + x)];
            pixels += {static_cast<char>(qBlue(p)), static_cast<char>(qGreen(p)),
                       static_cast<char>(qRed(p))};
        }
        pixels.append(static_cast<std::size_t>(rowBytes - width * 3), '\0');
    }
    std::string file = "BM";
    putLittleEndian(file, static_cast<std::uint32_t>(54 + pixels.size()), 4);
    putLittleEndian(file, 0, 4);
    putLittleEndian(file, 54, 4);
    putLittleEndian(file, 40, 4);
    putLittleEndian(file, static_cast<std::uint32_t>(width), 4);
    putLittleEndian(file, static_cast<std::uint32_t>(height), 4);
    putLittleEndian(file, 1, 2);  // planes
    putLittleEndian(file, 24, 2); // bits per pixel
    putLittleEndian(file, 0, 4);  // uncompressed
    putLittleEndian(file, static_cast<std::uint32_t>(pixels.size()), 4);
    putLittleEndian(file, 2835, 4);
    putLittleEndian(file, 2835, 4);
    putLittleEndian(file, 0, 4);
    putLittleEndian(file, 0, 4);
    return file + pixels;
}

TEST(DecodeIconPair, SplitsTheHalvesWithMagentaTransparent) {
    const QRgb m = qRgb(255, 0, 255);
    const QRgb r = qRgb(200, 0, 0);
    const QRgb b = qRgb(0, 0, 200);
    // Active picture on the left, inactive on the right, each 2 by 2.
    const std::string bmp = bmpFile(4, 2, {m, r, b, b, r, r, b, m});

    const std::optional<IconPair> pair = decodeIconPair(bmp, QSize(2, 2));

    ASSERT_TRUE(pair.has_value());
    const QImage active = pair->active.toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage inactive = pair->inactive.toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(active.size(), QSize(2, 2));
    ASSERT_EQ(inactive.size(), QSize(2, 2));
    EXPECT_EQ(qAlpha(active.pixel(0, 0)), 0);
    EXPECT_EQ(active.pixel(1, 0), r);
    EXPECT_EQ(active.pixel(0, 1), r);
    EXPECT_EQ(inactive.pixel(0, 0), b);
    EXPECT_EQ(qAlpha(inactive.pixel(1, 1)), 0);
}

TEST(DecodeIconPair, RefusesPicturesThatDeclareHugeDimensions) {
    // A whole, valid picture one side of which is far beyond any icon is refused on its header,
    EXPECT_FALSE(
        decodeIconPair(bmpFile(4096, 1, std::vector<QRgb>(4096, qRgb(1, 2, 3))), kButtonIconSize)
            .has_value());
    // and so are headers alone that claim sizes no memory holds.
    EXPECT_FALSE(decodeIconPair(bmpFile(2, 100000, {}), kTabIconSize).has_value());
    EXPECT_FALSE(decodeIconPair(bmpFile(0x7FFFFFFF, 0x7FFFFFFF, {}), kTabIconSize).has_value());
}

// Icons come from the host with the program's name as User-Agent; a host that leaves a request
// unanswered is not asked again, so it costs one time-out however many icons it should serve.
TEST(IconFetcher, AsksTheImageHostOnceWhenItDoesNotAnswer) {
    const std::string icon = bmpFile(4, 2, std::vector<QRgb>(8, qRgb(0, 128, 0)));
    test::ScriptedServer good(
        {}, test::ConnectionScript::serveForever(test::httpReply("200 OK", icon)));
    test::ScriptedServer silent({}, test::ConnectionScript().readRequest().staySilent());
    IconFetcher fetcher("Textowl");
    fetcher.setTimeoutForTesting(200);
    const auto element = [](const test::ScriptedServer& server) {
        return InterfaceElement{
            "", "127.0.0.1:" + std::to_string(server.port()), "icons", "a.bmp", "", 0};
    };

    const IconPair fetched = fetcher.fetch(element(good), kTabIconSize);
    EXPECT_EQ(fetched.active.toImage().pixelColor(5, 5), QColor(0, 128, 0));
    const std::string request = good.received(0);
    EXPECT_EQ(request.rfind("GET /icons/a.bmp HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("\r\nUser-Agent: Textowl\r\n"), std::string::npos) << request;

    for (int i = 0; i < 3; ++i)
        fetcher.fetch(element(silent), kTabIconSize);
    EXPECT_EQ(silent.acceptedCount(), 1u);
}

} // namespace
} // namespace textowl
