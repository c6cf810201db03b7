#pragma once

namespace textowl {

// A moment as the calendar and the wall clock show it, in one time zone.
struct CivilTime {
    int year = 1970;
    int month = 1; // 1 to 12
    int day = 1;   // 1 to 31
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend bool operator==(const CivilTime&, const CivilTime&) = default;
};

// Where the program asks for the time, so that send times, default schedules, log stamps and the
// birthday years can be pinned in tests.
class Clock {
public:
    virtual ~Clock() = default;
    virtual CivilTime localNow() const = 0;
    virtual CivilTime utcNow() const = 0;
};

// The machine's clock in the user's time zone.
const Clock& systemClock();

// A clock that shows one moment until told otherwise; local and UTC are the same.
class FixedClock : public Clock {
public:
    explicit FixedClock(CivilTime now) : m_now(now) {}
    void set(CivilTime now) { m_now = now; }
    CivilTime localNow() const override { return m_now; }
    CivilTime utcNow() const override { return m_now; }

private:
    CivilTime m_now;
};

} // namespace textowl
