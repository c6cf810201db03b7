#include "app/menu_tables.h"

#include "base/command_ids.h"

#include <array>

namespace textowl {

namespace {

constexpr std::array kTitles{Text::FileMenu, Text::ContactsMenu, Text::LanguagesMenu,
                             Text::HelpMenu};

// The separator's text is never shown.
constexpr MenuItemText kSeparator{0, Text::Count};

constexpr std::array<MenuItemText, 15> kMainItems{{
    {kCmdClose, Text::CloseItem},
    {kCmdAddContact, Text::AddContactItem},
    {kCmdEditContact, Text::EditContactItem},
    {kCmdCut, Text::CutItem},
    {kCmdCopy, Text::CopyItem},
    {kCmdPaste, Text::PasteItem},
    {kCmdDelete, Text::DeleteItem},
    {kCmdAddGroup, Text::CreateGroupItem},
    {kCmdImportContacts, Text::ImportContactsItem},
    {kCmdExportContacts, Text::ExportContactsItem},
    {kCmdChooseSkin, Text::SkinsItem},
    {kCmdTerms, Text::TermsItem},
    {kCmdFaqs, Text::FaqsItem},
    {kCmdContactUs, Text::ContactUsItem},
    {kCmdAbout, Text::AboutItem},
}};

constexpr std::array<MenuItemText, 9> kRootPopup{{
    {kCmdAddContact, Text::AddContactItem},
    {kCmdAddGroup, Text::AddGroupPopupItem},
    kSeparator,
    {kCmdCut, Text::CutItem},
    {kCmdCopy, Text::CopyItem},
    {kCmdPaste, Text::PasteItem},
    {kCmdDelete, Text::DeleteItem},
    kSeparator,
    {kCmdSendMessage, Text::SendMessagePopupItem},
}};

constexpr std::array<MenuItemText, 9> kGroupPopup{{
    {kCmdAddContact, Text::AddContactItem},
    {kCmdEditGroup, Text::EditGroupPopupItem},
    kSeparator,
    {kCmdCut, Text::CutItem},
    {kCmdCopy, Text::CopyItem},
    {kCmdPaste, Text::PasteItem},
    {kCmdDeleteGroup, Text::DeleteItem},
    kSeparator,
    {kCmdSendMessage, Text::SendMessagePopupItem},
}};

constexpr std::array<MenuItemText, 9> kBuddyPopup{{
    {kCmdAddContact, Text::AddContactItem},
    {kCmdEditContact, Text::EditContactItem},
    kSeparator,
    {kCmdCut, Text::CutItem},
    {kCmdCopy, Text::CopyItem},
    {kCmdPaste, Text::PasteItem},
    {kCmdDelete, Text::DeleteItem},
    kSeparator,
    {kCmdSendMessage, Text::SendMessagePopupItem},
}};

} // namespace

std::span<const Text> menuBarTitles() {
    return kTitles;
}
std::span<const MenuItemText> mainMenuItemTexts() {
    return kMainItems;
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

} // namespace textowl
