#include "app/command_enabling.h"

#include "base/command_ids.h"

namespace textowl {

namespace {

// What the command would be without a call pending.
bool enabledWhenIdle(int id, const WindowState& state) {
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

// The commands that call the service. One at a time: an answer still to come may change the list
// they would act on. Copy and export only read the list as it is.
bool callsTheService(int id) {
    switch (id) {
    case kCmdAddContact:
    case kCmdEditContact:
    case kCmdAddGroup:
    case kCmdEditGroup:
    case kCmdDeleteGroup:
    case kCmdCut:
    case kCmdPaste:
    case kCmdDelete:
    case kCmdImportContacts:
        return true;
    default:
        return false;
    }
}

} // namespace

bool isCommandEnabled(int id, const WindowState& state) {
    return enabledWhenIdle(id, state) && !(state.callPending && callsTheService(id));
}

} // namespace textowl
