#pragma once

#include "server/store/sql_database.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace textowl::server {

class SqliteDb : public SqlDatabase {
public:
    explicit SqliteDb(const std::string& path,
                      std::chrono::milliseconds busyTimeout = std::chrono::milliseconds(5000));
    ~SqliteDb() override;
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    sqlite3* handle() const { return m_db; }
    SqlDialect dialect() const override { return SqlDialect::Sqlite; }
    void exec(const char* sql) override;
    std::unique_ptr<SqlCursor> prepare(const char* sql) override;
    std::int64_t lastInsertId() override;
    int changes() const override;
    void begin(Kind kind) override;
    void commit() override;
    void rollback() noexcept override;
    void relaxDurability(bool relaxed) override;

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

    sqlite3* m_db = nullptr;
    std::mutex m_cacheMutex;
    // A statement not in use for each SQL text seen; a null entry while that one is in use.
    std::unordered_map<std::string, sqlite3_stmt*, SqlHash, std::equal_to<>> m_idle;
};

} // namespace textowl::server
