#include "texts/text_table.h"

#include "texts/string_catalogue.h"

#include <array>
#include <cstddef>

namespace textowl {

namespace {

constexpr std::size_t kTextCount = static_cast<std::size_t>(Text::Count);

// In the order of the enum: the compiler checks it below, so a text cannot go missing or drift
// to another's row.
constexpr std::array<TextEntry, kTextCount> kTexts{{
    {Text::ApplicationName, "", "appname", "Varnel Textowl 2006"},
    {Text::DialogTitle, "", "dialogtitle", "Textowl Message"},

    {Text::FileMenu, "menus/main/file", "text", "&File"},
    {Text::ContactsMenu, "menus/main/contacts", "text", "&Contacts"},
    {Text::LanguagesMenu, "menus/main/preferences", "text", "&Languages"},
    {Text::HelpMenu, "menus/main/help", "text", "&Help"},
    {Text::CloseItem, "menus/main/file/close", "", "Close"},
    {Text::SignInItem, "menus/main/file/signin", "", "&Sign In..."},
    {Text::SignOutItem, "menus/main/file/signin", "alt", "&Sign Out..."},
    {Text::AddContactItem, "menus/main/contacts/addcontact", "", "Add New Contact"},
    {Text::EditContactItem, "menus/main/contacts/editcontact", "", "Edit Contact"},
    {Text::CutItem, "menus/main/contacts/cut", "", "Cu&t"},
    {Text::CopyItem, "menus/main/contacts/copy", "", "&Copy"},
    {Text::PasteItem, "menus/main/contacts/paste", "", "&Paste"},
    {Text::DeleteItem, "menus/main/contacts/delete", "", "&Delete"},
    {Text::CreateGroupItem, "menus/main/contacts/creategroup", "", "Add New Group"},
    {Text::SkinsItem, "menus/main/preferences/skins", "", "Skins..."},
    {Text::LanguagesItem, "menus/main/preferences/languages", "", "English"},
    {Text::TermsItem, "menus/main/help/terms", "", "&Terms"},
    {Text::FaqsItem, "menus/main/help/faqs", "", "&FAQs"},
    {Text::ContactUsItem, "menus/main/help/contactus", "", "&Contact Us"},
    {Text::AboutItem, "menus/main/help/about", "", "&About"},
    {Text::AddGroupPopupItem, "menus/popups/addgroup", "", "Add New Group"},
    {Text::EditGroupPopupItem, "menus/popups/editgroup", "", "Edit Group"},
    {Text::SendMessagePopupItem, "menus/popups/sendmessage", "", "Send Message"},
    {Text::TrayRestore, "menus/tray/restore", "", "Restore"},
    {Text::TrayExit, "menus/tray/exit", "", "Exit"},

    {Text::ToggleFrameHide, "main/toggleframe", "hide", "Hide window frame"},
    {Text::ToggleFrameShow, "main/toggleframe", "show", "Show window frame"},
    {Text::ScrollTabsUp, "main/scrolltabs", "up", "Click here to scroll up and see more tabs"},
    {Text::ScrollTabsDown, "main/scrolltabs", "down",
     "Click here to scroll down and see more tabs"},
    {Text::SignInButton, "login", "btn_signin", "Sign In"},
    {Text::RegisterButton, "login", "btn_register", "Register"},
    {Text::AddContactLink, "main/addcontact", "", "Add A Contact"},
    {Text::AddGroupLink, "main/addgroup", "", "Add A Group"},
    {Text::QuickSendLink, "main/quicksend", "", "Quick Send"},
    {Text::AddContactTip, "main/addcontact", "tip", "Click here to add a contact to your list"},
    {Text::AddGroupTip, "main/addgroup", "tip", "Click here to add a group to your list"},
    {Text::QuickSendTip, "main/quicksend", "tip", "Click here to send a quick message"},
    {Text::BalanceFormat, "main/format/balance", "", "Credits: %s \u20ac"},
    {Text::SignedOutPrompt, "login", "prompt", "Click below to sign in or register"},
    {Text::ForgotPassword, "login", "forgotPwd", "Forgot your password?"},
    {Text::SigningIn, "login", "post", "Signing In..."},
    {Text::BuddyListRoot, "main/root", "", "My Buddy List"},

    {Text::SignInFailed, "login/failed", "",
     "Unable to login at this time.  Please try your request again later..."},
    {Text::CertificateExpired, "login/failed", "expired",
     "The service's certificate has expired, so the connection is not safe. Your password was "
     "not sent."},
    {Text::CertificateWrongHost, "login/failed", "wronghost",
     "The service's certificate was issued for another address, so the connection is not safe. "
     "Your password was not sent."},
    {Text::CertificateUntrusted, "login/failed", "untrusted",
     "The service's certificate is not from an issuer this computer trusts, so the connection is "
     "not safe. Your password was not sent."},
    {Text::CertificateInvalid, "login/failed", "invalid",
     "The service's certificate is not valid, so the connection is not safe. Your password was "
     "not sent."},
    {Text::SignInCaption, "dialogs/signin", "title", "Textowl Sign In"},
    {Text::UserLabel, "dialogs/signin/username", "", "&Username:"},
    {Text::PasswordLabel, "dialogs/signin/password", "", "&Password:"},
    {Text::Ok, "dialogs", "ok", "Ok"},
    {Text::Cancel, "dialogs", "cancel", "Cancel"},

    {Text::ContactTitle, "dialogs/newcontact", "title", "Add New Contact"},
    {Text::ContactEditTitle, "dialogs/newcontact", "alttitle", "Edit Contact"},
    {Text::FirstNameLabel, "dialogs/newcontact/firstname", "", "&First Name:"},
    {Text::LastNameLabel, "dialogs/newcontact/lastname", "", "&Last Name:"},
    {Text::NicknameLabel, "dialogs/newcontact/nickname", "", "&Nickname:"},
    {Text::CellPhoneLabel, "dialogs/newcontact/cellphone", "", "&Cell Phone:"},
    {Text::EmailLabel, "dialogs/newcontact/email", "", "&Email:"},
    {Text::BirthdayLabel, "dialogs/newcontact/birthday", "", "&Birthday:"},
    {Text::GroupLabel, "dialogs/newcontact/group", "", "&Group:"},
    {Text::GroupTitle, "dialogs/newgroup", "title", "Add New Group"},
    {Text::GroupEditTitle, "dialogs/newgroup", "alttitle", "Edit %s Group"},
    {Text::GroupNameLabel, "dialogs/newgroup/name", "", "&Name:"},
    {Text::Required, "errors/required", "",
     "A nickname or a first or last name and cell phone number are required."},
    {Text::LandlineRefused, "errors/landline", "",
     "This is a landline number, and a landline cannot receive texts. Please enter a cell phone "
     "number."},
    {Text::NewGroupFailed, "main/newgroup", "",
     "Unable to add a new group at this time.  Please try your request again later."},
    {Text::NewBuddyFailed, "main/newbuddy", "",
     "Unable to add a new buddy at this time.  Please try your request again later."},
    {Text::GroupExists, "main/groupexists", "", "There is already a group by that name!"},
    {Text::DeleteBuddy, "main/format/deletebuddy", "",
     "Delete %s from this location or from your entire buddy list? Click 'Yes' for this location "
     "only or 'No' from the entire list."},
    {Text::DeleteGroup, "main/format/deletegroup", "", "Delete the %s group?"},
    {Text::InternalError, "errors/internalerror", "", "Internal Error"},
    {Text::PasteDuplicate, "errors/pastedupe", "", "Cannot paste duplicate"},
    {Text::CopyFailed, "errors/copyfailed", "", "Copy failed!"},
    {Text::AddDuplicate, "errors/adddupe", "", "Cannot add duplicate"},
    {Text::MoveFailed, "errors/movefailed", "",
     "Unable to move buddy at this time.  Please try your request again later..."},

    {Text::ToLabel, "dialogs/sendmessage/to", "", "To:"},
    {Text::CharsetLabel, "dialogs/sendmessage/charset", "", "Character Set"},
    {Text::RemainingFormat, "dialogs/sendmessage/remaining", "", "Remaining: %d"},
    {Text::SendHeading, "dialogs/sendmessage/sendmsg", "", "Send Message"},
    {Text::FlashLabel, "dialogs/sendmessage/flash", "", "Flash"},
    {Text::ScheduleLabel, "dialogs/sendmessage/enableschd", "", "Enable Scheduling:"},
    {Text::SendButton, "dialogs/sendmessage/buttons/sendmessage", "", "&Send Message"},
    {Text::GotoSendButton, "dialogs/sendmessage/buttons/gotosend", "", "&Goto Send"},
    {Text::ReturnButton, "dialogs/sendmessage/buttons/buddylist", "", "&Return to Buddy List"},
    {Text::LogsButton, "dialogs/sendmessage/buttons/logs", "", "&View Logs"},
    {Text::LogTitle, "dialogs/sendmessage/msglogs", "", "Message Logs"},
    {Text::SuccessWord, "dialogs/sendmessage", "success", "Success"},
    {Text::FailedWord, "dialogs/sendmessage", "failed", "Failed"},
    {Text::StatusLabel, "dialogs/sendmessage/status", "", "Status:"},
    {Text::NoRecipient, "dialogs/sendmessage/errors/invalidnumber", "",
     "Please specify a number or numbers to call"},
    // One strings.xml entry replaces both of the next two texts. The entity spellings are the
    // message's established wording, shown as written.
    {Text::BadNumberFormat, "dialogs/sendmessage/errors/invalidformat", "",
     "Please use the following number format: &lt;country code&gt;&lt;cell phone number&gt;.  "
     "Example: 46700000000"},
    {Text::UnknownGroup, "dialogs/sendmessage/errors/invalidformat", "",
     "The 'To' value you have entered does not appear to be a valid group name."},
    {Text::EmptyMessage, "dialogs/sendmessage/errors/invalidtext", "", "The message text is empty"},
    {Text::MessageSent, "dialogs/sendmessage/errors/success", "", "Message was sent successfully!"},
    {Text::SendFailed, "dialogs/sendmessage/errors/failed", "", "Send message failed!"},
    {Text::EstimateGsm, "dialogs/sendmessage/estimate/gsm", "", "GSM"},
    {Text::EstimateUnicode, "dialogs/sendmessage/estimate/unicode", "", "Unicode"},
    {Text::EstimatePart, "dialogs/sendmessage/estimate/part", "", "%d part"},
    {Text::EstimateParts, "dialogs/sendmessage/estimate/parts", "", "%d parts"},
    {Text::EstimateCredit, "dialogs/sendmessage/estimate/credit", "", "%d credit"},
    {Text::EstimateCredits, "dialogs/sendmessage/estimate/credits", "", "%d credits"},
    {Text::EstimateGsmTip, "dialogs/sendmessage/estimate/gsmtip", "",
     "Every character fits the GSM alphabet: 160 per message, 153 per part of a longer one."},
    {Text::EstimateUnicodeTip, "dialogs/sendmessage/estimate/unicodetip", "",
     "Sent as Unicode because of %s: 70 characters per message, 67 per part of a longer one."},
    {Text::EstimateForcedTip, "dialogs/sendmessage/estimate/forcedtip", "",
     "Sent as Unicode, as UTF-16 is chosen: 70 characters per message, 67 per part of a longer "
     "one."},
    {Text::ImportContactsItem, "menus/main/contacts/importcontacts", "", "&Import Contacts..."},
    {Text::ExportContactsItem, "menus/main/contacts/exportcontacts", "", "E&xport Contacts..."},
    {Text::ImportTitle, "dialogs/contactfiles", "importtitle", "Import Contacts"},
    {Text::ExportTitle, "dialogs/contactfiles", "exporttitle", "Export Contacts"},
    {Text::ContactFilesFilter, "dialogs/contactfiles/filters", "contacts", "Contact Files"},
    {Text::VCardFilesFilter, "dialogs/contactfiles/filters", "vcard", "vCard Files"},
    {Text::CsvFilesFilter, "dialogs/contactfiles/filters", "csv", "CSV Files"},
    {Text::AllFilesFilter, "dialogs/contactfiles/filters", "all", "All Files"},
    {Text::ImportRegion, "dialogs/contactfiles/region", "",
     "&Numbers without a country code are from:"},
    {Text::NoRegion, "dialogs/contactfiles/region", "none", "(no region)"},
    {Text::ChooseRegion, "dialogs/contactfiles/region", "choose",
     "Choose the country your numbers belong to"},
    {Text::NameColumn, "dialogs/contactfiles/columns", "name", "Name"},
    {Text::NumberColumn, "dialogs/contactfiles/columns", "number", "Number"},
    {Text::GroupColumn, "dialogs/contactfiles/columns", "group", "Group"},
    {Text::ActionColumn, "dialogs/contactfiles/columns", "action", "Action"},
    {Text::ImportAdd, "dialogs/contactfiles/actions", "add", "Add"},
    {Text::ImportAlreadyInList, "dialogs/contactfiles/actions", "duplicate",
     "Skip: already in the list"},
    {Text::ImportHeldBy, "dialogs/contactfiles/actions", "heldby",
     "Skip: %s already has this number"},
    {Text::ImportLandline, "dialogs/contactfiles/actions", "landline",
     "Skip: a landline cannot receive texts"},
    {Text::ImportNoName, "dialogs/contactfiles/actions", "noname", "Skip: no name"},
    {Text::ImportNoValidNumber, "dialogs/contactfiles/actions", "nonumber",
     "Skip: no valid number (%s)"},
    {Text::NumberMissing, "dialogs/contactfiles/numbers", "missing", "none given"},
    {Text::NumberNotANumber, "dialogs/contactfiles/numbers", "notanumber", "not a number"},
    {Text::NumberNoCountryCode, "dialogs/contactfiles/numbers", "nocountrycode", "no country code"},
    {Text::NumberInvalidCountryCode, "dialogs/contactfiles/numbers", "badcountrycode",
     "unknown country code"},
    {Text::NumberTooShort, "dialogs/contactfiles/numbers", "tooshort", "too short"},
    {Text::NumberTooLong, "dialogs/contactfiles/numbers", "toolong", "too long"},
    {Text::NumberNotInUse, "dialogs/contactfiles/numbers", "notinuse", "not a number in use"},
    {Text::ImportButton, "dialogs/contactfiles/import", "", "&Import"},
    {Text::ImportProgress, "dialogs/contactfiles/progress", "", "Importing contacts..."},
    {Text::ImportSummary, "dialogs/contactfiles/summary", "",
     "Added: %d. Skipped: %d. Failed: %d."},
    {Text::ImportUnticked, "dialogs/contactfiles/summary", "unticked", "Left out in the preview"},
    {Text::ImportRefused, "dialogs/contactfiles/summary", "refused", "Failed: the service refused"},
    {Text::ImportNotReached, "dialogs/contactfiles/summary", "cancelled",
     "Not imported: the import was cancelled"},
    {Text::ImportGroupsFailed, "dialogs/contactfiles/summary", "groupsfailed",
     "Groups the service did not create"},
    {Text::FileUnreadable, "dialogs/contactfiles/unreadable", "",
     "This file cannot be imported: %s."},
    {Text::ReadAtLine, "dialogs/contactfiles/unreadable", "atline", "%s, line %d"},
    {Text::ReadTooLarge, "dialogs/contactfiles/problems", "toolarge", "it is larger than 32 MB"},
    {Text::ReadBinary, "dialogs/contactfiles/problems", "binary", "it is not a text file"},
    {Text::ReadInvalidUtf8, "dialogs/contactfiles/problems", "utf8",
     "its text is in no character set Textowl knows"},
    {Text::ReadUnknownCharset, "dialogs/contactfiles/problems", "charset",
     "it names a character set Textowl cannot read"},
    {Text::ReadUnbalancedQuote, "dialogs/contactfiles/problems", "quote",
     "a quoted field is never closed"},
    {Text::ReadNoHeader, "dialogs/contactfiles/problems", "noheader",
     "its first row names no name or phone column"},
    {Text::ReadNoContacts, "dialogs/contactfiles/problems", "nocontacts", "it holds no contacts"},
    {Text::ReadUnreadable, "dialogs/contactfiles/problems", "unreadable", "it cannot be read"},
    {Text::ReadInvalidUtf16, "dialogs/contactfiles/problems", "utf16", "its UTF-16 text is broken"},
    {Text::ExportGroupQuestion, "dialogs/contactfiles/exportgroup", "",
     "Export only the %s group? No exports the whole list."},
    {Text::ExportDone, "dialogs/contactfiles/exported", "", "Contacts exported: %d."},
    {Text::ExportFailed, "dialogs/contactfiles/exportfailed", "", "The file cannot be written."},
    {Text::QtOk, "qt/buttons", "ok", "OK"},
    {Text::QtSave, "qt/buttons", "save", "Save"},
    {Text::QtSaveAll, "qt/buttons", "saveall", "Save All"},
    {Text::QtOpen, "qt/buttons", "open", "Open"},
    {Text::QtYes, "qt/buttons", "yes", "&Yes"},
    {Text::QtYesToAll, "qt/buttons", "yestoall", "Yes to &All"},
    {Text::QtNo, "qt/buttons", "no", "&No"},
    {Text::QtNoToAll, "qt/buttons", "notoall", "N&o to All"},
    {Text::QtAbort, "qt/buttons", "abort", "Abort"},
    {Text::QtRetry, "qt/buttons", "retry", "Retry"},
    {Text::QtIgnore, "qt/buttons", "ignore", "Ignore"},
    {Text::QtClose, "qt/buttons", "close", "Close"},
    {Text::QtCancel, "qt/buttons", "cancel", "Cancel"},
    {Text::QtDiscard, "qt/buttons", "discard", "Discard"},
    {Text::QtHelp, "qt/buttons", "help", "Help"},
    {Text::QtApply, "qt/buttons", "apply", "Apply"},
    {Text::QtReset, "qt/buttons", "reset", "Reset"},
    {Text::QtRestoreDefaults, "qt/buttons", "restoredefaults", "Restore Defaults"},
    {Text::QtLookIn, "qt/filedialog", "lookin", "Look in:"},
    {Text::QtComputer, "qt/filedialog", "computer", "Computer"},
    {Text::QtTextUndo, "qt/textmenu", "undo", "&Undo"},
    {Text::QtTextRedo, "qt/textmenu", "redo", "&Redo"},
    {Text::QtTextCut, "qt/textmenu", "cut", "Cu&t"},
    {Text::QtTextCopy, "qt/textmenu", "copy", "&Copy"},
    {Text::QtTextPaste, "qt/textmenu", "paste", "&Paste"},
    {Text::QtTextDelete, "qt/textmenu", "delete", "Delete"},
    {Text::QtTextSelectAll, "qt/textmenu", "selectall", "Select All"},
    {Text::NoticeFailedTitle, "dialogs/sendmessage/notices", "failedtitle",
     "Message not delivered"},
    {Text::NoticeFailed, "dialogs/sendmessage/notices/failed", "",
     "Your message to %s was not delivered. Credits returned: %s. Reason: %s"},
    {Text::NoticeNoReason, "dialogs/sendmessage/notices", "noreason", "no reason given"},
    {Text::NoticeDeliveredTitle, "dialogs/sendmessage/notices", "deliveredtitle",
     "Message delivered"},
    {Text::NoticeDelivered, "dialogs/sendmessage/notices/delivered", "",
     "Your message to %s was delivered."},
    {Text::ReasonNumberRefused, "dialogs/sendmessage/notices/reasons", "refused",
     "The operator refused this number."},
}};

constexpr bool inEnumOrder() {
    for (std::size_t i = 0; i < kTexts.size(); ++i) {
        if (static_cast<std::size_t>(kTexts[i].id) != i || kTexts[i].defaultText.empty())
            return false;
    }
    return true;
}
static_assert(inEnumOrder(), "every text has its row, in the order of the enum, with a default");

} // namespace

const TextEntry& textEntry(Text id) {
    return kTexts[static_cast<std::size_t>(id)];
}

std::string_view defaultText(Text id) {
    return textEntry(id).defaultText;
}

std::string lookUp(const StringCatalogue& catalogue, Text id) {
    const TextEntry& entry = textEntry(id);
    if (!entry.attribute.empty())
        return catalogue.attributeOr(entry.key, entry.attribute, entry.defaultText);
    return catalogue.textOr(entry.key, entry.defaultText);
}

} // namespace textowl
