// Signs in to the stand-in service on loopback, as the Sign In command does, and prints how long
// the window takes from the command to the full interface: the buddy tree, three web tabs in the
// browser engine, three buttons with their icons and the footer, after the 100 ms wait the
// sign-in keeps before its load. Signs out between rounds.
//
//   textowl_sign_in_time [--rounds N]     (needs a display for the engine: xvfb-run -a)
#include "app/composition.h"
#include "app/page_host.h"
#include "app/qt_prompts.h"
#include "app/session_controller.h"
#include "app/session_host.h"
#include "balance_load.h"
#include "base/command_ids.h"
#include "session/session.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using namespace textowl;

// The real dialogs, except that the sign-in is answered at once and failures are printed.
class BenchPrompts : public QtPrompts {
public:
    std::optional<Credentials> signIn(QWidget*, const SignInTexts&) override {
        return Credentials{QStringLiteral("bench"), QStringLiteral("bench")};
    }
    void message(QWidget*, const QString& text, const QString&, Icon) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        failed = true;
    }
    bool failed = false;
};

bool fullInterface(const SessionHost& host) {
    const PageHost& pages = host.pages();
    return host.session().signedIn() && pages.tabCount() == 4 && pages.footerView() != nullptr &&
           pages.interfaceButton(kCmdInterfaceButtonFirst + 2) != nullptr;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = std::stoi(bench::optionValue(argc, argv, "--rounds").value_or("5"));
    // The service first, before Qt starts any thread of its own.
    bench::LoadTarget target(server::ServiceConfig{});
    if (!target.ready())
        return 1;
    QApplication app(argc, argv);
    QTemporaryDir preferences;
    ApplicationOptions options;
    options.settings = std::make_shared<QSettings>(preferences.filePath(QStringLiteral("p.ini")),
                                                   QSettings::IniFormat);
    auto prompts = std::make_unique<BenchPrompts>();
    BenchPrompts& answers = *prompts;
    options.prompts = std::move(prompts);
    options.serviceEndpoint = target.endpoint();
    Application application = composeApplication(std::move(options), false);
    application.window->show();
    SessionHost& host = *application.session;

    std::vector<double> times;
    for (int round = 0; round < rounds && !answers.failed; ++round) {
        const auto start = bench::Clock::now();
        application.router->runCommand(kCmdSignInOut);
        while (!answers.failed &&
               (host.controller().signInStage() != SessionController::SignInStage::Idle ||
                !host.session().signedIn()))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const std::chrono::duration<double, std::milli> took = bench::Clock::now() - start;
        if (!fullInterface(host)) {
            std::fprintf(stderr, "round %d: the interface is not complete\n", round + 1);
            return 1;
        }
        times.push_back(took.count());
        std::printf("round %d: %.1f ms\n", round + 1, took.count());
        application.router->runCommand(kCmdSignInOut);
        while (host.session().callPending())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (times.empty())
        return 1;
    std::sort(times.begin(), times.end());
    std::printf(
        "sign-in to the full interface: median %.1f ms, best %.1f, worst %.1f (%zu rounds)\n",
        times[times.size() / 2], times.front(), times.back(), times.size());
    return 0;
}
