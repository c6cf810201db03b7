#pragma once

#include "server/store/sql_database.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace textowl::server {

struct DatabaseOptions {
    // PostgreSQL: connections in all. SQLite: readers beside its single writer.
    int connections = 0; // 0: twice the processor cores
    // A statement, a lock wait or a wait for a free connection that takes longer ends the call
    // in a fault, so that one hung database cannot hold every worker for long.
    std::chrono::milliseconds timeout{5000};
};

// Connections to one database, each lent to one transaction at a time. SQLite allows one
// writer, so writes take its one writer connection while reads spread over the readers; every
// PostgreSQL connection takes either. Connections open when first needed.
class ConnectionPool {
public:
    ConnectionPool(std::string location, DatabaseOptions options);
    ~ConnectionPool();
    ConnectionPool(const ConnectionPool&) = delete;
    ConnectionPool& operator=(const ConnectionPool&) = delete;

    class Lease {
    public:
        Lease(ConnectionPool& pool, std::unique_ptr<SqlDatabase> db, bool writer)
            : m_pool(&pool), m_db(std::move(db)), m_writer(writer) {}
        Lease(Lease&& other) noexcept = default;
        Lease& operator=(Lease&&) = delete;
        ~Lease();
        SqlDatabase& operator*() const { return *m_db; }
        SqlDatabase* operator->() const { return m_db.get(); }

    private:
        ConnectionPool* m_pool;
        std::unique_ptr<SqlDatabase> m_db;
        bool m_writer;
    };

    // Waits up to the timeout for a connection; throws SqlError past it.
    Lease lease(SqlDatabase::Kind kind);
    SqlDialect dialect() const { return m_dialect; }
    // The most connections this pool opens, which is how much work can touch the database at
    // once.
    int capacity() const;

private:
    void giveBack(std::unique_ptr<SqlDatabase> db, bool writer);
    std::unique_ptr<SqlDatabase> open();

    std::string m_location;
    DatabaseOptions m_options;
    SqlDialect m_dialect;
    // An SQLite database only in memory exists once per connection, so it keeps to one.
    bool m_single = false;
    std::mutex m_mutex;
    std::condition_variable m_returned;
    std::unique_ptr<SqlDatabase> m_writer; // SQLite only; null while lent
    std::vector<std::unique_ptr<SqlDatabase>> m_idle;
    int m_opened = 0; // besides the writer
};

int defaultDatabaseConnections();

} // namespace textowl::server
