#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace textowl::server {

// pagewright-service's commands: serve, add-user, outbox, migrate. Returns the process exit status.
int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// One outbox row as a tab-separated line; tabs, line breaks and backslashes in texts escaped.
std::string escapeOutboxField(const std::string& text);

} // namespace textowl::server
