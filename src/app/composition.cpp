#include "app/composition.h"

#include "app/engine_web_view.h"
#include "app/exit_path.h"
#include "app/qt_prompts.h"
#include "app/tray_controller.h"
#include "base/command_ids.h"
#include "service/service_proxy.h"
#include "session/service_calls.h"
#include "session/session.h"

#include <QSettings>

namespace textowl {

namespace {

void fillInRealParts(MainWindow::Options& options) {
    if (!options.webViews)
        options.webViews = std::make_shared<EngineWebViewFactory>();
    if (!options.prompts) {
        auto prompts = std::make_unique<QtPrompts>();
        prompts->setPageViewFactory(
            [factory = options.webViews](QWidget* parent, const QUrl& address) {
                WebView* view = factory->create(parent);
                if (!address.isEmpty())
                    view->navigate(address);
                return view;
            });
        options.prompts = std::move(prompts);
    }
    if (!options.settings)
        options.settings =
            std::make_shared<QSettings>(QStringLiteral("Varnel"), QStringLiteral("Textowl"));
    if (options.clock == nullptr)
        options.clock = &systemClock();
    if (!options.calls)
        options.calls = std::make_unique<ServiceCalls>(std::make_unique<ServiceProxy>(
            options.serviceEndpoint.empty() ? serviceEndpoint() : options.serviceEndpoint));
    if (!options.session)
        options.session = std::make_unique<Session>();
}

void routeTrayCommands(MainWindow& window, TrayController& tray) {
    for (const int id : {kCmdCancel, kCmdMinimise, kCmdClose})
        window.setCommandHandler(id, [&tray] { tray.handle(TrayEvent::Minimise); });
    window.setCommandHandler(kCmdRestore, [&tray] { tray.handle(TrayEvent::RestoreCommand); });
}

} // namespace

Application composeApplication(MainWindow::Options options, std::optional<bool> trayAvailable) {
    fillInRealParts(options);
    Application app;
    app.window = std::make_unique<MainWindow>(std::move(options));
    MainWindow& window = *app.window;
    // After the window, which moves to the remembered language as it is built; the tip keeps the
    // application name of start-up.
    const TrayIcon::Texts texts = trayTexts(window.catalogue());
    app.tray = new TrayController(
        window, texts, trayAvailable.value_or(TrayIcon::isAvailable()),
        [&window](int id) { window.runCommand(id); }, &window);
    window.setTray(*app.tray);
    routeTrayCommands(window, *app.tray);

    app.exitPath = new ExitPath(window, *app.tray, &window);
    window.setCommandHandler(kCmdExit, [exit = app.exitPath] { exit->exitProgram(); });
    // Without a notification area there is no tray menu, so File offers Exit.
    if (!app.tray->available()) {
        window.mainMenu().addExitItem(texts.exit);
        window.mainMenu().applyEnabling(window.commandState());
    }
    return app;
}

} // namespace textowl
