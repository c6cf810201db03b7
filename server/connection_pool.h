#pragma once

#include "server/sql_database.h"

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
            : pool_(&pool), db_(std::move(db)), writer_(writer) {}
        Lease(Lease&& other) noexcept = default;
        Lease& operator=(Lease&&) = delete;
        ~Lease();
        SqlDatabase& operator*() const { return *db_; }
        SqlDatabase* operator->() const { return db_.get(); }

    private:
        ConnectionPool* pool_;
        std::unique_ptr<SqlDatabase> db_;
        bool writer_;
    };

    // Waits up to the timeout for a connection; throws SqlError past it.
    Lease lease(SqlDatabase::Kind kind);
    SqlDialect dialect() const { return dialect_; }
    // The most connections this pool opens, which is how much work can touch the database at
    // once.
    int capacity() const;

private:
    void giveBack(std::unique_ptr<SqlDatabase> db, bool writer);
    std::unique_ptr<SqlDatabase> open();

    std::string location_;
    DatabaseOptions options_;
    SqlDialect dialect_;
    // An SQLite database only in memory exists once per connection, so it keeps to one.
    bool single_ = false;
    std::mutex mutex_;
    std::condition_variable returned_;
    std::unique_ptr<SqlDatabase> writer_; // SQLite only; null while lent
    std::vector<std::unique_ptr<SqlDatabase>> idle_;
    int opened_ = 0; // besides the writer
};

int defaultDatabaseConnections();

} // namespace textowl::server
