#pragma once

#include "buddylist/tree_rules.h"
#include "texts/text_table.h"

#include <span>

namespace textowl {

// A localised menu item: the command it carries and its text.
struct MenuItemText {
    int id;
    Text text;
};

// The four titles of the menu bar, in position order.
std::span<const Text> menuBarTitles();
// The main menu's items apart from the session item, which depends on the session.
std::span<const MenuItemText> mainMenuItemTexts();
inline Text sessionItemText(bool signedIn) {
    return signedIn ? Text::SignOutItem : Text::SignInItem;
}

// The buddy tree's three pop-up menus (chosen by popupMenuFor): items in order, id 0 a separator.
std::span<const MenuItemText> popupItems(PopupMenu menu);

} // namespace textowl
