// The tests that run the real browser engine: a page of the service, served on loopback, loads
// into the view the application makes, and the window keeps its native window as the pages come
// and go. They need an X server (ctest runs them under xvfb-run).
#include "app/command_router.h"
#include "app/composition.h"
#include "app/engine_web_view.h"
#include "base/command_ids.h"
#include "support/qt/scripted_prompts.h"
#include "support/service_process.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace textowl {
namespace {

bool haveDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY");
}

TEST(EngineWebView, LoadsAPageServedByTheService) {
    if (!haveDisplay())
        GTEST_SKIP()
            << "no X server: the browser engine needs one (ctest runs this under xvfb-run)";
    test::TempDir dir;
    const auto service =
        test::ServiceProcess::serve(PAGEWRIGHT_SERVICE_EXE, dir.file("service.db").string());
    ASSERT_TRUE(service->ready()) << service->stderrAll();
    const QUrl base(QString::fromStdString(service->endpoint()));

    EngineWebView view;
    ASSERT_NE(view.engine(), nullptr) << "the browser engine's module did not load";
    view.resize(640, 480);
    view.show();
    // A public page, and a ticketed one, which comes with no-store, no-referrer and nosniff.
    for (const auto& [path, expected] :
         {std::pair{QStringLiteral("terms"), QStringLiteral("Terms of use")},
          std::pair{QStringLiteral("buttons/account?ticket=ended"),
                    QStringLiteral("Signed out")}}) {
        const QUrl page = base.resolved(QUrl(path));
        ASSERT_TRUE(view.navigate(page));
        // The title arrives with the document.
        const auto title = [&view] { return view.engine()->property("title").toString(); };
        EXPECT_TRUE(QTest::qWaitFor([&] { return title() == expected; }, 30000))
            << "title: " << title().toStdString();
        EXPECT_EQ(view.address(), page);
    }
    // The engine asks in the language chosen in the client, and the service answers in it.
    EngineWebView::setLanguages({QStringLiteral("sv-SE"), QStringLiteral("sv")});
    ASSERT_TRUE(view.navigate(base.resolved(QUrl(QStringLiteral("tabs/news")))));
    EXPECT_TRUE(QTest::qWaitFor(
        [&view] {
            return view.engine()->property("title").toString() == QStringLiteral("Nyheter");
        },
        30000));
    EngineWebView::setLanguages({QStringLiteral("en-US"), QStringLiteral("en")});
}

// What taskbars, screen readers and the user's window rules follow is the native window: it stays
// one and the same while the engine's pages arrive at sign-in and go at sign-out.
TEST(EngineWebView, TheWindowKeepsItsNativeWindowAcrossSignInAndOut) {
    if (!haveDisplay())
        GTEST_SKIP() << "no X server";
    test::TempDir dir;
    const auto service = test::ServiceProcess::serve(PAGEWRIGHT_SERVICE_EXE,
                                                     dir.file("service.db").string(), {"--demo"});
    ASSERT_TRUE(service->ready()) << service->stderrAll();
    ApplicationOptions options;
    options.settings = std::make_shared<QSettings>(
        QString::fromStdString(dir.file("prefs.ini").string()), QSettings::IniFormat);
    auto prompts = std::make_unique<testing::ScriptedPrompts>();
    testing::ScriptedPrompts& script = *prompts;
    options.prompts = std::move(prompts);
    options.serviceEndpoint = service->endpoint();
    const Application app = composeApplication(std::move(options), false);
    MainWindow& window = *app.window;
    window.show();
    const WId before = window.winId();

    // Signed in, with the footer's page loaded (the service titles it "Pagewright").
    const auto signInAndLoad = [&] {
        script.credentials.push_back(
            Prompts::Credentials{QStringLiteral("demo"), QStringLiteral("demo")});
        app.router->runCommand(kCmdSignInOut);
        return QTest::qWaitFor(
            [&] {
                for (const EngineWebView* view : window.findChildren<EngineWebView*>()) {
                    if (view->engine() != nullptr && view->engine()->property("title").toString() ==
                                                         QStringLiteral("Pagewright"))
                        return true;
                }
                return false;
            },
            30000);
    };
    ASSERT_TRUE(signInAndLoad());
    EXPECT_EQ(window.winId(), before);
    app.router->runCommand(kCmdSignInOut);
    ASSERT_FALSE(window.commandState().signedIn);
    ASSERT_TRUE(signInAndLoad());
    EXPECT_EQ(window.winId(), before);
}

} // namespace
} // namespace textowl

int main(int argc, char** argv) {
    if (!textowl::haveDisplay())
        qputenv("QT_QPA_PLATFORM", "offscreen"); // only to reach the skip
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
#if defined(__SANITIZE_ADDRESS__)
    // The GL driver goes with the display connection, and what it keeps could not be told apart
    // from a leak of ours once it is unloaded; so leaks are looked for while it is still there.
    __lsan_do_leak_check();
#endif
    return result;
}
