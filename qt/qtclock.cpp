#include "qt/qtclock.h"

#include <time.h>

namespace zvl {

QtClock::QtClock() {
    elapsed_.start();
    ::tzset();
}

LocalDateTime QtClock::localDateTime(int64_t unixSeconds, int milliseconds) {
    const time_t s = time_t(unixSeconds);
    tm t{};
    ::localtime_r(&s, &t);  // no file-system call: the zone read by the last tzset()
    LocalDateTime dt;
    dt.year = t.tm_year + 1900;
    dt.month = t.tm_mon + 1;
    dt.day = t.tm_mday;
    dt.hour = t.tm_hour;
    dt.minute = t.tm_min;
    // A leap second (tm_sec 60) counts as the last second of its minute, as Qt has it.
    dt.second = t.tm_sec > 59 ? 59 : t.tm_sec;
    dt.millisecond = milliseconds;
    return dt;
}

LocalDateTime QtClock::now() const {
    const int64_t ms = elapsed_.elapsed();
    if (ms - zoneReadMs_ >= kZoneCheckMs) {
        ::tzset();  // one status call of the zone file; it is read again only when it changed
        zoneReadMs_ = ms;
    }
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return localDateTime(int64_t(ts.tv_sec), int(ts.tv_nsec / 1000000));
}

int QtClock::utcOffsetAt(int64_t unixSeconds) {
    const time_t s = time_t(unixSeconds);
    tm t{};
    ::localtime_r(&s, &t);  // the zone now() converts by
    return int(t.tm_gmtoff);
}

int QtClock::utcOffsetSeconds() const {
    return utcOffsetAt(int64_t(::time(nullptr)));
}

int64_t QtClock::milliseconds() const {
    return elapsed_.elapsed();
}

}  // namespace zvl
