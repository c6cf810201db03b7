#pragma once

#include <string>

namespace textowl {

class ServiceProxy;

// One message as the panel hands it to the service, in the name of the session's user.
struct OutgoingMessage {
    std::string ticket;
    std::string from;
    std::string to;
    std::string text;
    std::string schedule;
    bool groupMode = false;
    bool flash = false;
    bool unicode = false;
};

// Sends the message. True only when the call completed and the service's answer passed the result
// check; without a ticket nothing is sent.
bool sendMessage(ServiceProxy& proxy, const OutgoingMessage& message);

} // namespace textowl
