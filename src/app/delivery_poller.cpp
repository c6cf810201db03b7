#include "app/delivery_poller.h"

#include "buddylist/buddy_list.h"
#include "messaging/failure_reason.h"
#include "service/service_proxy.h"
#include "service/utf.h"
#include "session/service_calls.h"
#include "session/session.h"
#include "texts/string_catalogue.h"
#include "texts/text_format.h"
#include "ui/prompts.h"
#include "ui/qt_text.h"

#include <algorithm>

namespace textowl {
namespace {

// The proxy's states for a reply with HTTP status 500: a SOAP fault, readable or not.
constexpr int kFaultStates[] = {7, 8};

// Digits only, so that "+46 70-123 45 67" and "46701234567" name the same phone.
std::string digits(std::string_view number) {
    std::string out;
    std::copy_if(number.begin(), number.end(), std::back_inserter(out),
                 [](char c) { return c >= '0' && c <= '9'; });
    return out;
}

const BuddyNode* buddyWithNumber(const BuddyNode& node, const std::string& wanted) {
    if (node.entry.isBuddy() && !wanted.empty() && digits(node.entry.cellPhone) == wanted)
        return &node;
    for (const auto& child : node.children) {
        if (const BuddyNode* found = buddyWithNumber(*child, wanted))
            return found;
    }
    return nullptr;
}

} // namespace

// apiGetMessageStates' answer, and whether the proxy saw a fault, read on the worker right after.
struct DeliveryPoller::StatesAnswer {
    Status status = E_FAIL;
    ServiceText result;
    bool faulted = false;
};

DeliveryPoller::DeliveryPoller(const SessionContext& context, std::function<void()> refreshBalance,
                               QObject* parent)
    : QObject(parent), m_context(context), m_refreshBalance(std::move(refreshBalance)) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &DeliveryPoller::check);
    connect(&m_context.session, &Session::stageChanged, this, &DeliveryPoller::followStage);
}

void DeliveryPoller::followStage() {
    switch (m_context.session.stage()) {
    case Session::Stage::SigningIn:
        m_sessionAge.start();
        m_watch = DeliveryWatch(m_announceDelivered);
        break;
    case Session::Stage::SignedIn:
        break;
    case Session::Stage::SignedOut:
        // The next session starts afresh, and asks a service that may have learnt the operation.
        m_timer.stop();
        m_step = 0;
        m_unsupported = false;
        break;
    }
}

void DeliveryPoller::messageAccepted() {
    if (m_unsupported || !m_context.session.signedIn())
        return;
    m_step = 0;
    scheduleNext();
}

void DeliveryPoller::scheduleNext() {
    if (m_pace.empty())
        return;
    m_timer.start(m_pace[std::min(m_step, m_pace.size() - 1)]);
    ++m_step;
}

// A check asked while a command's calls are pending goes to the service after them, in turn. It
// is the program's own errand, so it greys nothing while it is out.
void DeliveryPoller::check() {
    if (m_unsupported || !m_context.session.signedIn())
        return;
    const std::string ticket = m_context.session.ticket();
    m_context.calls.call<StatesAnswer>(
        [in = std::array<ServiceText, 2>{utf8ToUtf16(ticket),
                                         utf8ToUtf16(std::to_string(m_watch.since()))}](
            ServiceProxy& proxy) {
            StatesAnswer answer;
            answer.status = proxy.call(OperationId::apiGetMessageStates, in, &answer.result);
            answer.faulted =
                std::ranges::find(kFaultStates, proxy.clientErrorState()) != std::end(kFaultStates);
            return answer;
        },
        this, [this, ticket](StatesAnswer& answer) { statesAnswered(ticket, answer); },
        ServiceCalls::Asked::InBackground);
}

void DeliveryPoller::statesAnswered(const std::string& ticket, const StatesAnswer& states) {
    if (m_context.session.ticket() != ticket)
        return;
    if (failed(states.status) && states.faulted) {
        m_unsupported = true; // a service without the operation: not asked again this session
        emit checked();
        return;
    }
    const auto answer = succeeded(states.status) ? readMessageStates(states.result) : std::nullopt;
    std::vector<DeliveryNotice> notices;
    if (answer)
        notices = m_watch.take(*answer, m_sessionAge.isValid() ? m_sessionAge.elapsed() / 1000 : 0);
    for (const DeliveryNotice& notice : notices)
        announce(notice);
    // A notice's message box may have stayed open across a sign-out.
    if (!m_context.session.signedIn() || m_context.session.ticket() != ticket)
        return;
    if (std::ranges::any_of(notices, [](const DeliveryNotice& n) { return n.failed; }))
        m_refreshBalance();
    // An answer that could not be read leaves the messages where they were: ask again, unless a
    // send accepted meanwhile already set the next check.
    if ((m_watch.waiting() || !answer) && !m_timer.isActive())
        scheduleNext();
    emit checked();
}

QString DeliveryPoller::recipient(const std::string& number) const {
    const BuddyList* list = m_context.session.buddyList();
    const BuddyNode* buddy = list ? buddyWithNumber(list->root(), digits(number)) : nullptr;
    if (buddy == nullptr || buddy->text.empty())
        return qs(number);
    return qs(buddy->text) + QStringLiteral(" (") + qs(number) + QStringLiteral(")");
}

void DeliveryPoller::announce(const DeliveryNotice& notice) {
    const StringCatalogue& catalogue = m_context.catalogue;
    const MessageStatus& m = notice.message;
    const std::string to = recipient(m.to).toStdString();
    QString title, text;
    if (notice.failed) {
        const std::optional<Text> known = knownFailureReason(m.reason);
        const std::string reason = m.reason.empty() ? lookUp(catalogue, Text::NoticeNoReason)
                                   : known          ? lookUp(catalogue, *known)
                                                    : m.reason;
        title = localised(catalogue, Text::NoticeFailedTitle);
        text =
            qs(formatText(lookUp(catalogue, Text::NoticeFailed), {to, m.creditsReturned, reason}));
    } else {
        title = localised(catalogue, Text::NoticeDeliveredTitle);
        text = qs(formatText(lookUp(catalogue, Text::NoticeDelivered), {to}));
    }
    if (m_notifier && m_notifier(title, text, notice.failed))
        return;
    m_context.prompts.message(&m_context.dialogParent, text, title,
                              notice.failed ? Prompts::Icon::Warning : Prompts::Icon::Information);
}

} // namespace textowl
