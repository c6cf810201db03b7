#pragma once

#include "app/main_window.h"
#include "session/session.h"

#include <QTest>

namespace textowl {

// Puts the window in a state as the session and the buddy tree would, for tests of what a state
// enables; no service is involved, so there is no ticket to give back.
inline void enterState(MainWindow& window, Session& session, const WindowState& state) {
    if (!state.signingIn && !state.signedIn)
        session.end();
    else if (session.stage() == Session::Stage::SignedOut)
        session.begin("ann", "");
    if (state.signedIn)
        session.complete();
    session.setSending(state.sending);
    window.setEditFlags(
        {state.cutEnabled, state.copyEnabled, state.pasteEnabled, state.deleteEnabled});
}

// Lets the calls asked for so far, and those their answers ask for, come back and be handled.
inline bool waitForAnswers(const Session& session, int timeoutMs = 10000) {
    return QTest::qWaitFor([&session] { return !session.callPending(); }, timeoutMs);
}

} // namespace textowl
