#include "messaging/message_send.h"

#include "messaging/send_rules.h"
#include "service/result_document.h"
#include "service/service_proxy.h"
#include "service/utf.h"

#include <array>

namespace textowl {

bool sendMessage(ServiceProxy& proxy, const OutgoingMessage& m) {
    if (m.ticket.empty())
        return false;
    const std::array<ServiceText, 7> params{
        utf8ToUtf16(m.ticket),
        utf8ToUtf16(m.from),
        utf8ToUtf16(m.to),
        utf8ToUtf16(m.text),
        utf8ToUtf16(messageTypeValue(m.flash)),
        utf8ToUtf16(unicodeValue(m.unicode)),
        utf8ToUtf16(m.schedule),
    };
    ServiceText result;
    if (failed(proxy.call(sendOperation(m.groupMode), params, &result)))
        return false;
    ResultDocument document;
    return !failed(checkResult(result, document));
}

} // namespace textowl
