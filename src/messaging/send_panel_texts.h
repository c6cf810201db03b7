#pragma once

#include "app/menu_tables.h"
#include "messaging/send_rules.h"

namespace textowl {

// Every text of the send-message panel, looked up in strings.xml with its built-in default.
enum class PanelText {
    ToLabel,
    CharsetLabel,
    RemainingFormat,
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
};
TextSource panelText(PanelText which);

// The key a send refusal's or outcome's message is looked up under; its default is the string
// table's text of the same id (600 to 605).
const char* panelMessageKey(int messageId);

inline constexpr int kMessageSent = 604;
inline constexpr int kMessageSendFailed = 605;

} // namespace textowl
