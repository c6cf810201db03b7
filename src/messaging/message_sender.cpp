#include "messaging/message_sender.h"

#include "session/service_calls.h"
#include "session/session.h"

#include <utility>

namespace textowl {

MessageSender::MessageSender(ServiceCalls& calls, const Session& session)
    : m_calls(calls), m_session(session) {}

void MessageSender::send(OutgoingMessage message, QObject* context,
                         std::function<void(bool sent)> answered) {
    message.ticket = m_session.ticket();
    message.from = m_session.user();
    m_calls.call<bool>(
        [message = std::move(message)](ServiceProxy& proxy) { return sendMessage(proxy, message); },
        context, [answered = std::move(answered)](bool& sent) { answered(sent); });
}

} // namespace textowl
