#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace textowl::server {

// Thrown inside the server library only; the request boundary turns it into a server fault.
class SqlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A transaction lost to a concurrent one (another instance on the same database); running it
// again from the start is safe and will see the other's result.
class SqlConflict : public SqlError {
public:
    using SqlError::SqlError;
};

// One statement being run. Parameters are written ?1, ?2, ... in the SQL text and are always
// bound, never spliced into it.
class SqlCursor {
public:
    virtual ~SqlCursor() = default;
    virtual void bind(int index, std::int64_t value) = 0;
    virtual void bind(int index, std::string_view value) = 0;
    virtual void bindBlob(int index, std::string_view bytes) = 0;
    virtual bool step() = 0; // true while a row is available
    virtual std::int64_t integer(int column) const = 0;
    virtual std::string text(int column) const = 0;
    virtual bool isNull(int column) const = 0;
};

enum class SqlDialect { Sqlite, Postgres };

// A connection to the store's database: an SQLite file or a PostgreSQL server. Callers hold it
// for one thread at a time.
class SqlDatabase {
public:
    // Write begins a transaction that takes its locks up front and sees no other writer in
    // between; Read gives several queries one snapshot; Claim is for statements that lock the
    // rows they change and skip the ones others hold.
    enum class Kind { Read, Write, Claim };

    virtual ~SqlDatabase() = default;
    virtual SqlDialect dialect() const = 0;
    // For statements without parameters only (schema, transaction control).
    virtual void exec(const char* sql) = 0;
    virtual std::unique_ptr<SqlCursor> prepare(const char* sql) = 0;
    virtual std::int64_t lastInsertId() = 0;
    virtual int changes() const = 0;
    virtual void begin(Kind kind) = 0;
    virtual void commit() = 0;
    virtual void rollback() noexcept = 0;
    // Commits made while relaxed need not reach the disk before they are acknowledged.
    virtual void relaxDurability(bool relaxed) = 0;
};

class Statement {
public:
    Statement(SqlDatabase& db, const char* sql) : m_cursor(db.prepare(sql)) {}
    Statement& bind(int index, std::int64_t value) {
        m_cursor->bind(index, value);
        return *this;
    }
    Statement& bind(int index, std::string_view value) {
        m_cursor->bind(index, value);
        return *this;
    }
    Statement& bindBlob(int index, std::string_view bytes) {
        m_cursor->bindBlob(index, bytes);
        return *this;
    }
    bool step() { return m_cursor->step(); }
    void run() {
        while (step()) {
        }
    }
    std::int64_t integer(int column) const { return m_cursor->integer(column); }
    std::string text(int column) const { return m_cursor->text(column); }
    bool isNull(int column) const { return m_cursor->isNull(column); }

private:
    std::unique_ptr<SqlCursor> m_cursor;
};

// Rolled back unless committed.
class Transaction {
public:
    using Kind = SqlDatabase::Kind;
    explicit Transaction(SqlDatabase& db, Kind kind = Kind::Write) : m_db(db) { m_db.begin(kind); }
    ~Transaction() {
        if (!m_done) {
            m_db.rollback();
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit() {
        m_db.commit();
        m_done = true;
    }

private:
    SqlDatabase& m_db;
    bool m_done = false;
};

// Commits made while it lives may be lost with the machine (not with the process, for SQLite in
// WAL mode); the next durable commit covers them.
class UnflushedCommits {
public:
    explicit UnflushedCommits(SqlDatabase& db) : m_db(db) { m_db.relaxDurability(true); }
    ~UnflushedCommits() {
        try {
            m_db.relaxDurability(false);
        } catch (const SqlError&) {
        }
    }
    UnflushedCommits(const UnflushedCommits&) = delete;
    UnflushedCommits& operator=(const UnflushedCommits&) = delete;

private:
    SqlDatabase& m_db;
};

} // namespace textowl::server

namespace textowl::server {

// Runs body (one whole transaction) again while it loses to concurrent ones. Only a shared
// PostgreSQL database reports such losses; bounded, so that a hot spot ends in a fault rather
// than a spin.
template <typename Body> auto retryingConflicts(Body&& body) {
    constexpr int kAttempts = 50;
    for (int attempt = 1;; ++attempt) {
        try {
            return body();
        } catch (const SqlConflict&) {
            if (attempt == kAttempts) {
                throw;
            }
        }
    }
}

} // namespace textowl::server
