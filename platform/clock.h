#pragma once
// The clock and the waits. "now" is the PC's local wall clock; the millisecond clock counts the
// 55 ms ticks of the blocking waits. The event pump serves notifications and timers during a
// message-processing wait.

#include <cstdint>

#include "core/timerules.h"

namespace zvl {

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalDateTime now() const = 0;
    virtual int64_t milliseconds() const = 0;  // monotonic
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

}  // namespace zvl
