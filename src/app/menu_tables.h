#pragma once

#include "app/string_catalogue.h"

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

// The buddy tree's three pop-up menus, by the kind of the selected line.
enum class PopupMenuId { Root = 217, Buddy = 214, Group = 218 };
enum class TreeLineKind { None, Root, Group, Buddy, Phone };
PopupMenuId popupForLine(TreeLineKind selected);
// Items in order; id 0 is a separator.
std::span<const MenuItemText> popupItems(PopupMenuId menu);

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
