#include "app/buddy_texts.h"

#include <array>

namespace textowl {

TextSource buddyText(BuddyText which) {
    static constexpr std::array<TextSource, 25> kTexts{{
        {"dialogs", "ok", "Ok"},
        {"dialogs", "cancel", "Cancel"},
        {"dialogs/newcontact", "title", "Add New Contact"},
        {"dialogs/newcontact", "alttitle", "Edit Contact"},
        {"dialogs/newcontact/firstname", nullptr, "&First Name:"},
        {"dialogs/newcontact/lastname", nullptr, "&Last Name:"},
        {"dialogs/newcontact/nickname", nullptr, "&Nickname:"},
        {"dialogs/newcontact/cellphone", nullptr, "&Cell Phone:"},
        {"dialogs/newcontact/email", nullptr, "&Email:"},
        {"dialogs/newcontact/birthday", nullptr, "&Birthday:"},
        {"dialogs/newcontact/group", nullptr, "&Group:"},
        {"dialogs/newgroup", "title", "Add New Group"},
        {"dialogs/newgroup", "alttitle", "Edit %s Group"},
        {"dialogs/newgroup/name", nullptr, "&Name:"},
        {"errors/required", nullptr,
         "A nickname or a first or last name and cell phone number are required."},
        {"main/newgroup", nullptr,
         "Unable to add a new group at this time.  Please try your request again later."},
        {"main/newbuddy", nullptr,
         "Unable to add a new buddy at this time.  Please try your request again later."},
        {"main/groupexists", nullptr, "There is already a group by that name!"},
        {"main/format/deletebuddy", nullptr,
         "Delete %s from this location or from your entire buddy list? Click 'Yes' for this "
         "location only or 'No' from the entire list."},
        {"main/format/deletegroup", nullptr, "Delete the %s group?"},
        {"errors/internalerror", nullptr, "Internal Error"},
        {"errors/pastedupe", nullptr, "Cannot paste duplicate"},
        {"errors/copyfailed", nullptr, "Copy failed!"},
        {"errors/adddupe", nullptr, "Cannot add duplicate"},
        {"errors/movefailed", nullptr,
         "Unable to move buddy at this time.  Please try your request again later..."},
    }};
    return kTexts[static_cast<std::size_t>(which)];
}

} // namespace textowl
