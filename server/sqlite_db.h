#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace textowl::server {

// Thrown inside the server library only; the request boundary turns it into a server fault.
class SqlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class SqliteDb {
public:
    explicit SqliteDb(const std::string& path);
    ~SqliteDb();
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    sqlite3* handle() const { return db_; }
    // For statements without parameters only (schema, pragmas, transaction control).
    void exec(const char* sql);
    std::int64_t lastInsertId() const;
    int changes() const;

    // Preparing a statement costs more than running the small queries of a call, so each SQL
    // text is prepared once and its statement handed out again whenever it is not in use.
    sqlite3_stmt* acquire(const char* sql);
    void release(sqlite3_stmt* stmt);

private:
    struct SqlHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view sql) const {
            return std::hash<std::string_view>{}(sql);
        }
    };

    sqlite3* db_ = nullptr;
    std::mutex cacheMutex_;
    // A statement not in use for each SQL text seen; a null entry while that one is in use.
    std::unordered_map<std::string, sqlite3_stmt*, SqlHash, std::equal_to<>> idle_;
};

// A prepared statement; values are always bound, never spliced into the SQL text.
class Statement {
public:
    Statement(SqliteDb& db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, std::string_view value);
    Statement& bindBlob(int index, std::string_view bytes);
    // True while a row is available.
    bool step();
    void run(); // steps to completion

    std::int64_t integer(int column) const;
    std::string text(int column) const;

private:
    SqliteDb& db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// A write transaction begins IMMEDIATE so that it waits for the lock up front instead of failing
// on upgrade; a read transaction gives several queries one snapshot. Rolled back unless committed.
class Transaction {
public:
    enum class Kind { Read, Write };
    explicit Transaction(SqliteDb& db, Kind kind = Kind::Write);
    ~Transaction();
    void commit();

private:
    SqliteDb& db_;
    bool done_ = false;
};

// Commits made while it lives are not flushed to disk; the next flushed commit covers them. In
// WAL mode they survive the process dying, only not the machine.
class UnflushedCommits {
public:
    explicit UnflushedCommits(SqliteDb& db) : db_(db) { db_.exec("PRAGMA synchronous=NORMAL"); }
    ~UnflushedCommits() {
        try {
            db_.exec("PRAGMA synchronous=FULL");
        } catch (const SqlError&) {
        }
    }
    UnflushedCommits(const UnflushedCommits&) = delete;
    UnflushedCommits& operator=(const UnflushedCommits&) = delete;

private:
    SqliteDb& db_;
};

} // namespace textowl::server
