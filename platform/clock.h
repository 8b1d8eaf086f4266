#pragma once
// The clock and the waits. "now" is the PC's local wall clock; the millisecond clock counts the
// 55 ms ticks of the blocking waits. The event pump serves notifications and timers during a
// message-processing wait.

#include <cstdint>
#include <string>

#include "core/timerules.h"

namespace zvl {

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalDateTime now() const = 0;
    virtual int64_t milliseconds() const = 0;  // monotonic
    // How far the local time now() gives is ahead of UTC, in seconds (3600 for UTC+01:00). It
    // changes when summer time begins or ends. A clock that knows no zone keeps to UTC.
    virtual int utcOffsetSeconds() const { return 0; }
};

class EventPump {
public:
    virtual ~EventPump() = default;
    // Dispatch notifications, timers and user input until the millisecond clock reaches deadlineMs.
    virtual void processEventsUntil(int64_t deadlineMs) = 0;
    // Block until the millisecond clock reaches deadlineMs without serving anything.
    virtual void sleepUntil(int64_t deadlineMs) = 0;
};

// PC time stamp of now (seconds since 2000, halves to even).
inline int64_t pcTimeStamp(const Clock& clock) {
    return timeStampFromDateTime(clock.now());
}

// "UTC+01:00" for 3600, "UTC-03:30" for -12600.
inline std::string formatUtcOffset(int seconds) {
    const int minutes = (seconds < 0 ? -seconds : seconds) / 60;
    const int hours = minutes / 60 % 100, rest = minutes % 60;
    const char digits[] = "0123456789";
    std::string out = seconds < 0 ? "UTC-" : "UTC+";
    out += {digits[hours / 10], digits[hours % 10], ':', digits[rest / 10], digits[rest % 10]};
    return out;
}

}  // namespace zvl
