#pragma once

#include "app/string_catalogue.h"
#include "buddylist/tree_rules.h"

#include <span>
#include <string>

namespace textowl {

// Where one visible text comes from: the element at `key`, its attribute `attribute` or (when
// that is null) its own text, and the English text used without a strings file.
struct TextSource {
    const char* key;
    const char* attribute;
    const char* defaultText;
};

std::string lookUp(const StringCatalogue& catalogue, const TextSource& source);

// A localised menu item: the command it carries and where its text comes from.
struct MenuItemText {
    int id;
    TextSource source;
};

// The four titles of the menu bar, in position order.
std::span<const TextSource> menuBarTitles();
// The main menu's items apart from the session item, which depends on the session.
std::span<const MenuItemText> mainMenuItemTexts();
TextSource sessionItemText(bool signedIn);
TextSource languageMenuTitle();

enum class TrayText { Restore, Exit };
TextSource trayText(TrayText which);

// The buddy tree's three pop-up menus (chosen by popupMenuFor): items in order, id 0 a separator.
std::span<const MenuItemText> popupItems(PopupMenu menu);

// Texts of the main window itself.
enum class WindowText {
    ToggleFrameHide,
    ToggleFrameShow,
    ScrollTabsUp,
    ScrollTabsDown,
    SignInButton,
    RegisterButton,
    AddContactLink,
    AddGroupLink,
    QuickSendLink,
    BalanceFormat,
    SignedOutPrompt,
    ForgotPassword,
    SigningIn,
    BuddyListTab, // the buddy-list tab's tooltip
};
TextSource windowText(WindowText which);

} // namespace textowl
