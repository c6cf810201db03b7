#include "app/composition.h"

#include "app/buddy_tree_wiring.h"
#include "app/command_router.h"
#include "app/contact_commands.h"
#include "app/delivery_poller.h"
#include "app/engine_web_view.h"
#include "app/exit_path.h"
#include "app/page_host.h"
#include "app/qt_prompts.h"
#include "app/session_controller.h"
#include "app/session_host.h"
#include "app/tray_controller.h"
#include "base/clock.h"
#include "base/command_ids.h"
#include "buddylist/buddy_tree.h"
#include "service/service_proxy.h"
#include "session/service_calls.h"
#include "session/session.h"
#include "ui/desktop_notices.h"
#include "ui/main_surface.h"

#include <QLocale>
#include <QSettings>
#include <utility>

namespace textowl {

namespace {

void fillInRealParts(ApplicationOptions& options) {
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
    if (options.serviceEndpoint.empty())
        options.serviceEndpoint = serviceEndpoint();
}

void routeTrayCommands(CommandRouter& router, TrayController& tray) {
    for (const int id : {kCmdCancel, kCmdMinimise, kCmdClose})
        router.setCommandHandler(id, [&tray] { tray.handle(TrayEvent::Minimise); });
    router.setCommandHandler(kCmdRestore, [&tray] { tray.handle(TrayEvent::RestoreCommand); });
}

// The service's pages are asked for in the language chosen in the client, which the window has
// made the default locale: from start-up, and anew at each change, before the pages reload.
void followLanguage(MainWindow& window, WebViewFactory& webViews) {
    const auto apply = [&webViews] { webViews.setLanguages(QLocale().uiLanguages()); };
    apply();
    QObject::connect(&window, &MainWindow::textsChanged, &window, apply);
}

// The session's pages and commands go into the window; the window follows the session after
// them, so that its view changes once they have.
void showSessionIn(MainWindow& window, SessionHost& host, CommandRouter& router,
                   const QSettings& settings) {
    host.showIn({*window.surface(),
                 window.skin(),
                 window.prompts(),
                 window.catalogue(),
                 window,
                 {[&window] { return window.preferences().importRegion; },
                  [&window](const QString& region) { window.rememberImportRegion(region); },
                  [&window] { return window.preferences().contactFolder; },
                  [&window](const QString& folder) { window.rememberContactFolder(folder); }}},
                router);
    PageHost& pages = host.pages();
    QObject::connect(&window, &MainWindow::skinChanged, &pages, &PageHost::applySkin);
    QObject::connect(&window, &MainWindow::textsChanged, &pages, &PageHost::applyTexts);
    QObject::connect(&window, &MainWindow::textsChanged, &pages, &PageHost::reloadPages);
    window.setBuddyListShown([&pages] { return pages.currentTab() == 0; });
    // Delivered messages are announced only for those who ask for it.
    host.controller().deliveryPoller().setAnnounceDelivered(
        settings.value(QStringLiteral("Preferences/announceDelivered"), false).toBool());
    window.followSession();
    QObject::connect(&host.controller(), &SessionController::buddyTreeBuilt, &window,
                     [&router, &host, &window](BuddyTree* tree) {
                         attachBuddyTree(router, host.context(), buddyTreeWindowOf(window), *tree);
                     });
    installContactCommands(router, host.context(), pages);
}

} // namespace

BuddyTreeWindow buddyTreeWindowOf(MainWindow& window) {
    return {*window.surface(),
            [&window](LineKind kind, QPoint globalPos) { window.showContextMenu(kind, globalPos); },
            [&window](EditFlags flags) { window.setEditFlags(flags); }};
}

Application::Application() = default;
Application::Application(Application&&) noexcept = default;
Application& Application::operator=(Application&& other) noexcept {
    if (this != &other) {
        // The parts held so far end here, in the destructor's order, before the new ones move in.
        Application gone(std::move(*this));
        router = std::move(other.router);
        window = std::move(other.window);
        session = std::move(other.session);
        tray = std::exchange(other.tray, nullptr);
        exitPath = std::exchange(other.exitPath, nullptr);
    }
    return *this;
}
Application::~Application() = default;

Application composeApplication(ApplicationOptions options, std::optional<bool> trayAvailable) {
    fillInRealParts(options);
    const std::shared_ptr<WebViewFactory> webViews = options.webViews;
    Application app;
    app.session = std::make_unique<SessionHost>(
        std::make_unique<ServiceProxy>(options.serviceEndpoint), options.webViews, *options.clock);
    SessionHost& host = *app.session;
    app.router = std::make_unique<CommandRouter>();
    CommandRouter& router = *app.router;
    const std::shared_ptr<QSettings> settings = options.settings;
    app.window = std::make_unique<MainWindow>(
        MainWindow::Options{std::move(options.settings), std::move(options.prompts)}, router,
        host.session());
    MainWindow& window = *app.window;
    router.setWindowState([&window] { return window.commandState(); });
    followLanguage(window, *webViews);
    showSessionIn(window, host, router, *settings);
    // After the window, which moves to the remembered language as it is built; the tip keeps the
    // application name of start-up.
    const TrayIcon::Texts texts = trayTexts(window.catalogue());
    app.tray = new TrayController(
        window, texts, trayAvailable.value_or(TrayIcon::isAvailable()),
        [&router](int id) { router.runCommand(id); }, &window);
    window.setTray(*app.tray);
    // The notices of how sent messages fared go where the desktop shows notices; the tray's own
    // balloon where it has none, and the poller's message box where there is no tray either.
    auto* notices = new DesktopNotices(&window);
    host.controller().deliveryPoller().setNotifier(
        [notices, tray = app.tray](const QString& title, const QString& text, bool failure) {
            const auto urgency =
                failure ? DesktopNotices::Urgency::Critical : DesktopNotices::Urgency::Normal;
            return notices->show(title, text, urgency) || tray->showNotice(title, text);
        });
    routeTrayCommands(router, *app.tray);

    app.exitPath = new ExitPath(window, host, *app.tray, &window);
    router.setCommandHandler(kCmdExit, [exit = app.exitPath] { exit->exitProgram(); });
    // Without a notification area there is no tray menu, so File offers Exit.
    if (!app.tray->available()) {
        window.mainMenu().addExitItem(texts.exit);
        window.mainMenu().applyEnabling(window.commandState());
    }
    return app;
}

} // namespace textowl
