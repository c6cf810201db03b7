#pragma once

namespace textowl {

// The main window's state that decides its view, the enabled commands and the key shortcuts.
struct WindowState {
    bool signingIn = false;
    bool signedIn = false;
    bool sending = false;     // the send-message panel is the page of the buddy-list tab
    bool callPending = false; // a service call is on its way; its answer is not yet handled
    bool cutEnabled = false;
    bool copyEnabled = false;
    bool pasteEnabled = false;
    bool deleteEnabled = false;
};

} // namespace textowl
