#pragma once

namespace textowl {

// Every menu item, pop-up item, button, link and key shortcut ends as one of these ids; the
// numbers are the ones the strings file, the tree and the tray also use, so they never change.
enum CommandId : int {
    kCmdCancel = 2,
    kCmdToggleFrame = 400,
    kCmdSignInButton = 401,
    kCmdScrollTabsUp = 407,
    kCmdScrollTabsDown = 408,
    kCmdRegister = 423,
    kCmdInterfaceButtonFirst = 2000,
    kCmdInterfaceButtonLast = 2010,
    kCmdRestore = 32777,
    kCmdMinimise = 32778,
    kCmdAddContact = 32779,
    kCmdEditContact = 32780,
    kCmdSendMessage = 32782,
    kCmdAddGroup = 32783,
    kCmdEditGroup = 32784,
    kCmdDeleteGroup = 32785,
    kCmdSignInOut = 32788,
    kCmdCut = 32789,
    kCmdCopy = 32790,
    kCmdPaste = 32791,
    kCmdDelete = 32793,
    kCmdTerms = 32797,
    kCmdFaqs = 32798,
    kCmdContactUs = 32799,
    kCmdForgotPassword = 32800,
    kCmdChooseSkin = 32804,
    kCmdLanguageFirst = 33000,
    kCmdLanguageLast = 34000,
    // Beyond every range above, so that no strings file or tree ever means them otherwise.
    kCmdImportContacts = 35001,
    kCmdExportContacts = 35002,
    kCmdClose = 57602,
    kCmdAbout = 57664,
    kCmdExit = 57665,
};

// The process exit code when the user leaves through the tray menu is the Exit command's id.
inline constexpr int kExitCodeNormal = kCmdExit;

constexpr bool isLanguageCommand(int id) {
    return id >= kCmdLanguageFirst && id <= kCmdLanguageLast;
}
constexpr bool isInterfaceButtonCommand(int id) {
    return id >= kCmdInterfaceButtonFirst && id <= kCmdInterfaceButtonLast;
}

} // namespace textowl
