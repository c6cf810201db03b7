#pragma once

#include "messaging/message_send.h"

#include <functional>

class QObject;

namespace textowl {

class ServiceCalls;
class Session;

// Hands one message at a time to the service in the name of the session's user and tells the
// asker how it went; nothing waits for the answer.
class MessageSender {
public:
    MessageSender(ServiceCalls& calls, const Session& session);

    // The ticket and the sender are the session's as they are now, whatever the message says. The
    // answer comes back bound to `context`; sign-out or exit in the meantime drop it.
    void send(OutgoingMessage message, QObject* context, std::function<void(bool sent)> answered);

private:
    ServiceCalls& m_calls;
    const Session& m_session;
};

} // namespace textowl
