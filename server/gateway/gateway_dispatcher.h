#pragma once

#include "server/gateway/sendsms_client.h"
#include "server/store/store.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace textowl::server {

struct DispatcherOptions {
    GatewayUrl gateway;
    // Where the gateway reaches this service for delivery reports: "http://HOST:PORT".
    std::string publicUrl;
    std::function<std::int64_t()> clock; // Unix seconds
    std::function<void(const std::string&)> diagnostics;
    SendsmsTimeouts timeouts;
    // Several requests in flight, so that the gateway rather than one round trip at a time
    // sets the pace.
    int workers = 4;
    std::chrono::milliseconds idlePoll{250};
    // Temporary failures wait twice as long each time, from firstRetry up to maxRetry apart,
    // and give up giveUpAfter the first try.
    std::int64_t firstRetrySeconds = 1;
    std::int64_t maxRetrySeconds = 300;
    std::int64_t giveUpAfterSeconds = 24 * 3600;
    // A claim unanswered for this long belongs to a dispatcher that is gone; it outlasts the
    // longest request the timeouts allow.
    std::int64_t staleClaimSeconds = 120;
};

// The report address of one message; the gateway replaces %d with the report's type.
std::string reportUrl(const std::string& publicUrl, std::int64_t id, const std::string& secret);

// How long a message waits after its attempts-th temporary failure.
std::int64_t retryDelaySeconds(int attempts, std::int64_t first, std::int64_t max);

// Hands due messages to the gateway. Each message is claimed in the store right before its own
// request starts, and its answer recorded after: a message is handed over at most once, and one
// whose answer was lost (the process died in between) becomes unknown instead of going out again.
class GatewayDispatcher {
public:
    GatewayDispatcher(Store& store, DispatcherOptions options);
    ~GatewayDispatcher();
    GatewayDispatcher(const GatewayDispatcher&) = delete;
    GatewayDispatcher& operator=(const GatewayDispatcher&) = delete;

    // Settles the claims a previous run left unanswered, then starts the workers.
    void start();
    // Lets each worker finish the request it is in; nothing else is claimed meanwhile.
    void stop();
    // New messages were queued: look now rather than at the next poll.
    void wake();

private:
    void work();
    void dispatch(SendsmsClient& client, const ClaimedMessage& m);
    DispatchAnswer answerFor(const ClaimedMessage& m, GatewayAnswer answer,
                             const std::string& detail, std::int64_t now);
    bool idle(std::unique_lock<std::mutex>& lock);

    Store& m_store;
    DispatcherOptions m_options;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::uint64_t m_wakes = 0;
    std::vector<std::thread> m_workers;
};

} // namespace textowl::server
