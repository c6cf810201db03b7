#include "server/store/open_database.h"

#include "server/store/postgres/postgres_db.h"
#include "server/store/sqlite/sqlite_db.h"

namespace textowl::server {

std::unique_ptr<SqlDatabase> openDatabase(const std::string& location,
                                          std::chrono::milliseconds timeout) {
    if (isPostgresLocation(location)) {
        return std::make_unique<PostgresDb>(location, timeout);
    }
    auto db = std::make_unique<SqliteDb>(location, timeout);
    // WAL keeps readers off the writer's back, and with synchronous FULL every commit that
    // was acknowledged survives a crash of the process or of the machine.
    Statement(*db, "PRAGMA journal_mode=WAL").run();
    db->exec("PRAGMA synchronous=FULL");
    db->exec("PRAGMA foreign_keys=ON");
    return db;
}

} // namespace textowl::server
