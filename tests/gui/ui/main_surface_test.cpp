#include "ui/main_surface.h"
#include "ui/skin.h"
#include "ui/tab_strip.h"

#include <QApplication>
#include <QDataStream>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

namespace textowl {
namespace {

// A skin whose regions are told apart by colour: background pixel, frame colours, header.
QImage makeSkin(int scale, QRgb background) {
    QImage skin(kSkinWidth * scale, kSkinHeight * scale, QImage::Format_RGB32);
    skin.fill(qRgb(10, 20, 30)); // header and borders
    QPainter p(&skin);
    p.scale(scale, scale);
    p.fillRect(QRect(50, 20, 1, 1), QColor(background));
    p.fillRect(QRect(83, 57, 1, 1), QColor(255, 0, 0));
    p.fillRect(QRect(83, 58, 1, 1), QColor(0, 255, 0));
    p.fillRect(QRect(83, 59, 1, 1), QColor(0, 0, 255));
    return skin;
}

class SurfaceTest : public ::testing::Test {
protected:
    QString saveSkin(const QImage& image, const QString& name = QStringLiteral("skin.bmp")) {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(image.save(path, "BMP"));
        return path;
    }

    QImage paint(MainSurface& surface) {
        surface.resize(292, 456);
        return surface.grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    QTemporaryDir m_dir;
};

TEST_F(SurfaceTest, BackgroundComesFromSkinPixelAndFrameFromItsColours) {
    Skin skin;
    skin.load(saveSkin(makeSkin(1, qRgb(255, 255, 255))));
    MainSurface surface;
    surface.setSkin(&skin);
    const QImage shot = paint(surface);
    EXPECT_EQ(shot.pixel(150, 300), qRgb(255, 255, 255)); // page area background
    EXPECT_EQ(shot.pixel(100, 30), qRgb(10, 20, 30));     // header band
    EXPECT_EQ(shot.pixel(2, 200), qRgb(255, 0, 0));       // outer frame, left
    EXPECT_EQ(shot.pixel(3, 200), qRgb(0, 255, 0));       // middle frame
    EXPECT_EQ(shot.pixel(4, 200), qRgb(0, 0, 255));       // inner frame
    EXPECT_EQ(shot.pixel(292 - 3, 200), qRgb(255, 0, 0)); // outer frame, right
    EXPECT_EQ(shot.pixel(150, 456 - 3), qRgb(255, 0, 0)); // outer frame, bottom
    EXPECT_EQ(shot.pixel(150, 71), qRgb(255, 0, 0));      // outer frame, top
    EXPECT_EQ(shot.pixel(0, 200), qRgb(10, 20, 30));      // left border line
}

TEST_F(SurfaceTest, LargerSkinIsScaledSoRegionsKeepTheirCoordinates) {
    Skin skin;
    skin.load(saveSkin(makeSkin(2, qRgb(1, 2, 3))));
    EXPECT_EQ(skin.image().size(), QSize(150, 125));
    EXPECT_EQ(skin.background(), QColor(1, 2, 3));
    EXPECT_EQ(skin.frameColour(2), QColor(0, 255, 0));
}

TEST_F(SurfaceTest, EveryPieceIsCutFromItsRegionOfTheScaledSkin) {
    // Each region's middle pixel gets its own colour in a skin drawn at twice the size.
    constexpr int kPieces = static_cast<int>(SkinPiece::PanelFrame) + 1;
    const auto marker = [](int i) { return qRgb(40 + 10 * i, 200 - 10 * i, 7 * i); };
    QImage big = makeSkin(2, qRgb(250, 250, 250));
    QPainter painter(&big);
    for (int i = 0; i < kPieces; ++i) {
        const PixelRect r = skinRegion(static_cast<SkinPiece>(i));
        painter.fillRect(QRect(2 * (r.x + r.width / 2), 2 * (r.y + r.height / 2), 2, 2),
                         QColor(marker(i)));
    }
    painter.end();
    Skin skin;
    skin.load(saveSkin(big));
    for (int i = 0; i < kPieces; ++i) {
        const PixelRect r = skinRegion(static_cast<SkinPiece>(i));
        const QImage piece = skin.piece(static_cast<SkinPiece>(i));
        ASSERT_EQ(piece.size(), QSize(r.width, r.height)) << i;
        EXPECT_EQ(piece.pixel(r.width / 2, r.height / 2), marker(i)) << i;
    }
    EXPECT_EQ(skin.background(), QColor(250, 250, 250));
    EXPECT_EQ(skin.frameColour(1), QColor(255, 0, 0));
    EXPECT_EQ(skin.frameColour(3), QColor(0, 0, 255));
}

TEST_F(SurfaceTest, SkinDeclaringEnormousDimensionsIsRefusedBeforeDecoding) {
    // A bare header, 24-bit and 100000 by 100000 pixels, and no pixels at all.
    QByteArray header;
    QDataStream out(&header, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("BM", 2);
    out << quint32(54) << quint32(0) << quint32(54) << quint32(40) << qint32(100000)
        << qint32(100000) << quint16(1) << quint16(24) << quint32(0) << quint32(0) << qint32(0)
        << qint32(0) << quint32(0) << quint32(0);
    const QString path = m_dir.filePath(QStringLiteral("huge.bmp"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(header);
    file.close();

    Skin builtIn;
    Skin skin;
    skin.load(path);
    EXPECT_EQ(skin.path(), path);
    EXPECT_EQ(skin.image(), builtIn.image());
}

TEST_F(SurfaceTest, UnreadableSkinFallsBackToBuiltInButKeepsThePath) {
    Skin builtIn;
    Skin skin;
    const QString path = m_dir.filePath(QStringLiteral("broken.bmp"));
    skin.load(path);
    EXPECT_EQ(skin.path(), path);
    EXPECT_EQ(skin.image(), builtIn.image());
}

TEST_F(SurfaceTest, SurfaceWithoutSkinOrImagesStillPaints) {
    MainSurface surface;
    surface.setTitleImage(QImage());
    surface.setIcon(QPixmap());
    const QImage shot = paint(surface);
    EXPECT_FALSE(shot.isNull());
}

TEST_F(SurfaceTest, TitleImageMagentaIsTransparent) {
    Skin skin;
    skin.load(saveSkin(makeSkin(1, qRgb(255, 255, 255))));
    QImage title(88, 15, QImage::Format_RGB32);
    title.fill(qRgb(255, 0, 255));
    title.setPixel(5, 5, qRgb(0, 0, 0));
    MainSurface surface;
    surface.setSkin(&skin);
    surface.setTitleImage(title);
    const QImage shot = paint(surface);
    EXPECT_EQ(shot.pixel(26 + 5, 4 + 5), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(26 + 20, 4 + 5), qRgb(10, 20, 30)); // header shows through
}

TEST_F(SurfaceTest, SignInViewTextsAreCentredAndSigningInShowsOnlyItsText) {
    Skin skin;
    skin.load(saveSkin(makeSkin(1, qRgb(255, 255, 255))));
    MainSurface surface;
    surface.setSkin(&skin);
    surface.setTexts({QStringLiteral("Click below"), QStringLiteral("Forgot?"),
                      QStringLiteral("Signing In...")});
    auto darkRows = [](const QImage& shot, int top, int bottom) {
        int dark = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = 10; x < 280; ++x)
                dark += qGray(shot.pixel(x, y)) < 128 ? 1 : 0;
        return dark;
    };
    const QImage signedOut = paint(surface);
    EXPECT_GT(darkRows(signedOut, 110, 134), 0); // prompt around y 121.5
    EXPECT_GT(darkRows(signedOut, 212, 232), 0); // link around y 221.5
    surface.setView(ViewKind::SigningIn);
    const QImage signingIn = paint(surface);
    EXPECT_GT(darkRows(signingIn, 110, 134), 0);
    EXPECT_EQ(darkRows(signingIn, 212, 232), 0);
}

TEST_F(SurfaceTest, ForgottenPasswordSpotShowsHandAndPostsItsCommand) {
    MainSurface surface;
    std::vector<int> posted;
    surface.setCommandSink([&posted](int id) { posted.push_back(id); });
    surface.resize(292, 456);
    surface.show();
    QTest::mouseMove(&surface, QPoint(120, 225));
    EXPECT_TRUE(surface.forgotPasswordArmed());
    EXPECT_EQ(surface.cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(&surface, Qt::LeftButton, {}, QPoint(120, 225));
    QTest::mouseMove(&surface, QPoint(120, 250));
    EXPECT_FALSE(surface.forgotPasswordArmed());
    EXPECT_EQ(surface.cursor().shape(), Qt::ArrowCursor);
    surface.setView(ViewKind::SigningIn);
    QTest::mouseClick(&surface, Qt::LeftButton, {}, QPoint(120, 225));
    EXPECT_EQ(posted, std::vector<int>{32800});
}

// A signed-in surface with the header texts, on a white page.
class SignedInSurface : public SurfaceTest {
protected:
    void SetUp() override {
        m_skin.load(saveSkin(makeSkin(1, qRgb(255, 255, 255))));
        m_surface.setSkin(&m_skin);
        m_surface.setCommandSink([this](int id) { m_posted.push_back(id); });
        m_surface.setView(ViewKind::SignedIn);
        m_surface.setHasTabs(true);
        m_surface.setHeaderTexts(
            {QStringLiteral("demo"),
             QStringLiteral("Credits: 50 \u20ac"),
             {QStringLiteral("Add A Contact"), QStringLiteral("Add A Group"),
              QStringLiteral("Quick Send")},
             {QStringLiteral("tip 1"), QStringLiteral("tip 2"), QStringLiteral("tip 3")}});
        m_surface.resize(292, 456);
    }

    // Text pixels: dark, and not the header band's own dark colour.
    static int darkPixels(const QImage& shot, const QRect& area) {
        const QRgb kHeaderColour = qRgb(10, 20, 30);
        int dark = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                dark += shot.pixel(x, y) != kHeaderColour && qGray(shot.pixel(x, y)) < 100;
        return dark;
    }

    Skin m_skin;
    MainSurface m_surface;
    std::vector<int> m_posted;
};

TEST_F(SignedInSurface, HeaderShowsUserBalanceAndTheLinkBoxInFrameColourTwo) {
    const QImage shot = paint(m_surface);
    EXPECT_GT(darkPixels(shot, QRect(25, 24, 60, 16)), 0);  // user name
    EXPECT_GT(darkPixels(shot, QRect(37, 50, 100, 14)), 0); // balance line
    const int h = 456;
    EXPECT_EQ(shot.pixel(34, h - 94), qRgb(0, 255, 0));            // box, top left
    EXPECT_EQ(shot.pixel(34 + 254, h - 94 + 19), qRgb(0, 255, 0)); // box, bottom right
    for (const QRect& link : m_surface.linkRects())
        EXPECT_GT(darkPixels(shot, link.adjusted(15, 0, 0, 0)), 0);
}

TEST_F(SignedInSurface, WithoutTabsTheHeaderIsNotPainted) {
    m_surface.setHasTabs(false);
    const QImage shot = paint(m_surface);
    EXPECT_EQ(darkPixels(shot, QRect(37, 50, 100, 14)), 0);
    for (const QRect& link : m_surface.linkRects())
        EXPECT_TRUE(link.isEmpty());
}

TEST_F(SignedInSurface, EachLinkArmsUnderThePointerAndPostsItsCommand) {
    m_surface.show();
    const auto links = m_surface.linkRects();
    ASSERT_EQ(links[0].left(), 40);
    for (std::size_t i = 0; i < links.size(); ++i) {
        QTest::mouseMove(&m_surface, links[i].center());
        EXPECT_EQ(m_surface.armedLink(), static_cast<int>(i));
        EXPECT_EQ(m_surface.cursor().shape(), Qt::PointingHandCursor);
        EXPECT_EQ(m_surface.toolTip(), QStringLiteral("tip %1").arg(i + 1));
        QTest::mouseClick(&m_surface, Qt::LeftButton, {}, links[i].center());
    }
    QTest::mouseMove(&m_surface, QPoint(150, 200));
    EXPECT_EQ(m_surface.armedLink(), -1);
    EXPECT_EQ(m_surface.cursor().shape(), Qt::ArrowCursor);
    QTest::mouseClick(&m_surface, Qt::LeftButton, {}, QPoint(150, 200));
    EXPECT_EQ(m_posted, (std::vector<int>{32779, 32783, 32782}));
}

TEST_F(SignedInSurface, ALinksTipShowsOnlyOverTheLink) {
    m_surface.show();
    const QPoint onLink = m_surface.linkRects()[1].center();
    const auto askTip = [this](QPoint at) {
        QHelpEvent help(QEvent::ToolTip, at, m_surface.mapToGlobal(at));
        QApplication::sendEvent(&m_surface, &help);
    };
    QTest::mouseMove(&m_surface, onLink);
    askTip(onLink);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("tip 2"));
    // The pointer went straight on into a page, which passes up the request it does not answer.
    askTip(QPoint(150, 200));
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
}

TEST_F(SignedInSurface, ATabAnswersTheTipRequestOverItAndTheHeaderHidesItElsewhere) {
    TabStrip strip(&m_skin, &m_surface);
    strip.setTabs({{{}, QStringLiteral("My Buddy List")}, {{}, QStringLiteral("News")}});
    strip.layoutStrip(m_surface.size());
    m_surface.show();
    const QPoint onTab = strip.tabRect(1).center() - QPoint(0, TabStrip::kTop);
    QTest::mouseMove(&strip, onTab);
    QHelpEvent overTab(QEvent::ToolTip, onTab, strip.mapToGlobal(onTab));
    QApplication::sendEvent(&strip, &overTab);
    // A request the strip left unanswered would go up to the header, which hides the tip.
    EXPECT_TRUE(overTab.isAccepted());
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QStringLiteral("News"));
    const QPoint header(150, 30);
    QHelpEvent overHeader(QEvent::ToolTip, header, m_surface.mapToGlobal(header));
    QApplication::sendEvent(&m_surface, &overHeader);
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
}

TEST_F(SignedInSurface, LinkArmedBeforeTheSendPanelOpenedNoLongerActs) {
    m_surface.show();
    const QPoint onLink = m_surface.linkRects()[0].center();
    QTest::mouseMove(&m_surface, onLink);
    m_surface.setSending(true);
    QTest::mouseClick(&m_surface, Qt::LeftButton, {}, onLink);
    EXPECT_TRUE(m_posted.empty());
}

} // namespace
} // namespace textowl
