#include "app/menu_tables.h"

#include "base/command_ids.h"

#include <array>

namespace textowl {

namespace {

constexpr std::array<TextSource, 4> kTitles{{
    {"menus/main/file", "text", "&File"},
    {"menus/main/contacts", "text", "&Contacts"},
    {"menus/main/preferences", "text", "&Languages"},
    {"menus/main/help", "text", "&Help"},
}};

constexpr TextSource kAddContact{"menus/main/contacts/addcontact", nullptr, "Add New Contact"};
constexpr TextSource kEditContact{"menus/main/contacts/editcontact", nullptr, "Edit Contact"};
constexpr TextSource kCut{"menus/main/contacts/cut", nullptr, "Cu&t"};
constexpr TextSource kCopy{"menus/main/contacts/copy", nullptr, "&Copy"};
constexpr TextSource kPaste{"menus/main/contacts/paste", nullptr, "&Paste"};
constexpr TextSource kDelete{"menus/main/contacts/delete", nullptr, "&Delete"};
constexpr TextSource kPopupAddGroup{"menus/popups/addgroup", nullptr, "Add New Group"};
constexpr TextSource kPopupEditGroup{"menus/popups/editgroup", nullptr, "Edit Group"};
constexpr TextSource kPopupSend{"menus/popups/sendmessage", nullptr, "Send Message"};
constexpr TextSource kNone{nullptr, nullptr, ""};

constexpr std::array<MenuItemText, 13> kMainItems{{
    {kCmdClose, {"menus/main/file/close", nullptr, "Close"}},
    {kCmdAddContact, kAddContact},
    {kCmdEditContact, kEditContact},
    {kCmdCut, kCut},
    {kCmdCopy, kCopy},
    {kCmdPaste, kPaste},
    {kCmdDelete, kDelete},
    {kCmdAddGroup, {"menus/main/contacts/creategroup", nullptr, "Add New Group"}},
    {kCmdChooseSkin, {"menus/main/preferences/skins", nullptr, "Skins..."}},
    {kCmdTerms, {"menus/main/help/terms", nullptr, "&Terms"}},
    {kCmdFaqs, {"menus/main/help/faqs", nullptr, "&FAQs"}},
    {kCmdContactUs, {"menus/main/help/contactus", nullptr, "&Contact Us"}},
    {kCmdAbout, {"menus/main/help/about", nullptr, "&About"}},
}};

constexpr std::array<MenuItemText, 9> kRootPopup{{
    {kCmdAddContact, kAddContact},
    {kCmdAddGroup, kPopupAddGroup},
    {0, kNone},
    {kCmdCut, kCut},
    {kCmdCopy, kCopy},
    {kCmdPaste, kPaste},
    {kCmdDelete, kDelete},
    {0, kNone},
    {kCmdSendMessage, kPopupSend},
}};

constexpr std::array<MenuItemText, 9> kGroupPopup{{
    {kCmdAddContact, kAddContact},
    {kCmdEditGroup, kPopupEditGroup},
    {0, kNone},
    {kCmdCut, kCut},
    {kCmdCopy, kCopy},
    {kCmdPaste, kPaste},
    {kCmdDeleteGroup, kDelete},
    {0, kNone},
    {kCmdSendMessage, kPopupSend},
}};

constexpr std::array<MenuItemText, 9> kBuddyPopup{{
    {kCmdAddContact, kAddContact},
    {kCmdEditContact, kEditContact},
    {0, kNone},
    {kCmdCut, kCut},
    {kCmdCopy, kCopy},
    {kCmdPaste, kPaste},
    {kCmdDelete, kDelete},
    {0, kNone},
    {kCmdSendMessage, kPopupSend},
}};

constexpr std::array<TextSource, 14> kWindowTexts{{
    {"main/toggleframe", "hide", "Hide window frame"},
    {"main/toggleframe", "show", "Show window frame"},
    {"main/scrolltabs", "up", "Click here to scroll up and see more tabs"},
    {"main/scrolltabs", "down", "Click here to scroll down and see more tabs"},
    {"login", "btn_signin", "Sign In"},
    {"login", "btn_register", "Register"},
    {"main/addcontact", nullptr, "Add A Contact"},
    {"main/addgroup", nullptr, "Add A Group"},
    {"main/quicksend", nullptr, "Quick Send"},
    {"main/format/balance", nullptr, "Credits: %s \u20ac"},
    {"login", "prompt", "Click below to sign in or register"},
    {"login", "forgotPwd", "Forgot your password?"},
    {"login", "post", "Signing In..."},
    {"main/root", nullptr, "My Buddy List"},
}};

} // namespace

std::string lookUp(const StringCatalogue& catalogue, const TextSource& source) {
    if (source.key == nullptr)
        return source.defaultText;
    if (source.attribute != nullptr)
        return catalogue.attributeOr(source.key, source.attribute, source.defaultText);
    return catalogue.textOr(source.key, source.defaultText);
}

std::span<const TextSource> menuBarTitles() {
    return kTitles;
}
std::span<const MenuItemText> mainMenuItemTexts() {
    return kMainItems;
}

TextSource sessionItemText(bool signedIn) {
    return signedIn ? TextSource{"menus/main/file/signin", "alt", "&Sign Out..."}
                    : TextSource{"menus/main/file/signin", nullptr, "&Sign In..."};
}

TextSource languageMenuTitle() {
    return {"menus/main/preferences/languages", nullptr, "English"};
}

TextSource trayText(TrayText which) {
    return which == TrayText::Restore ? TextSource{"menus/tray/restore", nullptr, "Restore"}
                                      : TextSource{"menus/tray/exit", nullptr, "Exit"};
}

std::span<const MenuItemText> popupItems(PopupMenu menu) {
    switch (menu) {
    case PopupMenu::Group:
        return kGroupPopup;
    case PopupMenu::Buddy:
        return kBuddyPopup;
    case PopupMenu::Root:
        break;
    }
    return kRootPopup;
}

TextSource windowText(WindowText which) {
    return kWindowTexts[static_cast<std::size_t>(which)];
}

} // namespace textowl
