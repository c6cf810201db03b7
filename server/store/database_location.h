#pragma once

#include <string>
#include <string_view>

namespace textowl::server {

// "postgresql://USER@HOST:PORT/DB" (or "postgres://") names PostgreSQL, anything else an SQLite
// file.
bool isPostgresLocation(std::string_view location);
// The location with any password in it replaced, for messages.
std::string redactedLocation(const std::string& location);

} // namespace textowl::server
