#include "server/store/database_location.h"

namespace textowl::server {

bool isPostgresLocation(std::string_view location) {
    return location.rfind("postgresql://", 0) == 0 || location.rfind("postgres://", 0) == 0;
}

std::string redactedLocation(const std::string& location) {
    if (!isPostgresLocation(location)) {
        return location;
    }
    std::string out = location;
    const std::size_t start = out.find("://") + 3;
    const std::size_t at = out.find('@', start);
    const std::size_t colon = out.find(':', start);
    if (at != std::string::npos && colon < at) {
        out.replace(colon + 1, at - colon - 1, "***");
    }
    for (std::size_t key = out.find("password="); key != std::string::npos;
         key = out.find("password=", key + 1)) {
        const std::size_t value = key + 9;
        const std::size_t end = out.find('&', value);
        out.replace(value, (end == std::string::npos ? out.size() : end) - value, "***");
    }
    return out;
}

} // namespace textowl::server
