#include "server/store/store.h"

#include "server/store/schema.h"

namespace textowl::server {

Store::Store(const std::string& location, DatabaseOptions options)
    : m_pool(location, options), m_tx(m_pool), m_accounts(m_tx), m_sessions(m_tx), m_buddies(m_tx),
      m_outbox(m_tx), m_reports(m_tx) {
    prepareSchema(m_tx);
}

bool Store::sharedByInstances() const {
    return m_pool.dialect() == SqlDialect::Postgres;
}

Store::Totals Store::totals(AccountId account) {
    return m_tx.read([&] {
        auto count = [&](const char* sql) {
            Statement s(db(), sql);
            s.bind(1, account).step();
            return s.integer(0);
        };
        Totals totals;
        totals.buddies = count("SELECT count(*) FROM buddies WHERE account_id = ?1");
        totals.groups = count("SELECT count(*) FROM buddy_groups WHERE account_id = ?1");
        totals.placements = count("SELECT count(*) FROM placements p JOIN buddies b"
                                  " ON b.id = p.buddy_id WHERE b.account_id = ?1");
        totals.messages = count("SELECT count(*) FROM outbox WHERE account_id = ?1");
        totals.messageParts =
            count("SELECT coalesce(sum(parts), 0) FROM outbox WHERE account_id = ?1");
        return totals;
    });
}

} // namespace textowl::server
