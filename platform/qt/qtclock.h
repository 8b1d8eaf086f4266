#pragma once
// The PC clock: local wall-clock time and a monotonic millisecond count from construction.

#include <QElapsedTimer>

#include "platform/clock.h"

namespace zvl {

class QtClock final : public Clock {
public:
    QtClock();
    LocalDateTime now() const override;
    int64_t milliseconds() const override;

private:
    QElapsedTimer elapsed_;
};

}  // namespace zvl
