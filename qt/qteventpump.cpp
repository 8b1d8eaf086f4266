#include "qt/qteventpump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace zvl {

QtEventPump::QtEventPump(const Clock& clock) : clock_(clock) {}

void QtEventPump::processEventsUntil(int64_t deadlineMs) {
    for (int64_t now = clock_.milliseconds(); now < deadlineMs; now = clock_.milliseconds()) {
        const int64_t left = std::min<int64_t>(deadlineMs - now, std::numeric_limits<int>::max());
        // A timer for the time left makes sure the wait below wakes up at the deadline even
        // when nothing else happens. A fresh one per round keeps nested waits independent.
        QTimer wake;
        wake.setSingleShot(true);
        wake.setTimerType(Qt::PreciseTimer);
        wake.start(static_cast<int>(left));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void QtEventPump::sleepUntil(int64_t deadlineMs) {
    for (int64_t now = clock_.milliseconds(); now < deadlineMs; now = clock_.milliseconds())
        QThread::msleep(static_cast<unsigned long>(deadlineMs - now));
}

}  // namespace zvl
