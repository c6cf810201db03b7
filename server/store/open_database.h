#pragma once

// Which database a location names, and opening it: the one place that knows both kinds, so that
// the interface below and each kind beside the other stay unaware of one another.

#include "server/store/database_location.h"
#include "server/store/sql_database.h"

#include <chrono>
#include <memory>
#include <string>

namespace textowl::server {

// "postgresql://USER@HOST:PORT/DB" (or "postgres://") opens PostgreSQL, anything else is an
// SQLite file. A statement or lock wait longer than timeout fails with SqlError. Throws SqlError,
// whose message never carries a password.
std::unique_ptr<SqlDatabase>
openDatabase(const std::string& location,
             std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

} // namespace textowl::server
