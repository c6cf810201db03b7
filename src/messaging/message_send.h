#pragma once

#include <string>

namespace textowl {

class ServiceProxy;

// One message as the panel hands it to the service.
struct OutgoingMessage {
    std::string to;
    std::string text;
    std::string schedule;
    bool groupMode = false;
    bool flash = false;
    bool unicode = false;
};

// Sends the message in the name of the signed-in user. True only when the call completed and the
// service's answer passed the result check; without a session ticket nothing is sent.
bool sendMessage(ServiceProxy& proxy, const OutgoingMessage& message);

} // namespace textowl
