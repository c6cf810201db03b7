#include "server/store/open_database.h"
#include "server/store/store.h"
#include "support/postgres_cluster.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace textowl::server {
namespace {

// Each column as "table.name type null default", and each index made by name with its columns,
// spelled alike for both databases.
std::vector<std::string> shape(SqlDatabase& db) {
    const bool postgres = db.dialect() == SqlDialect::Postgres;
    const char* columns =
        postgres
            ? "SELECT table_name || '.' || column_name || ' ' || CASE data_type WHEN 'bigint'"
              " THEN 'INTEGER' WHEN 'bytea' THEN 'BLOB' WHEN 'text' THEN 'TEXT' ELSE data_type END "
              "|| ' ' ||"
              " is_nullable || ' ' || coalesce(replace(column_default, '::text', ''), '')"
              " FROM information_schema.columns WHERE table_schema = current_schema()"
              " ORDER BY table_name, ordinal_position"
            : "SELECT m.name || '.' || c.name || ' ' || c.type || ' ' || CASE WHEN c.\"notnull\""
              " OR c.pk THEN 'NO' ELSE 'YES' END || ' ' || coalesce(c.dflt_value, '')"
              " FROM sqlite_master m, pragma_table_info(m.name) c WHERE m.type = 'table' AND"
              " m.name NOT LIKE 'sqlite%' ORDER BY m.name, c.cid";
    const char* indexes =
        postgres ? "SELECT i.relname || ' ' || t.relname || '(' || string_agg(a.attname, ','"
                   " ORDER BY k.n) || ')' FROM pg_index x JOIN pg_class i ON i.oid = x.indexrelid"
                   " JOIN pg_class t ON t.oid = x.indrelid CROSS JOIN unnest(x.indkey) WITH"
                   " ORDINALITY k(attnum, n) JOIN pg_attribute a ON a.attrelid = t.oid AND"
                   " a.attnum = k.attnum WHERE t.relnamespace = current_schema()::regnamespace"
                   " AND NOT EXISTS (SELECT 1 FROM pg_constraint c WHERE c.conindid ="
                   " x.indexrelid) GROUP BY i.relname, t.relname ORDER BY 1"
                 : "SELECT m.name || ' ' || m.tbl_name || '(' || group_concat(c.name, ',') || ')'"
                   " FROM sqlite_master m, pragma_index_info(m.name) c WHERE m.type = 'index'"
                   " AND m.sql IS NOT NULL GROUP BY m.name ORDER BY 1";
    std::vector<std::string> lines;
    for (const char* sql : {columns, indexes}) {
        Statement s(db, sql);
        while (s.step()) {
            lines.push_back(s.text(0));
        }
    }
    return lines;
}

// Takes a database back to version 1 by dropping what the upgrades add, as a database written
// before them has it.
void makeVersionOne(const std::string& location) {
    const auto db = openDatabase(location);
    for (const char* sql : {"DROP INDEX outbox_by_state", "DROP INDEX outbox_by_account",
                            "UPDATE schema_version SET version = 1"}) {
        db->exec(sql);
    }
    for (const char* column : {"state", "state_at", "due_at", "report_token", "attempts",
                               "next_try", "first_try", "claimed_at", "answered_at", "reason"}) {
        db->exec((std::string("ALTER TABLE outbox DROP COLUMN ") + column).c_str());
    }
}

std::vector<std::string> shapeOf(const std::string& location) {
    Store store(location);
    return shape(*openDatabase(location));
}

TEST(Schema, SqliteAndPostgresHaveTheSameColumnsAndIndexesFreshAndUpgraded) {
    REQUIRE_POSTGRES();
    test::PostgresCluster postgres;
    ASSERT_TRUE(postgres.ready()) << postgres.failure();
    ASSERT_TRUE(postgres.createDatabase("upgraded")) << postgres.failure();
    test::TempDir dir;
    const std::string sqlite = dir.file("fresh.db").string();
    const std::string oldSqlite = dir.file("upgraded.db").string();

    const auto fresh = shapeOf(sqlite);
    ASSERT_FALSE(fresh.empty());
    EXPECT_EQ(shapeOf(postgres.location("postgres")), fresh);
    for (const std::string& location : {oldSqlite, postgres.location("upgraded")}) {
        Store{location};
        makeVersionOne(location);
        ASSERT_NE(shape(*openDatabase(location)), fresh) << location;
        EXPECT_EQ(shapeOf(location), fresh) << location;
    }
}

} // namespace
} // namespace textowl::server
