#include "server/store/outbox.h"

#include "server/store/rows.h"

namespace textowl::server {

namespace {

using Kind = SqlDatabase::Kind;

} // namespace

Outbox::Outbox(Transactions& transactions) : m_tx(transactions) {}

Err Outbox::queue(AccountId account, const std::vector<OutboxMessage>& messages,
                  std::int64_t costCents, std::int64_t now) {
    return m_tx.write([&] {
        Statement(db(), "UPDATE accounts SET balance_cents = balance_cents - ?2"
                        " WHERE id = ?1 AND balance_cents >= ?2")
            .bind(1, account)
            .bind(2, costCents)
            .run();
        if (db().changes() == 0) {
            return Err::InsufficientCredit;
        }
        for (const OutboxMessage& m : messages) {
            Statement(db(), "INSERT INTO outbox(account_id, sender, recipient, type, unicode,"
                            " schedule, parts, text, accepted, state, state_at, due_at,"
                            " report_token) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?9,"
                            " ?11, ?12)")
                .bind(1, account)
                .bind(2, m.sender)
                .bind(3, m.recipient)
                .bind(4, m.type)
                .bind(5, std::int64_t{m.unicode ? 1 : 0})
                .bind(6, m.schedule)
                .bind(7, std::int64_t{m.parts})
                .bind(8, m.text)
                .bind(9, now)
                .bind(10, stateName(m.state))
                .bind(11, m.dueAt)
                .bind(12, m.reportSecret)
                .run();
        }
        return Err::Ok;
    });
}

std::vector<OutboxMessage> Outbox::list(const std::optional<std::string>& user) {
    Transactions::Use use(m_tx, Kind::Read);
    Statement s(
        db(),
        "SELECT o.id, a.name, o.sender, o.recipient, o.type, o.unicode, o.schedule,"
        " o.parts, o.text, o.state, o.state_at FROM outbox o JOIN accounts a ON a.id = o.account_id"
        " WHERE CAST(?1 AS TEXT) IS NULL OR a.name = ?1 ORDER BY o.id");
    if (user) {
        s.bind(1, *user);
    }
    std::vector<OutboxMessage> rows;
    while (s.step()) {
        rows.push_back(OutboxMessage{s.integer(0),
                                     s.text(1),
                                     s.text(2),
                                     s.text(3),
                                     s.text(4),
                                     s.integer(5) != 0,
                                     s.text(6),
                                     static_cast<int>(s.integer(7)),
                                     s.text(8),
                                     parseStateName(s.text(9)).value_or(MessageState::Unknown),
                                     s.integer(10),
                                     0,
                                     {}});
    }
    return rows;
}

// SQLite has one writer at a time; PostgreSQL instances each lock the rows they claim and pass
// over the rows another holds, so two claimers never wait on, nor take, each other's messages.
std::vector<ClaimedMessage> Outbox::claimDue(std::int64_t now, int limit) {
    static const std::string kClaim =
        "UPDATE outbox SET state = 'submitted', state_at = ?1, claimed_at = ?1,"
        " answered_at = NULL, first_try = coalesce(first_try, ?1)"
        " WHERE id IN (SELECT id FROM outbox WHERE state = 'queued'"
        " AND due_at <= ?1 AND next_try <= ?1 ORDER BY due_at, id LIMIT ?2";
    static const std::string kReturning = ") RETURNING id, sender, recipient, type, unicode,"
                                          " text, report_token, attempts, first_try";
    static const std::string kSqlite = kClaim + kReturning;
    static const std::string kPostgres = kClaim + " FOR UPDATE SKIP LOCKED" + kReturning;
    const char* sql = (m_tx.dialect() == SqlDialect::Postgres ? kPostgres : kSqlite).c_str();
    Transactions::Use use(m_tx, Kind::Claim);
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

// Durable like every other write: a final state that refunds credit must not be lost with the
// machine.
void Outbox::recordAnswers(const std::vector<DispatchAnswer>& answers, std::int64_t now) {
    Transactions::Use use(m_tx, Kind::Write);
    retryingConflicts([&] { recordAnswersOnce(answers, now); });
}

void Outbox::recordAnswersOnce(const std::vector<DispatchAnswer>& answers, std::int64_t now) {
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

int Outbox::settleUnanswered(std::int64_t claimedBefore, std::int64_t now) {
    Transactions::Use use(m_tx, Kind::Write);
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

SettleOutcome Outbox::settle(std::int64_t id, MessageState state, std::int64_t now) {
    Transactions::Use use(m_tx, Kind::Write);
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

} // namespace textowl::server
