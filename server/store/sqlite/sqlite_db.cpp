#include "server/store/sqlite/sqlite_db.h"

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
    if (sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr) != SQLITE_OK) {
        const std::string message = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        m_db = nullptr;
        throw SqlError("cannot open " + path + ": " + message);
    }
    sqlite3_busy_timeout(m_db, static_cast<int>(busyTimeout.count()));
    sqlite3_extended_result_codes(m_db, 1);
}

SqliteDb::~SqliteDb() {
    for (auto& [sql, stmt] : m_idle) {
        sqlite3_finalize(stmt);
    }
    sqlite3_close_v2(m_db);
}

sqlite3_stmt* SqliteDb::acquire(const char* sql) {
    {
        std::lock_guard lock(m_cacheMutex);
        const auto it = m_idle.find(std::string_view(sql));
        if (it != m_idle.end() && it->second != nullptr) {
            return std::exchange(it->second, nullptr);
        }
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        fail(m_db, "prepare");
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
    std::lock_guard lock(m_cacheMutex);
    const char* sql = sqlite3_sql(stmt);
    const auto it = m_idle.find(std::string_view(sql));
    sqlite3_stmt*& slot = it != m_idle.end() ? it->second : m_idle[sql];
    if (slot == nullptr) {
        slot = stmt;
    } else {
        sqlite3_finalize(stmt);
    }
}

void SqliteDb::exec(const char* sql) {
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        fail(m_db, sql);
    }
}

std::int64_t SqliteDb::lastInsertId() {
    return sqlite3_last_insert_rowid(m_db);
}

int SqliteDb::changes() const {
    return sqlite3_changes(m_db);
}

namespace {

// A prepared statement on loan from the connection's cache.
class SqliteCursor : public SqlCursor {
public:
    SqliteCursor(SqliteDb& db, const char* sql) : m_db(db), m_stmt(db.acquire(sql)) {}
    ~SqliteCursor() override { m_db.release(m_stmt); }
    SqliteCursor(const SqliteCursor&) = delete;
    SqliteCursor& operator=(const SqliteCursor&) = delete;

    void bind(int index, std::int64_t value) override {
        if (sqlite3_bind_int64(m_stmt, index, value) != SQLITE_OK) {
            fail(m_db.handle(), "bind");
        }
    }
    void bind(int index, std::string_view value) override {
        if (sqlite3_bind_text64(m_stmt, index, value.data(), value.size(), SQLITE_TRANSIENT,
                                SQLITE_UTF8) != SQLITE_OK) {
            fail(m_db.handle(), "bind");
        }
    }
    void bindBlob(int index, std::string_view bytes) override {
        if (sqlite3_bind_blob64(m_stmt, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT) !=
            SQLITE_OK) {
            fail(m_db.handle(), "bind");
        }
    }
    bool step() override {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW) {
            return true;
        }
        if (rc == SQLITE_DONE) {
            return false;
        }
        fail(m_db.handle(), "step");
    }
    std::int64_t integer(int column) const override { return sqlite3_column_int64(m_stmt, column); }
    std::string text(int column) const override {
        const auto* bytes = sqlite3_column_text(m_stmt, column);
        const int size = sqlite3_column_bytes(m_stmt, column);
        return bytes ? std::string(reinterpret_cast<const char*>(bytes), size) : std::string();
    }
    bool isNull(int column) const override {
        return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
    }

private:
    SqliteDb& m_db;
    sqlite3_stmt* m_stmt = nullptr;
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
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqliteDb::relaxDurability(bool relaxed) {
    exec(relaxed ? "PRAGMA synchronous=NORMAL" : "PRAGMA synchronous=FULL");
}

} // namespace textowl::server
