#include "app/main_menu.h"

#include "app/command_enabling.h"
#include "base/command_ids.h"
#include "ui/qt_text.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace textowl {

namespace {

// The menu as first built, before any text is localised.
struct InitialItem {
    int title; // menu bar position
    int id;    // 0: separator; -1: the Language submenu
    const char* text;
};

constexpr InitialItem kInitialItems[] = {
    {0, kCmdSignInOut, "&Sign in..."},
    {0, 0, nullptr},
    {0, kCmdClose, "&Close"},
    {1, kCmdAddContact, "&Add a Contact..."},
    {1, kCmdEditContact, "&Edit Contact..."},
    {1, 0, nullptr},
    {1, kCmdCut, "Cu&t\tCtrl+X"},
    {1, kCmdCopy, "&Copy\tCtrl+C"},
    {1, kCmdPaste, "&Paste\tCtrl+P"},
    {1, kCmdDelete, "&Delete\tDel"},
    {1, 0, nullptr},
    {1, kCmdAddGroup, "Create a New Group"},
    {1, 0, nullptr},
    {1, kCmdImportContacts, "&Import Contacts..."},
    {1, kCmdExportContacts, "E&xport Contacts..."},
    {2, -1, "Language"},
    {2, 0, nullptr},
    {2, kCmdChooseSkin, "Skins..."},
    {3, kCmdTerms, "&Terms  Conditions"},
    {3, kCmdFaqs, "FAQs"},
    {3, kCmdContactUs, "Contact Us"},
    {3, 0, nullptr},
    {3, kCmdAbout, "&About..."},
};

constexpr const char* kInitialTitles[] = {"&File", "Contacts", "Preferences", "&Help"};

} // namespace

MainMenu::MainMenu(QMenuBar* bar, std::function<void(int)> sink, std::function<WindowState()> state,
                   QObject* parent)
    : QObject(parent), m_bar(bar), m_sink(std::move(sink)), m_state(std::move(state)) {
    for (const char* title : kInitialTitles) {
        QMenu* menu = m_bar->addMenu(QString::fromUtf8(title));
        connect(menu, &QMenu::aboutToShow, this, [this] { applyEnabling(m_state()); });
        m_titles.push_back(menu);
    }
    for (const InitialItem& item : kInitialItems) {
        QMenu* menu = m_titles[static_cast<std::size_t>(item.title)];
        if (item.id == 0) {
            QAction* separator = menu->addSeparator();
            if (item.title == 2 && m_languageSeparator == nullptr)
                m_languageSeparator = separator;
        } else if (item.id == -1) {
            m_languages = menu->addMenu(QString::fromUtf8(item.text));
            connect(m_languages, &QMenu::aboutToShow, this, [this] { applyEnabling(m_state()); });
        } else {
            addItem(menu, item.id, QString::fromUtf8(item.text));
        }
    }
    m_languageActions.push_back(m_languages->addAction(QStringLiteral("English")));
    connect(m_languageActions.back(), &QAction::triggered, this,
            [this] { m_sink(kCmdLanguageFirst); });
}

QAction* MainMenu::addItem(QMenu* menu, int id, const QString& text) {
    QAction* action = menu->addAction(text);
    connect(action, &QAction::triggered, this, [this, id] { m_sink(id); });
    m_actions[id] = action;
    return action;
}

void MainMenu::addExitItem(const QString& text) {
    if (m_actions.count(kCmdExit) != 0)
        return;
    m_titles[0]->addSeparator();
    addItem(m_titles[0], kCmdExit, text);
}

QAction* MainMenu::action(int id) const {
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

QMenu* MainMenu::titleMenu(int position) const {
    return m_titles.at(static_cast<std::size_t>(position));
}

QMenu* MainMenu::languageMenu() const {
    return m_titles[2]->actions().contains(m_languages->menuAction()) ? m_languages : nullptr;
}

void MainMenu::applyTexts(const StringCatalogue& catalogue, bool signedIn,
                          const QString& languagePreference) {
    const auto titles = menuBarTitles();
    for (std::size_t i = 0; i < titles.size(); ++i)
        m_titles[i]->setTitle(localised(catalogue, titles[i]));
    for (const MenuItemText& item : mainMenuItemTexts()) {
        if (QAction* a = action(item.id))
            a->setText(localised(catalogue, item.text));
    }
    action(kCmdSignInOut)->setText(localised(catalogue, sessionItemText(signedIn)));
    rebuildLanguages(catalogue, languagePreference);
}

void MainMenu::rebuildLanguages(const StringCatalogue& catalogue,
                                const QString& languagePreference) {
    QMenu* preferences = m_titles[2];
    m_languages->setTitle(localised(catalogue, Text::LanguagesItem));
    for (QAction* a : m_languageActions)
        delete a;
    m_languageActions.clear();

    const auto& languages = catalogue.languages();
    const bool present = languageMenu() != nullptr;
    if (languages.empty()) {
        if (present) {
            preferences->removeAction(m_languages->menuAction());
            preferences->removeAction(m_languageSeparator);
        }
        return;
    }
    if (!present) {
        QAction* first = preferences->actions().value(0);
        preferences->insertAction(first, m_languages->menuAction());
        preferences->insertAction(first, m_languageSeparator);
    }
    for (std::size_t i = 0; i < languages.size(); ++i) {
        const QString name = qs(languages[i]);
        QAction* a = m_languages->addAction(name);
        a->setCheckable(true);
        a->setChecked(name == languagePreference);
        const int id = kCmdLanguageFirst + static_cast<int>(i);
        connect(a, &QAction::triggered, this, [this, id] { m_sink(id); });
        m_languageActions.push_back(a);
    }
}

void MainMenu::applyEnabling(const WindowState& state) {
    for (const auto& [id, a] : m_actions)
        a->setEnabled(isCommandEnabled(id, state));
}

std::unique_ptr<QMenu> buildPopupMenu(PopupMenu id, const StringCatalogue& catalogue,
                                      const WindowState& state, std::function<void(int)> sink) {
    auto menu = std::make_unique<QMenu>();
    for (const MenuItemText& item : popupItems(id)) {
        if (item.id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* a = menu->addAction(localised(catalogue, item.text));
        a->setData(item.id);
        a->setEnabled(isCommandEnabled(item.id, state));
        QObject::connect(a, &QAction::triggered, menu.get(),
                         [sink, command = item.id] { sink(command); });
    }
    return menu;
}

} // namespace textowl
