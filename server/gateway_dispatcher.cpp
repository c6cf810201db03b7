#include "server/gateway_dispatcher.h"

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
    : store_(store), options_(std::move(options)) {
    // A claim is answered within one request, bounded by the timeouts.
    const auto perRequest = std::chrono::duration_cast<std::chrono::seconds>(
        options_.timeouts.connect + options_.timeouts.write + options_.timeouts.read);
    options_.staleClaimSeconds =
        std::max<std::int64_t>(options_.staleClaimSeconds, perRequest.count() + 61);
}

GatewayDispatcher::~GatewayDispatcher() {
    stop();
}

void GatewayDispatcher::start() {
    // A store of this process alone has every open claim left behind by the last run. On a
    // shared database another instance may be waiting for its answer right now, so only the
    // claims too old for any live instance are settled.
    const std::int64_t now = options_.clock();
    const std::int64_t claimedBefore =
        store_.sharedByInstances() ? now - options_.staleClaimSeconds : now + 1;
    if (const int settled = store_.settleUnanswered(claimedBefore, now); settled > 0) {
        options_.diagnostics(std::to_string(settled) +
                             " message(s) were handed to the gateway when the service stopped "
                             "and no answer was recorded; they are marked unknown, not resent");
    }
    for (int i = 0; i < options_.workers; ++i) {
        workers_.emplace_back([this] { work(); });
    }
}

void GatewayDispatcher::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : workers_) {
        t.join();
    }
    workers_.clear();
}

void GatewayDispatcher::wake() {
    {
        std::lock_guard lock(mutex_);
        ++wakes_;
    }
    wake_.notify_all();
}

// Waits for a wake-up or the next poll; false once stopping.
bool GatewayDispatcher::idle(std::unique_lock<std::mutex>& lock) {
    const std::uint64_t seen = wakes_;
    wake_.wait_for(lock, options_.idlePoll, [&] { return stopping_ || wakes_ != seen; });
    return !stopping_;
}

void GatewayDispatcher::work() {
    SendsmsClient client(options_.gateway, options_.timeouts);
    std::int64_t lastSweep = 0;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) {
                return;
            }
        }
        try {
            const std::int64_t now = options_.clock();
            if (now - lastSweep >= options_.staleClaimSeconds) {
                store_.settleUnanswered(now - options_.staleClaimSeconds, now);
                lastSweep = now;
            }
            // One message at a time, claimed just before its own request: a claim left open by
            // a crash always belongs to a request that had started, and no more messages can
            // become unknown than there were requests in flight.
            const std::vector<ClaimedMessage> claimed = store_.claimDue(now, 1);
            if (!claimed.empty()) {
                dispatch(client, claimed.front());
                continue;
            }
        } catch (const std::exception& e) {
            options_.diagnostics(std::string("dispatching to the gateway failed: ") + e.what());
        }
        std::unique_lock lock(mutex_);
        if (!idle(lock)) {
            return;
        }
    }
}

void GatewayDispatcher::dispatch(SendsmsClient& client, const ClaimedMessage& m) {
    const SmsSubmission sms{
        m.sender,  m.recipient,       m.text,
        m.unicode, m.type == "flash", reportUrl(options_.publicUrl, m.id, m.reportSecret)};
    std::string detail;
    const GatewayAnswer answer = client.submit(sms, detail);
    store_.recordAnswers({answerFor(m, answer, detail, options_.clock())}, options_.clock());
}

DispatchAnswer GatewayDispatcher::answerFor(const ClaimedMessage& m, GatewayAnswer answer,
                                            const std::string& detail, std::int64_t now) {
    const std::string about = "message " + std::to_string(m.id) + " to the gateway " +
                              options_.gateway.redacted() + ": " + detail;
    switch (answer) {
    case GatewayAnswer::Accepted:
        return {m.id, DispatchAnswer::Kind::HandedOver, 0, {}};
    case GatewayAnswer::Temporary:
        if (now - m.firstTry >= options_.giveUpAfterSeconds) {
            options_.diagnostics("gave up on " + about);
            return {m.id, DispatchAnswer::Kind::Final, 0, MessageState::Failed,
                    "the gateway could not be reached for 24 hours: " + detail};
        }
        return {m.id,
                DispatchAnswer::Kind::Retry,
                now + retryDelaySeconds(m.attempts, options_.firstRetrySeconds,
                                        options_.maxRetrySeconds),
                {}};
    case GatewayAnswer::Refused:
        options_.diagnostics("refused " + about);
        return {m.id, DispatchAnswer::Kind::Final, 0, MessageState::Failed, detail};
    case GatewayAnswer::Unknown:
        break;
    }
    options_.diagnostics("no usable answer for " + about);
    return {m.id, DispatchAnswer::Kind::Final, 0, MessageState::Unknown};
}

} // namespace textowl::server
