#include "base/clock.h"

#include <ctime>

namespace textowl {

namespace {

CivilTime fromTm(const std::tm& t) {
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

class SystemClock final : public Clock {
public:
    CivilTime localNow() const override {
        const std::time_t now = std::time(nullptr);
        std::tm t{};
        localtime_r(&now, &t);
        return fromTm(t);
    }
    CivilTime utcNow() const override {
        const std::time_t now = std::time(nullptr);
        std::tm t{};
        gmtime_r(&now, &t);
        return fromTm(t);
    }
};

} // namespace

const Clock& systemClock() {
    static const SystemClock clock;
    return clock;
}

} // namespace textowl
