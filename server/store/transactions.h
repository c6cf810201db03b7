#pragma once

// How the store's aggregates reach the database: one transaction at a time on a connection leased
// from the pool. Only the store's own files include this.

#include "server/store/connection_pool.h"
#include "server/store/result_codes.h"
#include "server/store/sql_database.h"

namespace textowl::server {

template <typename T> struct Outcome;

// The connection the calling thread leased; throws outside a lease.
SqlDatabase& db();

class Transactions {
public:
    explicit Transactions(ConnectionPool& pool) : m_pool(pool) {}

    // Leases a connection for the calling thread while it lives; db() is that connection, so the
    // pieces of one transaction need not pass it along.
    class Use {
    public:
        Use(Transactions& transactions, SqlDatabase::Kind kind);
        ~Use();
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;

    private:
        ConnectionPool::Lease m_lease;
        SqlDatabase* m_previous;
    };

    // One locked transaction around body; a write commits only when body reports success.
    template <typename Body> auto write(Body&& body) {
        Use use(*this, SqlDatabase::Kind::Write);
        return retryingConflicts([&] {
            Transaction t(db());
            auto outcome = body();
            if (succeeded(outcome)) {
                t.commit();
            }
            return outcome;
        });
    }
    template <typename Body> auto read(Body&& body) {
        Use use(*this, SqlDatabase::Kind::Read);
        return retryingConflicts([&] {
            Transaction t(db(), SqlDatabase::Kind::Read);
            auto outcome = body();
            t.commit();
            return outcome;
        });
    }

    SqlDialect dialect() const { return m_pool.dialect(); }

private:
    static bool succeeded(Err err) { return err == Err::Ok; }
    template <typename T> static bool succeeded(const Outcome<T>& outcome) {
        return outcome.err == Err::Ok;
    }

    ConnectionPool& m_pool;
};

} // namespace textowl::server
