#include "app/composition.h"

#include "app/engine_web_view.h"
#include "app/exit_path.h"
#include "app/qt_prompts.h"
#include "app/tray_controller.h"
#include "base/command_ids.h"
#include "service/service_proxy.h"
#include "session/service_calls.h"
#include "session/session.h"
#include "texts/string_catalogue.h"
#include "ui/qt_text.h"

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
    // The tray keeps the texts of the language of start-up; the window, as it is built, moves to
    // the remembered language.
    const std::shared_ptr<StringCatalogue> catalogue = StringCatalogue::obtain();
    const TrayIcon::Texts trayTexts{qs(catalogue->applicationName()),
                                    localised(*catalogue, Text::TrayRestore),
                                    localised(*catalogue, Text::TrayExit)};

    Application app;
    app.window = std::make_unique<MainWindow>(std::move(options));
    MainWindow& window = *app.window;
    app.tray = new TrayController(
        window, trayTexts, trayAvailable.value_or(TrayIcon::isAvailable()),
        [&window](int id) { window.runCommand(id); }, &window);
    window.setTray(*app.tray);
    routeTrayCommands(window, *app.tray);

    app.exitPath = new ExitPath(window, *app.tray, &window);
    window.setCommandHandler(kCmdExit, [exit = app.exitPath] { exit->exitProgram(); });
    // Without a notification area there is no tray menu, so File offers Exit.
    if (!app.tray->available()) {
        window.mainMenu().addExitItem(trayTexts.exit);
        window.mainMenu().applyEnabling(window.commandState());
    }
    return app;
}

} // namespace textowl
