#include "server/store/sessions.h"

#include "server/store/rows.h"

namespace textowl::server {

namespace {

using Kind = SqlDatabase::Kind;

} // namespace

Sessions::Sessions(Transactions& transactions) : m_tx(transactions) {}

// Signing in sweeps the sessions that have expired, so lookups stay reads.
void Sessions::create(AccountId account, const std::string& tokenHash, std::int64_t now,
                      std::int64_t idleSeconds, const std::string& fromAddress) {
    m_tx.write([&] {
        if (!fromAddress.empty()) {
            Statement(db(), "INSERT INTO sign_in_addresses(account_id, address, last_success)"
                            " VALUES(?1, ?2, ?3) ON CONFLICT(account_id, address)"
                            " DO UPDATE SET last_success = excluded.last_success")
                .bind(1, account)
                .bind(2, fromAddress)
                .bind(3, now)
                .run();
        }
        Statement(db(), "DELETE FROM sessions WHERE last_used < ?1")
            .bind(1, now - idleSeconds)
            .run();
        Statement(db(),
                  "INSERT INTO sessions(token_hash, account_id, last_used) VALUES(?1, ?2, ?3)")
            .bindBlob(1, tokenHash)
            .bind(2, account)
            .bind(3, now)
            .run();
        return Err::Ok;
    });
}

bool Sessions::signedInFrom(const std::string& accountName, const std::string& address,
                            std::int64_t since) {
    Transactions::Use use(m_tx, Kind::Read);
    Statement s(db(), "SELECT 1 FROM sign_in_addresses t JOIN accounts a ON a.id = t.account_id"
                      " WHERE a.name = ?1 AND t.address = ?2 AND t.last_success >= ?3");
    return s.bind(1, accountName).bind(2, address).bind(3, since).step();
}

std::optional<AccountId> Sessions::touch(const std::string& tokenHash, std::int64_t now,
                                         std::int64_t idleSeconds) {
    AccountId account = 0;
    std::int64_t lastUsed = 0;
    {
        Transactions::Use use(m_tx, Kind::Read);
        Statement find(db(), "SELECT account_id, last_used FROM sessions WHERE token_hash = ?1");
        if (!find.bindBlob(1, tokenHash).step()) {
            return std::nullopt;
        }
        account = find.integer(0);
        lastUsed = find.integer(1);
    }
    if (lastUsed < now - idleSeconds) {
        m_tx.write([&] {
            Statement(db(), "DELETE FROM sessions WHERE token_hash = ?1")
                .bindBlob(1, tokenHash)
                .run();
            return Err::Ok;
        });
        return std::nullopt;
    }
    // The idle clock is written at most once a second: calls in a burst share one write, and
    // a session still ends exactly when it has been idle for the full time.
    if (lastUsed < now) {
        // Losing this write in a crash only ends the session a little early; it is not worth a
        // flush to disk that every other call would queue behind once a second.
        Transactions::Use use(m_tx, Kind::Write);
        UnflushedCommits unflushed(db());
        retryingConflicts([&] {
            Transaction t(db());
            Statement(db(),
                      "UPDATE sessions SET last_used = ?2 WHERE token_hash = ?1 AND last_used < ?2")
                .bindBlob(1, tokenHash)
                .bind(2, now)
                .run();
            t.commit();
        });
    }
    return account;
}

bool Sessions::end(const std::string& tokenHash) {
    return m_tx.write([&] {
        Statement(db(), "DELETE FROM sessions WHERE token_hash = ?1").bindBlob(1, tokenHash).run();
        return changedOrNotFound();
    }) == Err::Ok;
}

} // namespace textowl::server
