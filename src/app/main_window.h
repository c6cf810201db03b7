#pragma once

#include "app/main_menu.h"
#include "app/menu_tables.h"
#include "app/preferences.h"
#include "app/session_context.h"
#include "app/window_state.h"
#include "base/clock.h"
#include "buddylist/tree_rules.h"
#include "session/service_calls.h"
#include "session/session.h"
#include "texts/string_catalogue.h"
#include "ui/prompts.h"
#include "ui/skin.h"

#include <QMainWindow>
#include <QPoint>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

class QPushButton;
class QSettings;

namespace textowl {

class FramelessWindow;
class KeyEventFilter;
class MainSurface;
class PageHost;
class QtLanguage;
class ServiceCalls;
class ServiceProxy;
class SessionController;
class SessionDisplay;
class TrayController;
class WebViewFactory;

// The program's one window. It holds the string catalogue, the preferences, the window state and
// the prompts, and routes every command id to the object that carries it out. composeApplication
// builds it, with the tray and the exit path beside it.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // What the window is given; composeApplication fills in the real parts left empty.
    struct Options {
        // Where the preferences live.
        std::shared_ptr<QSettings> settings;
        // The modal prompts.
        std::unique_ptr<Prompts> prompts;
        // The service address; empty for the usual one (TEXTOWL_SERVICE_URL or the built-in).
        std::string serviceEndpoint;
        // The time send stamps and schedules are read from.
        const Clock* clock = nullptr;
        // Makes the service's web pages.
        std::shared_ptr<WebViewFactory> webViews;
        // The service calls, for the address above, and the session they serve.
        std::unique_ptr<ServiceCalls> calls;
        std::unique_ptr<Session> session;
    };

    static constexpr int kWidth = 300;
    static constexpr int kHeight = 506;

    explicit MainWindow(Options options);
    ~MainWindow() override;

    // Every menu item, button, link, key and tray choice ends here.
    void runCommand(int id);
    // Runs the command after the current event, as a posted message would.
    void postCommand(int id);
    // Lets a subsystem take over a command; until then commands of unbuilt features do nothing.
    void setCommandHandler(int id, std::function<void()> handler);

    // Message 2025: the send panel hands the page back to the buddy tree, with a fresh balance.
    void returnToBuddyList();

    // Where closing and minimising the window go from now on.
    // The tray also carries the notices of how sent messages fared.
    void setTray(TrayController& tray);

    // What decides the view, the enabled commands and the keys: the session's stage and the
    // buddy tree's edit flags.
    WindowState commandState() const;
    void setEditFlags(EditFlags flags);

    // Shows the buddy tree's pop-up for the selected line's kind (nothing while signed out).
    void showContextMenu(LineKind selected, QPoint globalPos);
    std::unique_ptr<QMenu> contextMenuFor(LineKind selected);

    void applyMenuTexts();
    // The window's own texts, the tray menu's and the toolkit's.
    void applyWindowTexts();

    // A skin the user chose: applied, remembered as the preference, and announced.
    void applySkin(const QString& path);

    StringCatalogue& catalogue() const { return *m_catalogue; }
    Prompts& prompts() const { return *m_prompts; }
    MainMenu& mainMenu() const { return *m_menu; }
    MainSurface* surface() const { return m_surface; }
    QPushButton* signInButton() const { return m_signIn; }
    QPushButton* registerButton() const { return m_register; }
    const Preferences& preferences() const { return m_preferences; }
    void rememberImportRegion(const QString& region);
    const Skin& skin() const { return m_skin; }
    FramelessWindow& frame() const { return *m_frame; }
    ServiceCalls& serviceCalls() const { return *m_calls; }
    ServiceProxy& serviceProxy() const;
    const Clock& clock() const { return *m_clock; }
    Session& session() const { return *m_session; }
    SessionController& sessionController() const { return *m_controller; }
    // What the session's commands work with.
    const SessionContext& sessionContext() const { return *m_context; }
    PageHost& pages() const { return *m_pages; }

signals:
    // A new skin is in place; whatever paints with its pieces or colours repaints.
    void skinChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void createButtons();
    void installHandlers();
    void centreInWorkArea();
    void switchLanguage(int index);
    void showServicePage(const char* urlKey);
    void showPageInFirstWebTab(const char* urlKey);
    void followSession();
    void applyCommandState();
    void savePreferences();
    QString text(Text id) const;

    std::shared_ptr<StringCatalogue> m_catalogue;
    std::unique_ptr<QtLanguage> m_qtLanguage;
    std::shared_ptr<QSettings> m_settings;
    std::unique_ptr<Prompts> m_prompts;
    Preferences m_preferences;
    EditFlags m_editFlags;
    Skin m_skin;
    MainMenu* m_menu = nullptr;
    MainSurface* m_surface = nullptr;
    FramelessWindow* m_frame = nullptr;
    QPushButton* m_signIn = nullptr;
    QPushButton* m_register = nullptr;
    TrayController* m_tray = nullptr;
    KeyEventFilter* m_keyFilter = nullptr;
    std::unordered_map<int, std::function<void()>> m_handlers;
    std::unique_ptr<ServiceCalls> m_calls;
    // Before the pages and the controller: the views they hold show its list.
    std::unique_ptr<Session> m_session;
    std::optional<SessionContext> m_context;
    const Clock* m_clock = nullptr;
    std::shared_ptr<WebViewFactory> m_webViews;
    // Before the session, which hands it the pages and takes them back as it ends.
    std::unique_ptr<PageHost> m_pages;
    // After the calls it makes, so that it ends first, while the surface and the proxy still exist.
    std::unique_ptr<SessionController> m_controller;
    SessionDisplay* m_display = nullptr;
};

} // namespace textowl
