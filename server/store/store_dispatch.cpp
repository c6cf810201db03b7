// The store's side of handing messages to the gateway and of their delivery reports.
#include "server/store/store.h"

#include <sodium.h>

namespace textowl::server {
namespace {

using Kind = SqlDatabase::Kind;

MessageState stateOf(const Statement& s, int column) {
    return parseStateName(s.text(column)).value_or(MessageState::Unknown);
}

} // namespace

HistoryEntry Store::historyEntry(const Statement& s) {
    return HistoryEntry{
        s.integer(0),  s.integer(1), s.text(2), s.text(3), static_cast<int>(s.integer(4)),
        stateOf(s, 5), s.integer(6), s.text(7)};
}

// SQLite has one writer at a time; PostgreSQL instances each lock the rows they claim and pass
// over the rows another holds, so two claimers never wait on, nor take, each other's messages.
std::vector<ClaimedMessage> Store::claimDue(std::int64_t now, int limit) {
    static const std::string kClaim =
        "UPDATE outbox SET state = 'submitted', state_at = ?1, claimed_at = ?1,"
        " answered_at = NULL, first_try = coalesce(first_try, ?1)"
        " WHERE id IN (SELECT id FROM outbox WHERE state = 'queued'"
        " AND due_at <= ?1 AND next_try <= ?1 ORDER BY due_at, id LIMIT ?2";
    static const std::string kReturning = ") RETURNING id, sender, recipient, type, unicode,"
                                          " text, report_token, attempts, first_try";
    static const std::string kSqlite = kClaim + kReturning;
    static const std::string kPostgres = kClaim + " FOR UPDATE SKIP LOCKED" + kReturning;
    const char* sql = (m_pool.dialect() == SqlDialect::Postgres ? kPostgres : kSqlite).c_str();
    Use use(m_pool, Kind::Claim);
    return retryingConflicts([&] {
        Transaction t(db(), Transaction::Kind::Claim);
        Statement claim(db(), sql);
        claim.bind(1, now).bind(2, std::int64_t{limit});
        std::vector<ClaimedMessage> claimed;
        while (claim.step()) {
            claimed.push_back(ClaimedMessage{claim.integer(0), claim.text(1), claim.text(2),
                                             claim.text(3), claim.integer(4) != 0, claim.text(5),
                                             claim.text(6), static_cast<int>(claim.integer(7)),
                                             claim.integer(8)});
        }
        t.commit();
        return claimed;
    });
}

void Store::refund(std::int64_t messageId) {
    Statement(db(), "UPDATE accounts SET balance_cents = balance_cents + 100 *"
                    " (SELECT parts FROM outbox WHERE id = ?1)"
                    " WHERE id = (SELECT account_id FROM outbox WHERE id = ?1)")
        .bind(1, messageId)
        .run();
}

// Durable like every other write: a final state that refunds credit must not be lost with the
// machine.
void Store::recordAnswers(const std::vector<DispatchAnswer>& answers, std::int64_t now) {
    Use use(m_pool, Kind::Write);
    retryingConflicts([&] { recordAnswersOnce(answers, now); });
}

void Store::recordAnswersOnce(const std::vector<DispatchAnswer>& answers, std::int64_t now) {
    Transaction t(db());
    for (const DispatchAnswer& a : answers) {
        switch (a.kind) {
        case DispatchAnswer::Kind::HandedOver:
            // A report may already have moved the message on; the state stays as it is.
            Statement(db(), "UPDATE outbox SET answered_at = ?2 WHERE id = ?1")
                .bind(1, a.id)
                .bind(2, now)
                .run();
            break;
        case DispatchAnswer::Kind::Retry:
            Statement(db(), "UPDATE outbox SET state = 'queued', state_at = ?2, next_try = ?3,"
                            " attempts = attempts + 1, claimed_at = NULL"
                            " WHERE id = ?1 AND state = 'submitted'")
                .bind(1, a.id)
                .bind(2, now)
                .bind(3, a.nextTry)
                .run();
            break;
        case DispatchAnswer::Kind::Final:
            Statement(db(), "UPDATE outbox SET state = ?3, state_at = ?2, answered_at = ?2,"
                            " reason = ?4 WHERE id = ?1 AND state = 'submitted'")
                .bind(1, a.id)
                .bind(2, now)
                .bind(3, stateName(a.finalState))
                .bind(4, a.reason)
                .run();
            if (db().changes() > 0 && refundsCredits(a.finalState)) {
                refund(a.id);
            }
            break;
        }
    }
    t.commit();
}

int Store::settleUnanswered(std::int64_t claimedBefore, std::int64_t now) {
    Use use(m_pool, Kind::Write);
    return retryingConflicts([&] {
        Transaction t(db());
        Statement(db(), "UPDATE outbox SET state = 'unknown', state_at = ?2"
                        " WHERE state = 'submitted' AND answered_at IS NULL AND claimed_at < ?1")
            .bind(1, claimedBefore)
            .bind(2, now)
            .run();
        const int settled = db().changes();
        t.commit();
        return settled;
    });
}

SettleOutcome Store::settle(std::int64_t id, MessageState state, std::int64_t now) {
    Use use(m_pool, Kind::Write);
    return retryingConflicts([&] {
        Transaction t(db());
        Statement find(db(), "SELECT state FROM outbox WHERE id = ?1");
        if (!find.bind(1, id).step()) {
            return SettleOutcome::NoSuchMessage;
        }
        if (stateOf(find, 0) != MessageState::Unknown) {
            return SettleOutcome::NotUnknown;
        }
        Statement(db(), "UPDATE outbox SET state = ?2, state_at = ?3 WHERE id = ?1")
            .bind(1, id)
            .bind(2, stateName(state))
            .bind(3, now)
            .run();
        if (refundsCredits(state)) {
            refund(id);
        }
        t.commit();
        return SettleOutcome::Settled;
    });
}

ReportOutcome Store::applyReport(std::int64_t id, std::string_view secret, int reportType,
                                 std::int64_t now, std::string_view reason) {
    // Committed durably before the gateway is told it arrived, since it will not send it again.
    Use use(m_pool, Kind::Write);
    return retryingConflicts([&] { return applyReportOnce(id, secret, reportType, now, reason); });
}

ReportOutcome Store::applyReportOnce(std::int64_t id, std::string_view secret, int reportType,
                                     std::int64_t now, std::string_view reason) {
    Transaction t(db());
    Statement find(db(), "SELECT state, report_token FROM outbox WHERE id = ?1");
    if (!find.bind(1, id).step()) {
        return ReportOutcome::Forged;
    }
    const std::string expected = find.text(1);
    // Compared in constant time, so that answers reveal nothing of a secret bit by bit.
    if (expected.empty() || expected.size() != secret.size() ||
        sodium_memcmp(expected.data(), secret.data(), secret.size()) != 0) {
        return ReportOutcome::Forged;
    }
    const auto next = stateAfterReport(stateOf(find, 0), reportType);
    if (!next) {
        return ReportOutcome::Unchanged;
    }
    // Only the reports that end a message badly say why; the others keep what was said before.
    Statement(db(), "UPDATE outbox SET state = ?2, state_at = ?3,"
                    " reason = CASE WHEN ?4 = 1 THEN ?5 ELSE reason END WHERE id = ?1")
        .bind(1, id)
        .bind(2, stateName(*next))
        .bind(3, now)
        .bind(4, std::int64_t{endsBadly(*next)})
        .bind(5, reason)
        .run();
    if (refundsCredits(*next)) {
        refund(id);
    }
    t.commit();
    return ReportOutcome::Applied;
}

std::vector<HistoryEntry> Store::history(AccountId account, int offset, int limit) {
    Use use(m_pool, Kind::Read);
    Statement s(db(), "SELECT id, due_at, recipient, text, parts, state, state_at, reason"
                      " FROM outbox WHERE account_id = ?1 ORDER BY id DESC LIMIT ?2 OFFSET ?3");
    s.bind(1, account).bind(2, std::int64_t{limit}).bind(3, std::int64_t{offset});
    std::vector<HistoryEntry> rows;
    while (s.step()) {
        rows.push_back(historyEntry(s));
    }
    return rows;
}

} // namespace textowl::server
