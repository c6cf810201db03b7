#pragma once

#include "server/store/accounts.h"
#include "server/store/buddies.h"
#include "server/store/connection_pool.h"
#include "server/store/outbox.h"
#include "server/store/reports.h"
#include "server/store/sessions.h"
#include "server/store/store_types.h"
#include "server/store/transactions.h"

#include <string>

namespace textowl::server {

// All persistent state, in an SQLite file or a PostgreSQL database (see openDatabase), as one
// small class per aggregate over the one pool. Every method of theirs is one transaction on a
// connection leased from the pool, so the service sees a consistent database from any number of
// request threads, and from any number of instances sharing a PostgreSQL database. Every query
// that touches buddies, groups or messages is scoped by the account id.
class Store {
public:
    // Creates the schema, or brings an older one up to date. Throws SqlError when the database
    // cannot be opened or was written by a newer version of this program.
    explicit Store(const std::string& location, DatabaseOptions options = {});
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    Accounts& accounts() { return m_accounts; }
    Sessions& sessions() { return m_sessions; }
    Buddies& buddies() { return m_buddies; }
    Outbox& outbox() { return m_outbox; }
    Reports& reports() { return m_reports; }

    // Whether other instances may be working on the same database at the same time.
    bool sharedByInstances() const;
    // How many transactions can run at once.
    int concurrency() const { return m_pool.capacity(); }

    // Counts for consistency checks: buddies, groups, placements, messages of one account.
    struct Totals {
        std::int64_t buddies = 0, groups = 0, placements = 0, messages = 0, messageParts = 0;
    };
    Totals totals(AccountId account);

private:
    ConnectionPool m_pool;
    Transactions m_tx;
    Accounts m_accounts;
    Sessions m_sessions;
    Buddies m_buddies;
    Outbox m_outbox;
    Reports m_reports;
};

} // namespace textowl::server
