#pragma once

#include "app/menu_tables.h"

namespace textowl {

// Texts of the contact and group dialogs and of the editing messages.
enum class BuddyText {
    Ok,
    Cancel,
    ContactTitle,
    ContactEditTitle,
    FirstNameLabel,
    LastNameLabel,
    NicknameLabel,
    CellPhoneLabel,
    EmailLabel,
    BirthdayLabel,
    GroupLabel,
    GroupTitle,
    GroupEditTitle, // a format: "%s" is the group's name
    GroupNameLabel,
    Required,
    NewGroupFailed,
    NewBuddyFailed,
    GroupExists,
    DeleteBuddy, // a format: "%s" is the selected line's text
    DeleteGroup, // a format: "%s" is the group's name
    InternalError,
    PasteDuplicate,
    CopyFailed,
    AddDuplicate,
    MoveFailed,
};
TextSource buddyText(BuddyText which);

} // namespace textowl
