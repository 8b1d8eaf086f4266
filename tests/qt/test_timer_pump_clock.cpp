// QtTimer, QtEventPump and QtClock. Timings use wide margins: they tell behaviours apart
// (restarted or not, running or stopped), they do not measure speed.

#include <gtest/gtest.h>
#include <time.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "qt/qtclock.h"
#include "qt/qteventpump.h"
#include "qt/qttimer.h"

namespace zvl {
namespace {

// ---- QtTimer ----

// Told apart by order, not by measured time: a reference timer of the same interval starts just
// after the first enable, and the second enable comes half way. Qt fires due timers in the order
// of their deadlines however late the loop gets to them, so the timer fires first when it kept
// its deadline and after the reference when the second enable restarted it.
TEST(QtTimer, EnableOnARunningTimerDoesNotRestartIt) {
    std::vector<std::string> order;
    QtTimer timer;
    timer.setInterval(400);
    timer.setHandler([&] {
        if (std::find(order.begin(), order.end(), "timer") == order.end()) order.push_back("timer");
    });
    timer.enable();
    QTimer reference;
    reference.setTimerType(Qt::PreciseTimer);
    reference.setSingleShot(true);
    reference.setInterval(400);
    QObject::connect(&reference, &QTimer::timeout, [&] { order.push_back("reference"); });
    reference.start();
    QTimer::singleShot(200, Qt::PreciseTimer, [&] {
        order.push_back("enable again");
        EXPECT_TRUE(timer.isActive());
        timer.enable();  // must leave the running timer alone
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return order.size() >= 3; }, 10000));
    EXPECT_EQ(order, (std::vector<std::string>{"enable again", "timer", "reference"}));
}

TEST(QtTimer, RepeatsUntilDisabled) {
    QtTimer timer(30);
    int fired = 0;
    timer.setHandler([&] { ++fired; });
    timer.enable();
    ASSERT_TRUE(QTest::qWaitFor([&] { return fired >= 3; }, 3000)) << "a timer keeps firing";
    timer.disable();
    EXPECT_FALSE(timer.isActive());
    const int atStop = fired;
    QTest::qWait(150);
    EXPECT_EQ(fired, atStop);
}

TEST(QtTimer, EnableAfterDisableStartsAgain) {
    QtTimer timer(30);
    int fired = 0;
    timer.setHandler([&] { ++fired; });
    timer.enable();
    timer.disable();
    timer.enable();
    EXPECT_TRUE(timer.isActive());
    EXPECT_TRUE(QTest::qWaitFor([&] { return fired >= 1; }, 3000));
}

TEST(QtTimer, SetIntervalKeepsARunningTimerRunningWithTheNewInterval) {
    QtTimer timer(5000);
    bool fired = false;
    timer.setHandler([&] { fired = true; });
    timer.enable();
    timer.setInterval(40);
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 40);
    // With the old interval it would take 5 s.
    EXPECT_TRUE(QTest::qWaitFor([&] { return fired; }, 2000));
}

TEST(QtTimer, SetIntervalDoesNotStartAStoppedTimer) {
    QtTimer timer;
    bool fired = false;
    timer.setHandler([&] { fired = true; });
    timer.setInterval(20);
    EXPECT_FALSE(timer.isActive());
    QTest::qWait(100);
    EXPECT_FALSE(fired);
}

TEST(QtTimer, HandlerMayDisableItsOwnTimer) {
    QtTimer timer(20);
    int fired = 0;
    timer.setHandler([&] {
        ++fired;
        timer.disable();
    });
    timer.enable();
    ASSERT_TRUE(QTest::qWaitFor([&] { return fired >= 1; }, 3000));
    QTest::qWait(100);
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(timer.isActive());
}

// ---- QtEventPump ----

TEST(QtEventPump, ProcessEventsUntilServesTimersAndPostedCallsAndReturnsAtTheDeadline) {
    QtClock clock;
    QtEventPump pump(clock);
    bool timerServed = false, postedServed = false;
    QTimer::singleShot(20, [&] { timerServed = true; });
    QMetaObject::invokeMethod(
        qApp, [&] { postedServed = true; }, Qt::QueuedConnection);
    const int64_t deadline = clock.milliseconds() + 150;
    pump.processEventsUntil(deadline);
    EXPECT_TRUE(timerServed);
    EXPECT_TRUE(postedServed);
    EXPECT_GE(clock.milliseconds(), deadline);
}

TEST(QtEventPump, ProcessEventsUntilWaitsOutTheDeadlineWhenNothingHappens) {
    QtClock clock;
    QtEventPump pump(clock);
    const int64_t deadline = clock.milliseconds() + 120;
    pump.processEventsUntil(deadline);
    EXPECT_GE(clock.milliseconds(), deadline);
}

TEST(QtEventPump, NestedWaitsEachReachTheirOwnDeadline) {
    QtClock clock;
    QtEventPump pump(clock);
    int64_t innerDeadline = -1, innerReturnedAt = -1;
    QTimer::singleShot(20, [&] {
        innerDeadline = clock.milliseconds() + 60;
        pump.processEventsUntil(innerDeadline);
        innerReturnedAt = clock.milliseconds();
    });
    const int64_t outerDeadline = clock.milliseconds() + 250;
    pump.processEventsUntil(outerDeadline);
    EXPECT_GE(clock.milliseconds(), outerDeadline);
    ASSERT_GE(innerDeadline, 0) << "the timer was not served";
    EXPECT_GE(innerReturnedAt, innerDeadline);
}

TEST(QtEventPump, SleepUntilServesNothing) {
    QtClock clock;
    QtEventPump pump(clock);
    bool timerServed = false, postedServed = false;
    QTimer::singleShot(0, [&] { timerServed = true; });
    QMetaObject::invokeMethod(
        qApp, [&] { postedServed = true; }, Qt::QueuedConnection);
    const int64_t deadline = clock.milliseconds() + 80;
    pump.sleepUntil(deadline);
    EXPECT_GE(clock.milliseconds(), deadline);
    EXPECT_FALSE(timerServed);
    EXPECT_FALSE(postedServed);
    // Both were pending all along.
    EXPECT_TRUE(QTest::qWaitFor([&] { return timerServed && postedServed; }, 2000));
}

// ---- QtClock ----

TEST(QtClock, NowIsTheLocalWallClock) {
    QtClock clock;
    const QDateTime before = QDateTime::currentDateTime();
    const LocalDateTime n = clock.now();
    const QDateTime after = QDateTime::currentDateTime();
    const QDateTime got(QDate(n.year, n.month, n.day), QTime(n.hour, n.minute, n.second, n.millisecond));
    ASSERT_TRUE(got.isValid());
    EXPECT_GE(got, before);
    EXPECT_LE(got, after);
}

// The zone is read once, not per call: the conversion must still follow its summer time.
TEST(QtClock, LocalTimeFollowsTheZoneAcrossSummerTime) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    QtClock clock;  // reads the zone
    struct Case {
        int64_t unix;
        LocalDateTime local;
        int utcOffset;
    } cases[] = {
        {1774745999, {2026, 3, 29, 1, 59, 59, 250}, 3600},   // the last second of winter time
        {1774746000, {2026, 3, 29, 3, 0, 0, 250}, 7200},     // 02:00 is skipped
        {1792889999, {2026, 10, 25, 2, 59, 59, 250}, 7200},  // summer time's last second
        {1792890000, {2026, 10, 25, 2, 0, 0, 250}, 3600},    // the hour repeated in winter time
        {1798757999, {2026, 12, 31, 23, 59, 59, 250}, 3600}, {946684800, {2000, 1, 1, 1, 0, 0, 250}, 3600},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(QtClock::localDateTime(c.unix, 250), c.local) << c.unix;
        EXPECT_EQ(QtClock::utcOffsetAt(c.unix), c.utcOffset) << c.unix;
    }
    if (old)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

TEST(QtClock, MillisecondsCountFromConstructionAndNeverGoBack) {
    QtClock clock;
    const int64_t first = clock.milliseconds();
    EXPECT_GE(first, 0);
    EXPECT_LT(first, 1000) << "counts from construction";
    QThread::msleep(30);
    const int64_t second = clock.milliseconds();
    EXPECT_GE(second - first, 30);
}

}  // namespace
}  // namespace zvl
