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
    // A timer for the time left makes sure the wait below wakes up at the deadline even when
    // nothing else happens. One per call, started once and again only if it fires before the
    // clock reaches the deadline: each wait of the loop below (a port notification during a
    // status poll's wait, some 250 a second in a live recording) leaves it running. Its own
    // timer keeps a nested wait independent of this one.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    for (int64_t now = clock_.milliseconds(); now < deadlineMs; now = clock_.milliseconds()) {
        if (!wake.isActive())
            wake.start(
                static_cast<int>(std::min<int64_t>(deadlineMs - now, std::numeric_limits<int>::max())));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void QtEventPump::sleepUntil(int64_t deadlineMs) {
    for (int64_t now = clock_.milliseconds(); now < deadlineMs; now = clock_.milliseconds())
        QThread::msleep(static_cast<unsigned long>(deadlineMs - now));
}

}  // namespace zvl
