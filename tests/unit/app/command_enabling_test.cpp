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

} // namespace
} // namespace textowl
