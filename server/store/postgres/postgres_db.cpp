#include "server/store/postgres/postgres_db.h"

#include "server/store/database_location.h"

#include <algorithm>
#include <cstdlib>
#include <libpq-fe.h>
#include <optional>
#include <poll.h>
#include <vector>

namespace textowl::server {
namespace {

// SQLSTATEs of a transaction that lost to a concurrent one: serialization failure, deadlock.
bool isConflict(const char* state) {
    return state != nullptr &&
           (std::string_view(state) == "40001" || std::string_view(state) == "40P01");
}

std::string firstLine(const char* message) {
    std::string text = message ? message : "";
    if (const std::size_t end = text.find('\n'); end != std::string::npos) {
        text.resize(end);
    }
    return text;
}

// "?12" becomes "$12"; the store's SQL has no question marks inside literals.
std::string withDollarParameters(std::string_view sql, int& count) {
    std::string out;
    out.reserve(sql.size());
    count = 0;
    for (std::size_t i = 0; i < sql.size(); ++i) {
        if (sql[i] != '?') {
            out += sql[i];
            continue;
        }
        out += '$';
        int n = 0;
        while (i + 1 < sql.size() && sql[i + 1] >= '0' && sql[i + 1] <= '9') {
            n = n * 10 + (sql[++i] - '0');
            out += sql[i];
        }
        count = std::max(count, n);
    }
    return out;
}

class PostgresCursor : public SqlCursor {
public:
    PostgresCursor(PostgresDb& db, const char* sql) : m_db(db), m_sql(sql) {}
    ~PostgresCursor() override { PQclear(m_result); }
    PostgresCursor(const PostgresCursor&) = delete;
    PostgresCursor& operator=(const PostgresCursor&) = delete;

    void bind(int index, std::int64_t value) override { slot(index) = std::to_string(value); }
    void bind(int index, std::string_view value) override { slot(index) = std::string(value); }
    // bytea in its hex text form.
    void bindBlob(int index, std::string_view bytes) override {
        static constexpr char kHex[] = "0123456789abcdef";
        std::string text = "\\x";
        for (unsigned char c : bytes) {
            text += kHex[c >> 4];
            text += kHex[c & 15];
        }
        slot(index) = std::move(text);
    }
    bool step() override {
        if (m_result == nullptr) {
            std::vector<const char*> values;
            for (const auto& v : m_params) {
                values.push_back(v ? v->c_str() : nullptr);
            }
            m_result = m_db.run(m_sql.c_str(), static_cast<int>(values.size()), values.data());
            m_row = -1;
        }
        return ++m_row < PQntuples(m_result);
    }
    std::int64_t integer(int column) const override {
        return std::strtoll(PQgetvalue(m_result, m_row, column), nullptr, 10);
    }
    std::string text(int column) const override {
        return std::string(PQgetvalue(m_result, m_row, column),
                           static_cast<std::size_t>(PQgetlength(m_result, m_row, column)));
    }
    bool isNull(int column) const override { return PQgetisnull(m_result, m_row, column) != 0; }

private:
    std::optional<std::string>& slot(int index) {
        if (m_params.size() < static_cast<std::size_t>(index)) {
            m_params.resize(index);
        }
        return m_params[index - 1];
    }

    PostgresDb& m_db;
    std::string m_sql; // the caller's text may be a temporary
    std::vector<std::optional<std::string>> m_params;
    PGresult* m_result = nullptr;
    int m_row = -1;
};

} // namespace

PostgresDb::PostgresDb(const std::string& location, std::chrono::milliseconds timeout)
    : m_location(location), m_redacted(redactedLocation(location)), m_timeout(timeout) {
    connect();
    if (m_conn == nullptr) {
        throw SqlError("cannot reach the database " + m_redacted + ": " + m_lastError);
    }
}

PostgresDb::~PostgresDb() {
    PQfinish(m_conn);
}

// A server that accepts the connection but never answers (stopped, or a network that drops
// packets) must not hold the caller beyond the timeout, so the wait is bounded from this side.
void PostgresDb::connect() {
    PQfinish(m_conn);
    m_conn = nullptr;
    m_prepared.clear();
    const std::string seconds =
        std::to_string(std::max<long long>(1, (m_timeout.count() + 999) / 1000));
    const char* keys[] = {"dbname", "connect_timeout", nullptr};
    const char* values[] = {m_location.c_str(), seconds.c_str(), nullptr};
    PGconn* conn = PQconnectdbParams(keys, values, 1);
    if (PQstatus(conn) != CONNECTION_OK) {
        m_lastError = conn ? firstLine(PQerrorMessage(conn)) : "out of memory";
        PQfinish(conn);
        return;
    }
    // Notices (such as "relation already exists, skipping") are not for the operator.
    PQsetNoticeProcessor(
        conn, [](void*, const char*) {}, nullptr);
    const std::string limit = "SET statement_timeout = " + std::to_string(m_timeout.count());
    PQclear(PQexec(conn, limit.c_str()));
    m_conn = conn;
}

void PostgresDb::ensureConnected() {
    if (m_conn != nullptr && PQstatus(m_conn) == CONNECTION_OK) {
        return;
    }
    connect();
    if (m_conn == nullptr) {
        throw SqlError("database " + m_redacted + " unreachable: " + m_lastError);
    }
}

PGresult* PostgresDb::await(bool sent, const char* what) {
    if (!sent) {
        return checked(nullptr, what);
    }
    // The server's own statement_timeout answers first; this margin only catches a server that
    // answers nothing.
    const auto deadline = std::chrono::steady_clock::now() + m_timeout + std::chrono::seconds(1);
    PGresult* result = nullptr;
    for (;;) {
        while (PQisBusy(m_conn) == 0) {
            PGresult* next = PQgetResult(m_conn);
            if (next == nullptr) {
                return checked(result, what);
            }
            PQclear(result);
            result = next;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{PQsocket(m_conn), POLLIN, 0};
        const int ready = left.count() > 0 ? poll(&p, 1, static_cast<int>(left.count())) : 0;
        if (ready <= 0 || PQconsumeInput(m_conn) == 0) {
            PQclear(result);
            const std::string why = ready <= 0 ? "no answer from the database in time"
                                               : firstLine(PQerrorMessage(m_conn));
            // The connection is in an unknown state; the next call opens a fresh one.
            PQfinish(m_conn);
            m_conn = nullptr;
            throw SqlError(std::string(what) + ": " + why);
        }
    }
}

PGresult* PostgresDb::checked(PGresult* result, const char* what) {
    const ExecStatusType status = PQresultStatus(result);
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
        return result;
    }
    const bool conflict = isConflict(PQresultErrorField(result, PG_DIAG_SQLSTATE));
    const std::string message =
        std::string(what) + ": " +
        firstLine(result ? PQresultErrorMessage(result) : PQerrorMessage(m_conn));
    PQclear(result);
    if (conflict) {
        throw SqlConflict(message);
    }
    throw SqlError(message);
}

void PostgresDb::exec(const char* sql) {
    ensureConnected();
    PQclear(await(PQsendQuery(m_conn, sql) == 1, sql));
}

PGresult* PostgresDb::run(const char* sql, int count, const char* const* values) {
    ensureConnected();
    auto it = m_prepared.find(std::string_view(sql));
    if (it == m_prepared.end()) {
        int parameters = 0;
        const std::string text = withDollarParameters(sql, parameters);
        std::string name = "s" + std::to_string(m_prepared.size());
        PQclear(await(PQsendPrepare(m_conn, name.c_str(), text.c_str(), 0, nullptr) == 1, sql));
        it = m_prepared.emplace(sql, PreparedStatement{std::move(name), parameters}).first;
    }
    // Parameters never bound are NULL.
    std::vector<const char*> all(values, values + count);
    all.resize(static_cast<std::size_t>(std::max(count, it->second.parameters)), nullptr);
    PGresult* result =
        await(PQsendQueryPrepared(m_conn, it->second.name.c_str(), static_cast<int>(all.size()),
                                  all.data(), nullptr, nullptr, 0) == 1,
              sql);
    const char* tuples = PQcmdTuples(result);
    m_changes = tuples && *tuples ? std::atoi(tuples) : 0;
    return result;
}

std::unique_ptr<SqlCursor> PostgresDb::prepare(const char* sql) {
    return std::make_unique<PostgresCursor>(*this, sql);
}

std::int64_t PostgresDb::lastInsertId() {
    const int changes = m_changes;
    PGresult* result = run("SELECT lastval()", 0, nullptr);
    const std::int64_t id = std::strtoll(PQgetvalue(result, 0, 0), nullptr, 10);
    PQclear(result);
    m_changes = changes;
    return id;
}

// Writes are serializable, so that every check a write makes still holds when it commits, as
// with SQLite's single writer; one that loses to another instance is run again. A claim instead
// locks its rows and skips those another instance holds.
void PostgresDb::begin(Kind kind) {
    switch (kind) {
    case Kind::Read:
        exec("BEGIN ISOLATION LEVEL REPEATABLE READ, READ ONLY");
        break;
    case Kind::Write:
        exec("BEGIN ISOLATION LEVEL SERIALIZABLE");
        break;
    case Kind::Claim:
        exec("BEGIN ISOLATION LEVEL READ COMMITTED");
        break;
    }
}

void PostgresDb::commit() {
    exec("COMMIT");
}

void PostgresDb::rollback() noexcept {
    if (m_conn != nullptr && PQstatus(m_conn) == CONNECTION_OK) {
        try {
            exec("ROLLBACK");
        } catch (const SqlError&) {
        }
    }
}

void PostgresDb::relaxDurability(bool relaxed) {
    exec(relaxed ? "SET synchronous_commit = off" : "SET synchronous_commit = on");
}

} // namespace textowl::server
