#include "platform/qt/qtclock.h"

#include <QDateTime>

namespace zvl {

QtClock::QtClock() { elapsed_.start(); }

LocalDateTime QtClock::now() const {
    const QDateTime t = QDateTime::currentDateTime();
    const QDate d = t.date();
    const QTime h = t.time();
    LocalDateTime dt;
    dt.year = d.year();
    dt.month = d.month();
    dt.day = d.day();
    dt.hour = h.hour();
    dt.minute = h.minute();
    dt.second = h.second();
    dt.millisecond = h.msec();
    return dt;
}

int64_t QtClock::milliseconds() const { return elapsed_.elapsed(); }

}  // namespace zvl
