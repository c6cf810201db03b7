#include "server/sqlite_db.h"

#include <sqlite3.h>
#include <utility>

namespace textowl::server {
namespace {

[[noreturn]] void fail(sqlite3* db, const char* what) {
    throw SqlError(std::string(what) + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

} // namespace

SqliteDb::SqliteDb(const std::string& path, std::chrono::milliseconds busyTimeout) {
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw SqlError("cannot open " + path + ": " + message);
    }
    sqlite3_busy_timeout(db_, static_cast<int>(busyTimeout.count()));
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

std::int64_t SqliteDb::lastInsertId() {
    return sqlite3_last_insert_rowid(db_);
}

int SqliteDb::changes() const {
    return sqlite3_changes(db_);
}

namespace {

// A prepared statement on loan from the connection's cache.
class SqliteCursor : public SqlCursor {
public:
    SqliteCursor(SqliteDb& db, const char* sql) : db_(db), stmt_(db.acquire(sql)) {}
    ~SqliteCursor() override { db_.release(stmt_); }
    SqliteCursor(const SqliteCursor&) = delete;
    SqliteCursor& operator=(const SqliteCursor&) = delete;

    void bind(int index, std::int64_t value) override {
        if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) {
            fail(db_.handle(), "bind");
        }
    }
    void bind(int index, std::string_view value) override {
        if (sqlite3_bind_text64(stmt_, index, value.data(), value.size(), SQLITE_TRANSIENT,
                                SQLITE_UTF8) != SQLITE_OK) {
            fail(db_.handle(), "bind");
        }
    }
    void bindBlob(int index, std::string_view bytes) override {
        if (sqlite3_bind_blob64(stmt_, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT) !=
            SQLITE_OK) {
            fail(db_.handle(), "bind");
        }
    }
    bool step() override {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) {
            return true;
        }
        if (rc == SQLITE_DONE) {
            return false;
        }
        fail(db_.handle(), "step");
    }
    std::int64_t integer(int column) const override { return sqlite3_column_int64(stmt_, column); }
    std::string text(int column) const override {
        const auto* bytes = sqlite3_column_text(stmt_, column);
        const int size = sqlite3_column_bytes(stmt_, column);
        return bytes ? std::string(reinterpret_cast<const char*>(bytes), size) : std::string();
    }
    bool isNull(int column) const override {
        return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
    }

private:
    SqliteDb& db_;
    sqlite3_stmt* stmt_ = nullptr;
};

} // namespace

std::unique_ptr<SqlCursor> SqliteDb::prepare(const char* sql) {
    return std::make_unique<SqliteCursor>(*this, sql);
}

// A write begins IMMEDIATE so that it waits for the lock up front instead of failing on upgrade.
void SqliteDb::begin(Kind kind) {
    exec(kind == Kind::Read ? "BEGIN" : "BEGIN IMMEDIATE");
}

void SqliteDb::commit() {
    exec("COMMIT");
}

void SqliteDb::rollback() noexcept {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqliteDb::relaxDurability(bool relaxed) {
    exec(relaxed ? "PRAGMA synchronous=NORMAL" : "PRAGMA synchronous=FULL");
}

} // namespace textowl::server
