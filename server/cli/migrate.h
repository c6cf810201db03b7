#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace textowl::server {

struct MigratedTable {
    std::string name;
    std::int64_t rows = 0;
};

// Copies an SQLite database into an empty PostgreSQL one in a single transaction, ids kept, and
// checks that every table holds as many rows as it did. Throws SqlError, with nothing written,
// when the source is missing, the target holds any data, or a count differs.
std::vector<MigratedTable> migrateDatabase(const std::string& fromFile,
                                           const std::string& toLocation);

} // namespace textowl::server
