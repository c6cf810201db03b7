#include "server/limit_options.h"

#include "server/command_line.h"
#include "server/wire_values.h"

#include <algorithm>
#include <functional>

namespace textowl::server {
namespace {

struct LimitOption {
    std::string_view name;
    std::int64_t min;
    std::int64_t max;
    std::function<void(ServiceConfig&, std::int64_t)> apply;
};

constexpr std::int64_t kMaxCount = 10'000'000;

const LimitOption kCounts[] = {
    {"--sign-in-failures", 0, kMaxCount,
     [](ServiceConfig& c, std::int64_t n) { c.signIn.accountFailures = static_cast<int>(n); }},
    {"--address-failures", 0, kMaxCount,
     [](ServiceConfig& c, std::int64_t n) {
         c.signIn.addressFailuresPerMinute = static_cast<int>(n);
     }},
    {"--sign-in-entries", 1, kMaxCount,
     [](ServiceConfig& c, std::int64_t n) { c.signIn.maxEntries = static_cast<std::size_t>(n); }},
    {"--hash-threads", 1, 1024,
     [](ServiceConfig& c, std::int64_t n) { c.hashing.concurrent = static_cast<int>(n); }},
    {"--hash-queue", 0, 100'000,
     [](ServiceConfig& c, std::int64_t n) { c.hashing.waiting = static_cast<int>(n); }},
};

constexpr std::string_view kMaxBackOff = "--max-back-off";

} // namespace

bool isLimitOption(std::string_view name) {
    return name == kMaxBackOff || std::any_of(std::begin(kCounts), std::end(kCounts),
                                              [&](const LimitOption& o) { return o.name == name; });
}

std::optional<std::string> applyLimitOptions(const std::map<std::string, std::string>& options,
                                             ServiceConfig& config) {
    for (const LimitOption& o : kCounts) {
        const auto it = options.find(std::string(o.name));
        if (it == options.end()) {
            continue;
        }
        const auto n = parseId(it->second);
        if (!n || *n < o.min || *n > o.max) {
            return std::string(o.name) + " must be a whole number from " + std::to_string(o.min) +
                   " to " + std::to_string(o.max);
        }
        o.apply(config, *n);
    }
    if (const auto it = options.find(std::string(kMaxBackOff)); it != options.end()) {
        const auto seconds = parseDurationSeconds(it->second);
        if (!seconds) {
            return std::string(kMaxBackOff) + " must be a duration such as 90s, 15m or 1h";
        }
        config.signIn.maxBackOff = std::chrono::seconds(*seconds);
    }
    return std::nullopt;
}

} // namespace textowl::server
