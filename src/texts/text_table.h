#pragma once

#include <string>
#include <string_view>

namespace textowl {

class StringCatalogue;

// Every visible text of the program. Each one is defined once, in the table of text_table.cpp:
// where strings.xml keeps it and its English default.
enum class Text {
    // Read by the catalogue when it is created.
    ApplicationName,
    DialogTitle,

    // The menu bar, its items and the tray menu.
    FileMenu,
    ContactsMenu,
    LanguagesMenu,
    HelpMenu,
    CloseItem,
    SignInItem,
    SignOutItem,
    AddContactItem,
    EditContactItem,
    CutItem,
    CopyItem,
    PasteItem,
    DeleteItem,
    CreateGroupItem,
    SkinsItem,
    LanguagesItem,
    TermsItem,
    FaqsItem,
    ContactUsItem,
    AboutItem,
    AddGroupPopupItem,
    EditGroupPopupItem,
    SendMessagePopupItem,
    TrayRestore,
    TrayExit,

    // The main window.
    ToggleFrameHide,
    ToggleFrameShow,
    ScrollTabsUp,
    ScrollTabsDown,
    SignInButton,
    RegisterButton,
    AddContactLink,
    AddGroupLink,
    QuickSendLink,
    AddContactTip,
    AddGroupTip,
    QuickSendTip,
    BalanceFormat, // "%s" is the balance
    SignedOutPrompt,
    ForgotPassword,
    SigningIn,
    BuddyListRoot, // the tree's root line and the buddy-list tab's tooltip

    // Sign-in.
    SignInFailed,
    // Added to the sign-in failure when the service's certificate was refused.
    CertificateExpired,
    CertificateWrongHost,
    CertificateUntrusted,
    CertificateInvalid,
    SignInCaption,
    UserLabel,
    PasswordLabel,
    Ok,
    Cancel,

    // Contact and group editing.
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
    GroupEditTitle, // "%s" is the group's name
    GroupNameLabel,
    Required,
    LandlineRefused,
    NewGroupFailed,
    NewBuddyFailed,
    GroupExists,
    DeleteBuddy, // "%s" is the selected line's text
    DeleteGroup, // "%s" is the group's name
    InternalError,
    PasteDuplicate,
    CopyFailed,
    AddDuplicate,
    MoveFailed,

    // The send-message panel.
    ToLabel,
    CharsetLabel,
    RemainingFormat, // "%d" is the number of characters left
    SendHeading,
    FlashLabel,
    ScheduleLabel,
    SendButton,
    GotoSendButton,
    ReturnButton,
    LogsButton,
    LogTitle,
    SuccessWord,
    FailedWord,
    StatusLabel,
    NoRecipient,
    BadNumberFormat,
    UnknownGroup,
    EmptyMessage,
    MessageSent,
    SendFailed,
    EstimateGsm,
    EstimateUnicode,
    EstimatePart,    // "%d" is the number of parts
    EstimateParts,   // "%d" is the number of parts
    EstimateCredit,  // "%d" is the number of credits
    EstimateCredits, // "%d" is the number of credits
    EstimateGsmTip,
    EstimateUnicodeTip, // "%s" lists the characters that force Unicode
    EstimateForcedTip,

    // Contact files: import and export.
    ImportContactsItem,
    ExportContactsItem,
    ImportTitle,
    ExportTitle,
    ContactFilesFilter,
    VCardFilesFilter,
    CsvFilesFilter,
    AllFilesFilter,
    ImportRegion,
    NoRegion,
    ChooseRegion,
    NameColumn,
    NumberColumn,
    GroupColumn,
    ActionColumn,
    ImportAdd,
    ImportAlreadyInList,
    ImportHeldBy, // "%s" names the contact that has the number
    ImportLandline,
    ImportNoName,
    ImportNoValidNumber, // "%s" names the problem
    NumberMissing,
    NumberNotANumber,
    NumberNoCountryCode,
    NumberInvalidCountryCode,
    NumberTooShort,
    NumberTooLong,
    NumberNotInUse,
    ImportButton,
    ImportProgress,
    ImportSummary, // "%d" added, skipped, failed
    ImportUnticked,
    ImportRefused,
    ImportNotReached,
    ImportGroupsFailed,
    FileUnreadable, // "%s" is one of the problems below
    ReadAtLine,     // "%s" the problem, "%d" its line
    ReadTooLarge,
    ReadBinary,
    ReadInvalidUtf8,
    ReadUnknownCharset,
    ReadUnbalancedQuote,
    ReadNoHeader,
    ReadNoContacts,
    ReadUnreadable,
    ReadInvalidUtf16,
    ExportGroupQuestion, // "%s" is the group's name
    ExportDone,          // "%d" is the number of contacts
    ExportFailed,

    // The toolkit's own texts that its catalogues lack: standard buttons, the file dialog and the
    // context menu of multi-line text boxes.
    QtOk,
    QtSave,
    QtSaveAll,
    QtOpen,
    QtYes,
    QtYesToAll,
    QtNo,
    QtNoToAll,
    QtAbort,
    QtRetry,
    QtIgnore,
    QtClose,
    QtCancel,
    QtDiscard,
    QtHelp,
    QtApply,
    QtReset,
    QtRestoreDefaults,
    QtLookIn,
    QtComputer,
    QtTextUndo,
    QtTextRedo,
    QtTextCut,
    QtTextCopy,
    QtTextPaste,
    QtTextDelete,
    QtTextSelectAll,
    // Notices about how sent messages fared.
    NoticeFailedTitle,
    NoticeFailed, // "%s" the recipient, "%s" the credits returned, "%s" the reason
    NoticeNoReason,
    NoticeDeliveredTitle,
    NoticeDelivered, // "%s" the recipient
    ReasonNumberRefused,

    Count
};

// Where one text lives in strings.xml: the element at `key`, its attribute `attribute` or (when
// that is empty) its own text, and the English text used when the file lacks it.
struct TextEntry {
    Text id;
    std::string_view key;
    std::string_view attribute;
    std::string_view defaultText;
};

const TextEntry& textEntry(Text id);
std::string_view defaultText(Text id);

// The text as the catalogue's current language has it, or its default.
std::string lookUp(const StringCatalogue& catalogue, Text id);

} // namespace textowl
