#pragma once

#include "server/store/store_types.h"

namespace textowl::server {

class Transactions;

// Messages accepted for sending, and their hand-off to the gateway.
class Outbox {
public:
    explicit Outbox(Transactions& transactions);

    // Stores one message per recipient and charges the cost, or nothing at all when the
    // balance does not cover it.
    Err queue(AccountId account, const std::vector<OutboxMessage>& messages, std::int64_t costCents,
              std::int64_t now);
    std::vector<OutboxMessage> list(const std::optional<std::string>& user);

    // A message is claimed (queued -> submitted) in the transaction that reads it, right before
    // its request leaves, so no two claimers ever hand over the same one.
    std::vector<ClaimedMessage> claimDue(std::int64_t now, int limit);
    // Records the gateway's answers in one transaction; credits go back with a final state
    // that refunds them.
    void recordAnswers(const std::vector<DispatchAnswer>& answers, std::int64_t now);
    // Claims whose answer was never recorded, made before claimedBefore, become unknown: the
    // gateway may have sent them, so they are never handed over again. Returns how many.
    int settleUnanswered(std::int64_t claimedBefore, std::int64_t now);
    // The operator's verdict on an unknown message: delivered or failed, the latter with its
    // credits back. Messages in any other state are left alone.
    SettleOutcome settle(std::int64_t id, MessageState state, std::int64_t now);

private:
    void recordAnswersOnce(const std::vector<DispatchAnswer>& answers, std::int64_t now);

private:
    Transactions& m_tx;
};

} // namespace textowl::server
