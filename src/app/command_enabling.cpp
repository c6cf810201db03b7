#include "app/command_enabling.h"

#include "base/command_ids.h"

namespace textowl {

bool isCommandEnabled(int id, const WindowState& state) {
    switch (id) {
    case kCmdAddContact:
    case kCmdEditContact:
    case kCmdAddGroup:
    case kCmdTerms:
    case kCmdFaqs:
    case kCmdContactUs:
    case kCmdAbout:
        return state.signedIn;
    case kCmdCut:
        return state.cutEnabled;
    case kCmdCopy:
        return state.copyEnabled;
    case kCmdPaste:
        return state.pasteEnabled;
    case kCmdDelete:
        return state.deleteEnabled;
    // Each runs many calls against the list the tree shows, which the panel hides.
    case kCmdImportContacts:
    case kCmdExportContacts:
        return state.signedIn && !state.sending;
    default:
        return true;
    }
}

} // namespace textowl
