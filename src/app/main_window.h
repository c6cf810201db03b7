#pragma once

#include "app/main_menu.h"
#include "app/menu_tables.h"
#include "app/preferences.h"
#include "app/window_state.h"
#include "buddylist/tree_rules.h"
#include "texts/string_catalogue.h"
#include "ui/prompts.h"
#include "ui/skin.h"

#include <QMainWindow>
#include <QPoint>
#include <QString>
#include <functional>
#include <memory>

class QPushButton;
class QSettings;

namespace textowl {

class CommandRouter;
class FramelessWindow;
class KeyEventFilter;
class MainSurface;
class QtLanguage;
class Session;
class SessionDisplay;
class TrayController;

// The program's one window: the frame, the menus, the skin, the texts and the language. It holds
// the string catalogue, the preferences and the prompts, shows the session's state and sends
// every command to the router. composeApplication builds it, with the session beside it.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // What the window is given.
    struct Options {
        // Where the preferences live.
        std::shared_ptr<QSettings> settings;
        // The modal prompts.
        std::unique_ptr<Prompts> prompts;
    };

    static constexpr int kWidth = 300;
    static constexpr int kHeight = 506;

    MainWindow(Options options, CommandRouter& router, Session& session);
    ~MainWindow() override;

    // Starts showing the session's state; after the session's own parts follow it, so that the
    // view changes once they have.
    void followSession();
    // Whether the buddy list's tab is the one shown; its pop-ups open only there.
    void setBuddyListShown(std::function<bool()> shown) { m_buddyListShown = std::move(shown); }

    // Where closing and minimising the window go from now on.
    void setTray(TrayController& tray) { m_tray = &tray; }

    // What decides the view, the enabled commands and the keys: the session's stage, its pending
    // calls and the buddy tree's edit flags.
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
    void rememberContactFolder(const QString& folder);
    const Skin& skin() const { return m_skin; }
    FramelessWindow& frame() const { return *m_frame; }

signals:
    // A new skin is in place; whatever paints with its pieces or colours repaints.
    void skinChanged();
    // The language changed; whatever shows texts shows them anew.
    void textsChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void createButtons();
    void installHandlers();
    void centreInWorkArea();
    void switchLanguage(int index);
    void showServicePage(const char* urlKey);
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
    CommandRouter& m_router;
    Session& m_session;
    std::function<bool()> m_buddyListShown;
    SessionDisplay* m_display = nullptr;
};

} // namespace textowl
