// Signs in to the stand-in service on loopback, as the Sign In command does, and prints how long
// the window takes to the full interface: the buddy tree, three web tabs in the browser engine,
// three buttons with their icons and the footer, after the 100 ms wait the sign-in keeps before
// its load. Timed from the command, and from the accepted sign-in (the ticket in hand). Signs
// out between rounds.
//
//   textowl_sign_in_time [--rounds N]     (needs a display for the engine: xvfb-run -a)
#include "app/command_router.h"
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

    bench::Clock::time_point accepted;
    QObject::connect(&host.controller(), &SessionController::signInStageChanged,
                     [&accepted](SessionController::SignInStage stage) {
                         if (stage == SessionController::SignInStage::Waiting)
                             accepted = bench::Clock::now();
                     });
    std::vector<double> fromCommand;
    std::vector<double> fromTicket;
    for (int round = 0; round < rounds && !answers.failed; ++round) {
        const auto start = bench::Clock::now();
        application.router->runCommand(kCmdSignInOut);
        while (!answers.failed &&
               (host.controller().signInStage() != SessionController::SignInStage::Idle ||
                !host.session().signedIn()))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const auto end = bench::Clock::now();
        if (!fullInterface(host)) {
            std::fprintf(stderr, "round %d: the interface is not complete\n", round + 1);
            return 1;
        }
        fromCommand.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        fromTicket.push_back(std::chrono::duration<double, std::milli>(end - accepted).count());
        std::printf("round %d: %.1f ms from the command, %.1f ms from the accepted sign-in\n",
                    round + 1, fromCommand.back(), fromTicket.back());
        application.router->runCommand(kCmdSignInOut);
        while (host.session().callPending())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (fromCommand.empty())
        return 1;
    for (auto* times : {&fromCommand, &fromTicket}) {
        std::sort(times->begin(), times->end());
        std::printf("full interface %s: median %.1f ms, best %.1f, worst %.1f (%zu rounds)\n",
                    times == &fromCommand ? "from the command" : "from the accepted sign-in",
                    (*times)[times->size() / 2], times->front(), times->back(), times->size());
    }
    return 0;
}
