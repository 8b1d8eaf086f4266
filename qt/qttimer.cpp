#include "qt/qttimer.h"

namespace zvl {

QtTimer::QtTimer(int intervalMs) {
    timer_.setSingleShot(false);
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(intervalMs);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
        if (handler_) {
            auto handler = handler_;  // the handler may replace itself
            handler();
        }
    });
}

void QtTimer::enable() {
    if (!timer_.isActive()) timer_.start();
}

void QtTimer::disable() {
    timer_.stop();
}

bool QtTimer::isActive() const {
    return timer_.isActive();
}

void QtTimer::setInterval(int ms) {
    timer_.setInterval(ms);
}

int QtTimer::interval() const {
    return timer_.interval();
}

void QtTimer::setHandler(std::function<void()> handler) {
    handler_ = std::move(handler);
}

}  // namespace zvl
