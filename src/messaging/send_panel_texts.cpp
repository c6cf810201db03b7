#include "messaging/send_panel_texts.h"

#include <array>

namespace textowl {

TextSource panelText(PanelText which) {
    static constexpr std::array<TextSource, 14> kTexts{{
        {"dialogs/sendmessage/to", nullptr, "To:"},
        {"dialogs/sendmessage/charset", nullptr, "Character Set"},
        {"dialogs/sendmessage/remaining", nullptr, "Remaining: %d"},
        {"dialogs/sendmessage/sendmsg", nullptr, "Send Message"},
        {"dialogs/sendmessage/flash", nullptr, "Flash"},
        {"dialogs/sendmessage/enableschd", nullptr, "Enable Scheduling:"},
        {"dialogs/sendmessage/buttons/sendmessage", nullptr, "&Send Message"},
        {"dialogs/sendmessage/buttons/gotosend", nullptr, "&Goto Send"},
        {"dialogs/sendmessage/buttons/buddylist", nullptr, "&Return to Buddy List"},
        {"dialogs/sendmessage/buttons/logs", nullptr, "&View Logs"},
        {"dialogs/sendmessage/msglogs", nullptr, "Message Logs"},
        {"dialogs/sendmessage", "success", "Success"},
        {"dialogs/sendmessage", "failed", "Failed"},
        {"dialogs/sendmessage/status", nullptr, "Status:"},
    }};
    return kTexts[static_cast<std::size_t>(which)];
}

const char* panelMessageKey(int messageId) {
    switch (messageId) {
    case static_cast<int>(SendCheck::NoRecipient):
        return "dialogs/sendmessage/errors/invalidnumber";
    case static_cast<int>(SendCheck::BadNumber):
    case static_cast<int>(SendCheck::UnknownGroup):
        // One entry in strings.xml replaces both texts.
        return "dialogs/sendmessage/errors/invalidformat";
    case static_cast<int>(SendCheck::EmptyText):
        return "dialogs/sendmessage/errors/invalidtext";
    case kMessageSent:
        return "dialogs/sendmessage/errors/success";
    case kMessageSendFailed:
        return "dialogs/sendmessage/errors/failed";
    default:
        return "";
    }
}

} // namespace textowl
