#pragma once
// The PC clock: local wall-clock time and a monotonic millisecond count from construction.
//
// "now" is asked for every live result (320 a second at the line's limit), so it must not
// touch the file system: the C library's tzset() checks the time-zone file on each call, and
// Qt's local-time conversion calls it each time. The clock reads the zone once and converts
// with localtime_r, which keeps to the rules read (summer time included); it asks the C
// library to look again at most once a minute, so a zone the administrator changes shows
// within a minute.

#include <QElapsedTimer>
#include <cstdint>

#include "platform/clock.h"

namespace zvl {

class QtClock final : public Clock {
public:
    static constexpr int64_t kZoneCheckMs = 60000;

    QtClock();
    LocalDateTime now() const override;
    int64_t milliseconds() const override;
    int utcOffsetSeconds() const override;

    // The local date and time of a moment given as seconds and milliseconds since
    // 1970-01-01 00:00 UTC, by the zone last read.
    static LocalDateTime localDateTime(int64_t unixSeconds, int milliseconds);
    // The zone's UTC offset at that moment, in seconds.
    static int utcOffsetAt(int64_t unixSeconds);

private:
    QElapsedTimer elapsed_;
    mutable int64_t zoneReadMs_ = 0;  // when the zone was last read, on the millisecond clock
};

}  // namespace zvl
