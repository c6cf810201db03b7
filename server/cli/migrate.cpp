#include "server/cli/migrate.h"

#include "server/store/open_database.h"
#include "server/store/sql_database.h"
#include "server/store/store.h"

#include <filesystem>

namespace textowl::server {
namespace {

struct TableCopy {
    const char* name;
    const char* columns;
    int count;            // of columns
    int blobColumn = -1;  // bytes rather than text
    const char* identity; // the column whose sequence continues after the copied ids
};

// Parents before children, so that every reference finds its row.
constexpr TableCopy kTables[] = {
    {"accounts", "id, name, password_hash, balance_cents", 4, -1, "id"},
    {"sessions", "token_hash, account_id, last_used", 3, 0, nullptr},
    {"buddies", "id, account_id, firstname, lastname, nickname, cellphone, email, birthday", 8, -1,
     "id"},
    {"buddy_groups", "id, account_id, name", 3, -1, "id"},
    {"placements", "seq, buddy_id, group_id", 3, -1, "seq"},
    {"outbox",
     "id, account_id, sender, recipient, type, unicode, schedule, parts, text, accepted, state,"
     " state_at, due_at, report_token, attempts, next_try, first_try, claimed_at, answered_at,"
     " reason",
     20, -1, "id"},
    {"sign_in_addresses", "account_id, address, last_success", 3, -1, nullptr},
};

std::int64_t rowCount(SqlDatabase& db, const char* table) {
    Statement s(db, (std::string("SELECT count(*) FROM ") + table).c_str());
    s.step();
    return s.integer(0);
}

void copyRows(SqlDatabase& from, SqlDatabase& to, const TableCopy& table) {
    std::string placeholders;
    for (int i = 1; i <= table.count; ++i) {
        placeholders += (i > 1 ? ", ?" : "?") + std::to_string(i);
    }
    const std::string select =
        std::string("SELECT ") + table.columns + " FROM " + table.name + " ORDER BY 1";
    const std::string insert = std::string("INSERT INTO ") + table.name + "(" + table.columns +
                               ") VALUES(" + placeholders + ")";
    Statement rows(from, select.c_str());
    while (rows.step()) {
        Statement row(to, insert.c_str());
        for (int c = 0; c < table.count; ++c) {
            if (rows.isNull(c)) {
                continue; // an unbound parameter is NULL
            }
            if (c == table.blobColumn) {
                row.bindBlob(c + 1, rows.text(c));
            } else {
                row.bind(c + 1, rows.text(c));
            }
        }
        row.run();
    }
    if (table.identity != nullptr) {
        const std::string restart = std::string("SELECT setval(pg_get_serial_sequence('") +
                                    table.name + "', '" + table.identity +
                                    "'), (SELECT coalesce(max(" + table.identity +
                                    "), 0) + 1 FROM " + table.name + "), false)";
        to.exec(restart.c_str());
    }
}

} // namespace

std::vector<MigratedTable> migrateDatabase(const std::string& fromFile,
                                           const std::string& toLocation) {
    if (isPostgresLocation(fromFile) || !std::filesystem::is_regular_file(fromFile)) {
        throw SqlError("no SQLite database at " + fromFile);
    }
    if (!isPostgresLocation(toLocation)) {
        throw SqlError("--to must be a postgresql:// location");
    }
    // Opening each as a store brings both schemas to the current version first.
    {
        const Store source(fromFile);
        const Store target(toLocation);
    }
    const auto from = openDatabase(fromFile);
    const auto to = openDatabase(toLocation);

    Transaction read(*from, Transaction::Kind::Read);
    Transaction write(*to);
    for (const TableCopy& table : kTables) {
        if (rowCount(*to, table.name) != 0) {
            throw SqlError("the target database is not empty (table " + std::string(table.name) +
                           " has rows); nothing was copied");
        }
    }
    std::vector<MigratedTable> copied;
    for (const TableCopy& table : kTables) {
        copyRows(*from, *to, table);
        const std::int64_t expected = rowCount(*from, table.name);
        const std::int64_t arrived = rowCount(*to, table.name);
        if (arrived != expected) {
            throw SqlError(std::string(table.name) + ": " + std::to_string(expected) +
                           " rows read but " + std::to_string(arrived) +
                           " written; nothing was copied");
        }
        copied.push_back({table.name, arrived});
    }
    write.commit();
    read.commit();
    return copied;
}

} // namespace textowl::server
