// Notices through the desktop's real notification service: dunst on a private session bus,
// under the X server ctest starts for this test.
#include "ui/desktop_notices.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace textowl {
namespace {

TEST(DesktopNotices, ANoticeReachesTheNotificationServiceOnTheSessionBus) {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ||
        qEnvironmentVariableIsEmpty("DISPLAY"))
        GTEST_SKIP() << "needs a session bus and an X server (dbus-run-session, xvfb-run)";
    QProcess dunst;
    dunst.start(QStringLiteral("dunst"), {});
    ASSERT_TRUE(dunst.waitForStarted()) << "dunst is not installed";
    DesktopNotices notices;
    ASSERT_TRUE(QTest::qWaitFor([&] { return notices.available(); }, 20000));
    QSignalSpy shown(&notices, &DesktopNotices::shown);
    // Text that a service reading markup must show as written.
    ASSERT_TRUE(notices.show(QStringLiteral("Message not delivered"),
                             QStringLiteral("Your message to <Ann & Bo> was not delivered."),
                             DesktopNotices::Urgency::Critical));
    ASSERT_TRUE(shown.wait(20000));
    EXPECT_GT(shown.at(0).at(0).toUInt(), 0u);
    dunst.terminate();
    dunst.waitForFinished();
}

} // namespace
} // namespace textowl
