#include "app/command_enabling.h"
#include "base/command_ids.h"

#include <gtest/gtest.h>

namespace textowl {
namespace {

TEST(CommandEnabling, BeforeSignInSessionCommandsAreGreyedAndTheRestAvailable) {
    const WindowState signedOut;
    for (int id : {kCmdAddContact, kCmdEditContact, kCmdAddGroup, kCmdTerms, kCmdFaqs,
                   kCmdContactUs, kCmdAbout, kCmdCut, kCmdCopy, kCmdPaste, kCmdDelete})
        EXPECT_FALSE(isCommandEnabled(id, signedOut)) << id;
    for (int id : std::initializer_list<int>{kCmdSignInOut, kCmdClose, kCmdChooseSkin,
                                             kCmdLanguageFirst, kCmdLanguageFirst + 1,
                                             kCmdSendMessage, kCmdEditGroup, kCmdDeleteGroup})
        EXPECT_TRUE(isCommandEnabled(id, signedOut)) << id;
}

TEST(CommandEnabling, SignedInEnablesSessionCommandsButNotClipboardOnes) {
    WindowState s;
    s.signedIn = true;
    for (int id : {kCmdAddContact, kCmdEditContact, kCmdAddGroup, kCmdTerms, kCmdFaqs,
                   kCmdContactUs, kCmdAbout})
        EXPECT_TRUE(isCommandEnabled(id, s)) << id;
    for (int id : {kCmdCut, kCmdCopy, kCmdPaste, kCmdDelete})
        EXPECT_FALSE(isCommandEnabled(id, s)) << id;
}

TEST(CommandEnabling, EachClipboardCommandFollowsItsOwnFlag) {
    struct Case {
        int id;
        bool WindowState::*flag;
    } cases[] = {{kCmdCut, &WindowState::cutEnabled},
                 {kCmdCopy, &WindowState::copyEnabled},
                 {kCmdPaste, &WindowState::pasteEnabled},
                 {kCmdDelete, &WindowState::deleteEnabled}};
    for (const Case& c : cases) {
        WindowState s;
        s.*c.flag = true;
        for (const Case& other : cases)
            EXPECT_EQ(isCommandEnabled(other.id, s), other.id == c.id) << c.id << " " << other.id;
    }
}

TEST(CommandEnabling, APendingCallGreysOnlyTheCommandsThatCallTheService) {
    WindowState idle;
    idle.signedIn = idle.cutEnabled = idle.copyEnabled = idle.pasteEnabled = idle.deleteEnabled =
        true;
    WindowState pending = idle;
    pending.callPending = true;
    const struct {
        int id;
        bool whilePending;
    } cases[] = {
        {kCmdAddContact, false},
        {kCmdEditContact, false},
        {kCmdAddGroup, false},
        {kCmdEditGroup, false},
        {kCmdDeleteGroup, false},
        {kCmdCut, false},
        {kCmdPaste, false},
        {kCmdDelete, false},
        {kCmdImportContacts, false},
        {kCmdSignInOut, true},
        {kCmdExit, true},
        {kCmdLanguageFirst, true},
        {kCmdMinimise, true},
        {kCmdRestore, true},
        {kCmdSendMessage, true},
        {kCmdTerms, true},
        {kCmdCopy, true},
        {kCmdExportContacts, true},
        {kCmdInterfaceButtonFirst, true},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(isCommandEnabled(c.id, idle)) << c.id;
        EXPECT_EQ(isCommandEnabled(c.id, pending), c.whilePending) << c.id;
    }
}

} // namespace
} // namespace textowl
