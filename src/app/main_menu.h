#pragma once

#include "app/menu_tables.h"
#include "app/window_state.h"
#include "texts/string_catalogue.h"

#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;

namespace textowl {

// The main menu bar: File, Contacts, Preferences (with the Language submenu) and Help. Every item
// sends its command id to the sink; enabling is refreshed from the window state before any of
// the menus opens.
class MainMenu : public QObject {
    Q_OBJECT
public:
    MainMenu(QMenuBar* bar, std::function<void(int)> sink, std::function<WindowState()> state,
             QObject* parent = nullptr);

    void applyTexts(const StringCatalogue& catalogue, bool signedIn,
                    const QString& languagePreference);
    void applyEnabling(const WindowState& state);
    // Only where the window cannot hide to a notification area: the one way left to end it.
    void addExitItem(const QString& text);

    QAction* action(int id) const;
    QMenuBar* bar() const { return m_bar; }
    QMenu* titleMenu(int position) const;
    // Null while the strings file lists no language.
    QMenu* languageMenu() const;

private:
    QAction* addItem(QMenu* menu, int id, const QString& text);
    void rebuildLanguages(const StringCatalogue& catalogue, const QString& languagePreference);

    QMenuBar* m_bar;
    std::function<void(int)> m_sink;
    std::function<WindowState()> m_state;
    std::vector<QMenu*> m_titles;
    QMenu* m_languages = nullptr;
    QAction* m_languageSeparator = nullptr;
    std::map<int, QAction*> m_actions;
    std::vector<QAction*> m_languageActions;
};

// One of the buddy tree's pop-up menus, localised and enabled for the current state, not shown.
std::unique_ptr<QMenu> buildPopupMenu(PopupMenu id, const StringCatalogue& catalogue,
                                      const WindowState& state, std::function<void(int)> sink);

} // namespace textowl
