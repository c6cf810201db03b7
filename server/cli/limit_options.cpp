#include "server/cli/limit_options.h"

#include "server/soap/wire_values.h"

#include <algorithm>
#include <functional>

namespace textowl::server {
namespace {

struct LimitOption {
    std::string_view name;
    std::int64_t min;
    std::int64_t max;
    std::function<void(HostConfig&, std::int64_t)> apply;
    bool duration = false; // a duration such as 30s, in seconds; else a count
};

constexpr std::int64_t kMaxCount = 10'000'000;
constexpr std::int64_t kHour = 3600;

int asInt(std::int64_t n) {
    return static_cast<int>(n);
}

std::chrono::milliseconds seconds(std::int64_t n) {
    return std::chrono::seconds(n);
}

const LimitOption kLimits[] = {
    {"--sign-in-failures", 0, kMaxCount,
     [](HostConfig& c, std::int64_t n) { c.service.signIn.accountFailures = asInt(n); }},
    {"--address-failures", 0, kMaxCount,
     [](HostConfig& c, std::int64_t n) { c.service.signIn.addressFailuresPerMinute = asInt(n); }},
    {"--sign-in-entries", 1, kMaxCount,
     [](HostConfig& c, std::int64_t n) {
         c.service.signIn.maxEntries = static_cast<std::size_t>(n);
     }},
    {"--max-back-off", 1, 3650 * 24 * kHour,
     [](HostConfig& c, std::int64_t n) { c.service.signIn.maxBackOff = std::chrono::seconds(n); },
     true},
    {"--account-failures-per-hour", 0, kMaxCount,
     [](HostConfig& c, std::int64_t n) { c.service.signIn.accountFailuresPerHour = asInt(n); }},
    {"--signups-per-address", 0, kMaxCount,
     [](HostConfig& c, std::int64_t n) { c.service.signUp.perAddressPerHour = asInt(n); }},
    {"--signups-per-hour", 0, kMaxCount,
     [](HostConfig& c, std::int64_t n) { c.service.signUp.perHour = asInt(n); }},
    {"--hash-places-per-address", 0, 100'000,
     [](HostConfig& c, std::int64_t n) { c.service.hashing.perAddress = asInt(n); }},
    {"--hash-threads", 1, 1024,
     [](HostConfig& c, std::int64_t n) { c.service.hashing.concurrent = asInt(n); }},
    {"--hash-queue", 0, 100'000,
     [](HostConfig& c, std::int64_t n) { c.service.hashing.waiting = asInt(n); }},
    {"--max-header-bytes", 1024, 1024 * 1024,
     [](HostConfig& c, std::int64_t n) {
         c.server.front.limits.headerBytes = static_cast<std::size_t>(n);
     }},
    {"--max-header-fields", 1, 10'000,
     [](HostConfig& c, std::int64_t n) { c.server.front.limits.headerFields = asInt(n); }},
    {"--max-body-bytes", 1024, 1024 * 1024 * 1024,
     [](HostConfig& c, std::int64_t n) {
         c.server.front.limits.bodyBytes = static_cast<std::size_t>(n);
     }},
    {"--header-timeout", 1, kHour,
     [](HostConfig& c, std::int64_t n) { c.server.front.limits.headerTime = seconds(n); }, true},
    {"--body-timeout", 1, kHour,
     [](HostConfig& c, std::int64_t n) { c.server.front.limits.bodyTime = seconds(n); }, true},
    {"--idle-timeout", 1, 24 * kHour,
     [](HostConfig& c, std::int64_t n) { c.server.front.limits.idleTime = seconds(n); }, true},
    {"--connections-per-address", 1, 1'000'000,
     [](HostConfig& c, std::int64_t n) { c.server.front.limits.connectionsPerAddress = asInt(n); }},
    {"--max-connections", 1, 1'000'000,
     [](HostConfig& c, std::int64_t n) { c.server.front.limits.connections = asInt(n); }},
    {"--io-threads", 1, 256,
     [](HostConfig& c, std::int64_t n) { c.server.front.ioThreads = asInt(n); }},
    {"--request-queue", 0, 1'000'000,
     [](HostConfig& c, std::int64_t n) {
         c.server.front.queueLimit = static_cast<std::size_t>(n);
     }},
    {"--db-connections", 1, 1024,
     [](HostConfig& c, std::int64_t n) { c.databaseOptions.connections = asInt(n); }},
    {"--db-timeout", 1, kHour,
     [](HostConfig& c, std::int64_t n) { c.databaseOptions.timeout = seconds(n); }, true},
};

} // namespace

bool isLimitOption(std::string_view name) {
    return std::any_of(std::begin(kLimits), std::end(kLimits),
                       [&](const LimitOption& o) { return o.name == name; });
}

std::optional<std::string> applyLimitOptions(const std::map<std::string, std::string>& options,
                                             HostConfig& config) {
    for (const LimitOption& o : kLimits) {
        const auto it = options.find(std::string(o.name));
        if (it == options.end()) {
            continue;
        }
        const auto n = o.duration ? parseDurationSeconds(it->second) : parseId(it->second);
        if (!n || *n < o.min || *n > o.max) {
            if (o.duration) {
                return std::string(o.name) +
                       " must be a duration such as 30s, 15m or 1h, of at most " +
                       std::to_string(o.max / kHour) + "h";
            }
            return std::string(o.name) + " must be a whole number from " + std::to_string(o.min) +
                   " to " + std::to_string(o.max);
        }
        o.apply(config, *n);
    }
    return std::nullopt;
}

std::optional<std::int64_t> parseDurationSeconds(std::string_view text) {
    static constexpr std::pair<char, std::int64_t> kUnits[] = {
        {'s', 1}, {'m', 60}, {'h', 3600}, {'d', 86400}};
    std::int64_t unit = 1;
    for (const auto& [suffix, seconds] : kUnits) {
        if (!text.empty() && text.back() == suffix) {
            unit = seconds;
            text.remove_suffix(1);
            break;
        }
    }
    const auto count = parseId(text);
    constexpr std::int64_t kTenYears = 3650 * std::int64_t{86400};
    if (!count || *count == 0 || *count > kTenYears / unit) {
        return std::nullopt;
    }
    return *count * unit;
}

} // namespace textowl::server
