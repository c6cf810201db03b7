#include "base/command_ids.h"
#include "ui/frameless_window.h"
#include "ui/image_button.h"
#include "ui/main_surface.h"
#include "ui/skin_layout.h"
#include "ui/tray_icon.h"
#include "window_fixture.h"

#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace textowl::testing {
namespace {

class WindowShapeTest : public WindowTest {
protected:
    // A skin whose background pixel is white and whose header band is dark.
    QString saveWhiteSkin() {
        QImage skin(150, 125, QImage::Format_RGB32);
        skin.fill(qRgb(20, 30, 40));
        skin.setPixel(50, 20, qRgb(255, 255, 255));
        const QString path = m_dir.filePath(QStringLiteral("white.bmp"));
        EXPECT_TRUE(skin.save(path, "BMP"));
        return path;
    }

    static QRgb pagePixel(MainWindow& w) { return w.surface()->grab().toImage().pixel(150, 300); }
};

TEST_F(WindowShapeTest, ChosenSkinRepaintsTheClientAreaAndSurvivesARestart) {
    MainWindow& w = open();
    w.show();
    const QString path = saveWhiteSkin();
    QSignalSpy changed(&w, &MainWindow::skinChanged);

    router().runCommand(kCmdChooseSkin); // cancelled: nothing changes
    EXPECT_EQ(changed.count(), 0);
    EXPECT_NE(pagePixel(w), qRgb(255, 255, 255));

    m_prompts->files.push_back(path);
    router().runCommand(kCmdChooseSkin);
    const auto asked = m_prompts->askedOf(ScriptedPrompts::Kind::File);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].caption, QStringLiteral("Select Textowl Skin"));
    EXPECT_EQ(asked[1].text, QDir::current().filePath(QStringLiteral("skins")));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(pagePixel(w), qRgb(255, 255, 255));
    EXPECT_EQ(settings()->value(QStringLiteral("Preferences/skin")).toString(), path);

    m_application = {};
    MainWindow& again = open();
    EXPECT_EQ(again.skin().path(), path);
    EXPECT_EQ(pagePixel(again), qRgb(255, 255, 255));
}

TEST_F(WindowShapeTest, ToggleMakesTheWindowFramelessAndBringsTheFrameBack) {
    MainWindow& w = open();
    w.show();
    FramelessWindow& frame = w.frame();
    EXPECT_EQ(frame.toggleButton()->geometry(),
              QRect(kFrameToggleRect.x, kFrameToggleRect.y, kFrameToggleRect.width,
                    kFrameToggleRect.height));
    EXPECT_EQ(frame.toggleButton()->toolTip(), QStringLiteral("Hide window frame"));

    QTest::mouseClick(frame.toggleButton(), Qt::LeftButton);
    QCoreApplication::processEvents();
    ASSERT_TRUE(frame.isFrameless());
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(w.isVisible());
    const QRect client(w.surface()->mapTo(&w, QPoint(0, 0)), w.surface()->size());
    EXPECT_EQ(w.mask().boundingRect(), client);
    EXPECT_FALSE(w.mask().contains(client.topLeft()));
    EXPECT_TRUE(w.mask().contains(client.topLeft() + QPoint(4, 1)));
    EXPECT_FALSE(w.mask().contains(QPoint(client.x() + 4, client.y() - 1))); // the menu bar
    EXPECT_TRUE(frame.captionStrip()->isVisible());
    EXPECT_EQ(frame.captionStrip()->pos(),
              QPoint(w.surface()->width() - kCaptionStripOffset.x, kCaptionStripOffset.y));
    EXPECT_EQ(frame.toggleButton()->toolTip(), QStringLiteral("Show window frame"));

    router().runCommand(kCmdToggleFrame);
    EXPECT_FALSE(frame.isFrameless());
    EXPECT_FALSE(w.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(w.mask().isEmpty());
    EXPECT_FALSE(frame.captionStrip()->isVisible());
    EXPECT_EQ(frame.toggleButton()->toolTip(), QStringLiteral("Hide window frame"));
}

TEST_F(WindowShapeTest, FramelessWindowIsDraggedByItsBackgroundButNotByItsButtons) {
    MainWindow& w = open();
    w.show();
    w.frame().setFrameless(true);
    const QPoint start = w.pos();
    QTest::mousePress(w.surface(), Qt::LeftButton, {}, QPoint(150, 300));
    QTest::mouseMove(w.surface(), QPoint(170, 330));
    QTest::mouseRelease(w.surface(), Qt::LeftButton, {}, QPoint(170, 330));
    EXPECT_EQ(w.pos(), start + QPoint(20, 30));

    QTest::mouseClick(w.signInButton(), Qt::LeftButton); // a control keeps its press
    EXPECT_EQ(w.pos(), start + QPoint(20, 30));
    EXPECT_EQ(m_prompts->askedOf(ScriptedPrompts::Kind::SignIn).size(), 1u);
}

TEST_F(WindowShapeTest, CaptionStripMaximisesFramedAndClosesToTheTray) {
    MainWindow& w = open(true);
    w.show();
    w.frame().setFrameless(true);
    const auto buttons = w.frame().captionStrip()->findChildren<ImageButton*>();
    ASSERT_EQ(buttons.size(), 3);
    EXPECT_EQ(buttons[1]->toolTip(), QStringLiteral("Maximize"));

    QTest::mouseClick(buttons[1], Qt::LeftButton);
    EXPECT_FALSE(w.frame().isFrameless());
    EXPECT_TRUE(w.isMaximized());

    w.showNormal();
    w.frame().setFrameless(true);
    QTest::mouseClick(buttons[2], Qt::LeftButton);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(tray().state(), TrayWindowState::InTray);
}

TEST_F(WindowShapeTest, TraySingleClickRestoresOnlyWhereNoDoubleClickWasEverReported) {
    MainWindow& w = open(true);
    w.show();
    router().runCommand(kCmdMinimise);
    tray().icon().handleActivation(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(w.isVisible()) << "a double click may still follow";
    EXPECT_TRUE(QTest::qWaitFor([&w] { return w.isVisible(); }));

    router().runCommand(kCmdMinimise);
    tray().icon().handleActivation(QSystemTrayIcon::DoubleClick);
    ASSERT_TRUE(w.isVisible());
    router().runCommand(kCmdMinimise);
    tray().icon().handleActivation(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(tray().icon().isClickPending());
    QApplication::processEvents();
    EXPECT_FALSE(w.isVisible());
}

} // namespace
} // namespace textowl::testing
