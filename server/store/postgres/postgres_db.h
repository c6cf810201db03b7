#pragma once

#include "server/store/sql_database.h"

#include <chrono>
#include <map>
#include <string>

struct pg_conn;
struct pg_result;

namespace textowl::server {

// A PostgreSQL connection through libpq. A connection that was lost is opened again by the next
// call, so the service comes back by itself when the server does.
class PostgresDb : public SqlDatabase {
public:
    // Throws SqlError when the server cannot be reached; the message names the location
    // without its password.
    // A statement that takes longer than timeout fails, whether the server notices (its
    // statement_timeout) or has stopped answering at all (the connection is then dropped).
    PostgresDb(const std::string& location, std::chrono::milliseconds timeout);
    ~PostgresDb() override;
    PostgresDb(const PostgresDb&) = delete;
    PostgresDb& operator=(const PostgresDb&) = delete;

    SqlDialect dialect() const override { return SqlDialect::Postgres; }
    void exec(const char* sql) override;
    std::unique_ptr<SqlCursor> prepare(const char* sql) override;
    std::int64_t lastInsertId() override;
    int changes() const override { return m_changes; }
    void begin(Kind kind) override;
    void commit() override;
    void rollback() noexcept override;
    void relaxDurability(bool relaxed) override;

    // Runs a statement prepared from sql (written with ?N parameters) with these values, NULL
    // where a value is absent; the result belongs to the caller.
    pg_result* run(const char* sql, int count, const char* const* values);

private:
    void connect();
    void ensureConnected();
    // Sends what start queued and collects its one result within the timeout.
    pg_result* await(bool sent, const char* what);
    // Throws unless the result is a success; frees it when throwing.
    pg_result* checked(pg_result* result, const char* what);

    std::string m_location;
    std::string m_redacted;
    std::chrono::milliseconds m_timeout;
    pg_conn* m_conn = nullptr;
    std::string m_lastError;
    int m_changes = 0;
    struct PreparedStatement {
        std::string name;
        int parameters = 0;
    };
    // Statements by SQL text on this connection; forgotten when it is opened again.
    std::map<std::string, PreparedStatement, std::less<>> m_prepared;
};

} // namespace textowl::server
