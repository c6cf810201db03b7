#include "server/sqlite_db.h"

#include <sqlite3.h>
#include <utility>

namespace textowl::server {
namespace {

[[noreturn]] void fail(sqlite3* db, const char* what) {
    throw SqlError(std::string(what) + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

} // namespace

SqliteDb::SqliteDb(const std::string& path) {
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw SqlError("cannot open " + path + ": " + message);
    }
    sqlite3_busy_timeout(db_, 5000);
    sqlite3_extended_result_codes(db_, 1);
}

SqliteDb::~SqliteDb() {
    for (auto& [sql, stmt] : idle_) {
        sqlite3_finalize(stmt);
    }
    sqlite3_close_v2(db_);
}

sqlite3_stmt* SqliteDb::acquire(const char* sql) {
    {
        std::lock_guard lock(cacheMutex_);
        const auto it = idle_.find(std::string_view(sql));
        if (it != idle_.end() && it->second != nullptr) {
            return std::exchange(it->second, nullptr);
        }
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        fail(db_, "prepare");
    }
    return stmt;
}

// Filed under its own copy of the SQL text, since the caller's may be gone by now. A statement
// whose text already has one waiting (the same query nested) is finalised instead.
void SqliteDb::release(sqlite3_stmt* stmt) {
    if (stmt == nullptr) {
        return;
    }
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    std::lock_guard lock(cacheMutex_);
    const char* sql = sqlite3_sql(stmt);
    const auto it = idle_.find(std::string_view(sql));
    sqlite3_stmt*& slot = it != idle_.end() ? it->second : idle_[sql];
    if (slot == nullptr) {
        slot = stmt;
    } else {
        sqlite3_finalize(stmt);
    }
}

void SqliteDb::exec(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        fail(db_, sql);
    }
}

std::int64_t SqliteDb::lastInsertId() const {
    return sqlite3_last_insert_rowid(db_);
}

int SqliteDb::changes() const {
    return sqlite3_changes(db_);
}

Statement::Statement(SqliteDb& db, const char* sql) : db_(db), stmt_(db.acquire(sql)) {}

Statement::~Statement() {
    db_.release(stmt_);
}

Statement& Statement::bind(int index, std::int64_t value) {
    if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) {
        fail(db_.handle(), "bind");
    }
    return *this;
}

Statement& Statement::bind(int index, std::string_view value) {
    if (sqlite3_bind_text64(stmt_, index, value.data(), value.size(), SQLITE_TRANSIENT,
                            SQLITE_UTF8) != SQLITE_OK) {
        fail(db_.handle(), "bind");
    }
    return *this;
}

Statement& Statement::bindBlob(int index, std::string_view bytes) {
    if (sqlite3_bind_blob64(stmt_, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT) !=
        SQLITE_OK) {
        fail(db_.handle(), "bind");
    }
    return *this;
}

bool Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    fail(db_.handle(), "step");
}

void Statement::run() {
    while (step()) {
    }
}

std::int64_t Statement::integer(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

std::string Statement::text(int column) const {
    const auto* bytes = sqlite3_column_text(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    return bytes ? std::string(reinterpret_cast<const char*>(bytes), size) : std::string();
}

Transaction::Transaction(SqliteDb& db, Kind kind) : db_(db) {
    db_.exec(kind == Kind::Write ? "BEGIN IMMEDIATE" : "BEGIN");
}

Transaction::~Transaction() {
    if (!done_) {
        sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void Transaction::commit() {
    db_.exec("COMMIT");
    done_ = true;
}

} // namespace textowl::server
