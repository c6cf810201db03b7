#include "server/store/reports.h"

#include "server/store/rows.h"

#include <algorithm>
#include <sodium.h>

namespace textowl::server {

namespace {

using Kind = SqlDatabase::Kind;

} // namespace

Reports::Reports(Transactions& transactions) : m_tx(transactions) {}

ReportOutcome Reports::apply(std::int64_t id, std::string_view secret, int reportType,
                             std::int64_t now, std::string_view reason) {
    // Committed durably before the gateway is told it arrived, since it will not send it again.
    Transactions::Use use(m_tx, Kind::Write);
    return retryingConflicts([&] { return applyOnce(id, secret, reportType, now, reason); });
}

ReportOutcome Reports::applyOnce(std::int64_t id, std::string_view secret, int reportType,
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

std::vector<HistoryEntry> Reports::history(AccountId account, int offset, int limit) {
    Transactions::Use use(m_tx, Kind::Read);
    Statement s(db(), "SELECT id, due_at, recipient, text, parts, state, state_at, reason"
                      " FROM outbox WHERE account_id = ?1 ORDER BY id DESC LIMIT ?2 OFFSET ?3");
    s.bind(1, account).bind(2, std::int64_t{limit}).bind(3, std::int64_t{offset});
    std::vector<HistoryEntry> rows;
    while (s.step()) {
        rows.push_back(historyEntry(s));
    }
    return rows;
}

std::vector<HistoryEntry> Reports::messagesAfter(AccountId account, std::int64_t since, int limit) {
    // Without a starting point the newest are wanted: read backwards, then turned round.
    const std::string sql =
        std::string("SELECT id, due_at, recipient, text, parts, state, state_at,"
                    " reason FROM outbox WHERE account_id = ?1 AND id > ?2"
                    " ORDER BY id") +
        (since > 0 ? "" : " DESC") + " LIMIT ?3";
    return m_tx.read([&] {
        Statement s(db(), sql.c_str());
        s.bind(1, account).bind(2, since).bind(3, std::int64_t{limit});
        std::vector<HistoryEntry> rows;
        while (s.step()) {
            rows.push_back(historyEntry(s));
        }
        if (since <= 0) {
            std::reverse(rows.begin(), rows.end());
        }
        return rows;
    });
}

} // namespace textowl::server
