#pragma once
// Waits on the Qt event loop. processEventsUntil serves the loop (notifications, timers, user
// input) until the clock's millisecond count reaches the deadline; sleepUntil blocks the
// thread and serves nothing. A QCoreApplication must exist.

#include "platform/clock.h"

namespace zvl {

class QtEventPump final : public EventPump {
public:
    explicit QtEventPump(const Clock& clock);  // the clock must outlive the pump
    void processEventsUntil(int64_t deadlineMs) override;
    void sleepUntil(int64_t deadlineMs) override;

private:
    const Clock& clock_;
};

}  // namespace zvl
