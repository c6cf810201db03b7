#include "server/gateway/gateway_dispatcher.h"

#include <algorithm>
#include <exception>

namespace textowl::server {

std::string reportUrl(const std::string& publicUrl, std::int64_t id, const std::string& secret) {
    // %A is the operator's own text of the report, kept as the reason a message was not delivered.
    return publicUrl + "/pagewright/dlr?id=" + std::to_string(id) + "&secret=" + secret +
           "&type=%d&reason=%A";
}

std::int64_t retryDelaySeconds(int attempts, std::int64_t first, std::int64_t max) {
    std::int64_t delay = std::max<std::int64_t>(first, 1);
    for (int i = 0; i < attempts && delay < max; ++i) {
        delay *= 2;
    }
    return std::min(delay, max);
}

GatewayDispatcher::GatewayDispatcher(Store& store, DispatcherOptions options)
    : m_store(store), m_options(std::move(options)) {
    // A claim is answered within one request, bounded by the timeouts.
    const auto perRequest = std::chrono::duration_cast<std::chrono::seconds>(
        m_options.timeouts.connect + m_options.timeouts.write + m_options.timeouts.read);
    m_options.staleClaimSeconds =
        std::max<std::int64_t>(m_options.staleClaimSeconds, perRequest.count() + 61);
}

GatewayDispatcher::~GatewayDispatcher() {
    stop();
}

void GatewayDispatcher::start() {
    // A store of this process alone has every open claim left behind by the last run. On a
    // shared database another instance may be waiting for its answer right now, so only the
    // claims too old for any live instance are settled.
    const std::int64_t now = m_options.clock();
    const std::int64_t claimedBefore =
        m_store.sharedByInstances() ? now - m_options.staleClaimSeconds : now + 1;
    if (const int settled = m_store.outbox().settleUnanswered(claimedBefore, now); settled > 0) {
        m_options.diagnostics(std::to_string(settled) +
                              " message(s) were handed to the gateway when the service stopped "
                              "and no answer was recorded; they are marked unknown, not resent");
    }
    for (int i = 0; i < m_options.workers; ++i) {
        m_workers.emplace_back([this] { work(); });
    }
}

void GatewayDispatcher::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (std::thread& t : m_workers) {
        t.join();
    }
    m_workers.clear();
}

void GatewayDispatcher::wake() {
    {
        std::lock_guard lock(m_mutex);
        ++m_wakes;
    }
    m_wake.notify_all();
}

// Waits for a wake-up or the next poll; false once stopping.
bool GatewayDispatcher::idle(std::unique_lock<std::mutex>& lock) {
    const std::uint64_t seen = m_wakes;
    m_wake.wait_for(lock, m_options.idlePoll, [&] { return m_stopping || m_wakes != seen; });
    return !m_stopping;
}

void GatewayDispatcher::work() {
    SendsmsClient client(m_options.gateway, m_options.timeouts);
    std::int64_t lastSweep = 0;
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping) {
                return;
            }
        }
        try {
            const std::int64_t now = m_options.clock();
            if (now - lastSweep >= m_options.staleClaimSeconds) {
                m_store.outbox().settleUnanswered(now - m_options.staleClaimSeconds, now);
                lastSweep = now;
            }
            // One message at a time, claimed just before its own request: a claim left open by
            // a crash always belongs to a request that had started, and no more messages can
            // become unknown than there were requests in flight.
            const std::vector<ClaimedMessage> claimed = m_store.outbox().claimDue(now, 1);
            if (!claimed.empty()) {
                dispatch(client, claimed.front());
                continue;
            }
        } catch (const std::exception& e) {
            m_options.diagnostics(std::string("dispatching to the gateway failed: ") + e.what());
        }
        std::unique_lock lock(m_mutex);
        if (!idle(lock)) {
            return;
        }
    }
}

void GatewayDispatcher::dispatch(SendsmsClient& client, const ClaimedMessage& m) {
    const SmsSubmission sms{
        m.sender,  m.recipient,       m.text,
        m.unicode, m.type == "flash", reportUrl(m_options.publicUrl, m.id, m.reportSecret)};
    std::string detail;
    const GatewayAnswer answer = client.submit(sms, detail);
    m_store.outbox().recordAnswers({answerFor(m, answer, detail, m_options.clock())}, m_options.clock());
}

DispatchAnswer GatewayDispatcher::answerFor(const ClaimedMessage& m, GatewayAnswer answer,
                                            const std::string& detail, std::int64_t now) {
    const std::string about = "message " + std::to_string(m.id) + " to the gateway " +
                              m_options.gateway.redacted() + ": " + detail;
    switch (answer) {
    case GatewayAnswer::Accepted:
        return {m.id, DispatchAnswer::Kind::HandedOver, 0, {}};
    case GatewayAnswer::Temporary:
        if (now - m.firstTry >= m_options.giveUpAfterSeconds) {
            m_options.diagnostics("gave up on " + about);
            return {m.id, DispatchAnswer::Kind::Final, 0, MessageState::Failed,
                    "the gateway could not be reached for 24 hours: " + detail};
        }
        return {m.id,
                DispatchAnswer::Kind::Retry,
                now + retryDelaySeconds(m.attempts, m_options.firstRetrySeconds,
                                        m_options.maxRetrySeconds),
                {}};
    case GatewayAnswer::Refused:
        m_options.diagnostics("refused " + about);
        return {m.id, DispatchAnswer::Kind::Final, 0, MessageState::Failed, detail};
    case GatewayAnswer::Unknown:
        break;
    }
    m_options.diagnostics("no usable answer for " + about);
    return {m.id, DispatchAnswer::Kind::Final, 0, MessageState::Unknown};
}

} // namespace textowl::server
