#include <gtest/gtest.h>

#include "core/state.h"
#include "core/timerules.h"

namespace zvl {
namespace {

TEST(TimeRules, DayCountStartsAt18991230) {
    EXPECT_EQ(dayNumber(1899, 12, 30), 0);
    EXPECT_EQ(dayNumber(1900, 1, 1), 2);
    EXPECT_EQ(dayNumber(2000, 1, 1), kDay2000);
    EXPECT_EQ(dayNumber(2000, 3, 1), kDay2000 + 60);               // 2000 is a leap year
    EXPECT_EQ(dayNumber(2100, 3, 1) - dayNumber(2100, 2, 28), 1);  // 2100 is not
}

TEST(TimeRules, StampOfADateAndTime) {
    EXPECT_EQ(timeStampFromDateTime({2000, 1, 1, 0, 0, 0, 0}), 0);
    EXPECT_EQ(timeStampFromDateTime({2000, 1, 1, 0, 1, 5, 0}), 65);
    EXPECT_EQ(timeStampFromDateTime({2000, 1, 2, 0, 0, 0, 0}), 86400);
    EXPECT_EQ(timeStampFromDateTime({2026, 12, 7, 10, 30, 15, 0}),
              (dayNumber(2026, 12, 7) - kDay2000) * 86400 + 10 * 3600 + 30 * 60 + 15);
    EXPECT_EQ(timeStampFromDateTime({1999, 12, 31, 23, 59, 59, 0}), -1);
}

TEST(TimeRules, RoundingGoesToTheNearestSecondWithHalvesToEven) {
    // 1/256 of a day is exactly 337.5 seconds, 3/256 exactly 1012.5: true halves.
    EXPECT_EQ(timeStampFromDays(kDay2000 + 1.0 / 256.0), 338);
    EXPECT_EQ(timeStampFromDays(kDay2000 + 3.0 / 256.0), 1012);
    EXPECT_EQ(timeStampFromDays(kDay2000 - 1.0 / 256.0), -338);
    EXPECT_EQ(timeStampFromDays(kDay2000 + 2.6 / 86400.0), 3);
    EXPECT_EQ(timeStampFromDays(kDay2000 - 0.4 / 86400.0), 0);
    // Milliseconds of the PC clock: 499 ms rounds down, 501 up.
    EXPECT_EQ(timeStampFromDateTime({2000, 1, 1, 0, 0, 10, 499}), 10);
    EXPECT_EQ(timeStampFromDateTime({2000, 1, 1, 0, 0, 10, 501}), 11);
}

TEST(TimeRules, InverseGivesTheDayCount) {
    EXPECT_DOUBLE_EQ(daysFromTimeStamp(0), 36526.0);
    EXPECT_DOUBLE_EQ(daysFromTimeStamp(43200), 36526.5);
    for (int64_t t : {int64_t(0), int64_t(1), int64_t(86399), int64_t(123456789), int64_t(0x7FFFFFFF)})
        EXPECT_EQ(timeStampFromDays(daysFromTimeStamp(t)), t);
}

TEST(TimeRules, CalendarOfAStamp) {
    EXPECT_EQ(dateTimeFromTimeStamp(0), (LocalDateTime{2000, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(dateTimeFromTimeStamp(65), (LocalDateTime{2000, 1, 1, 0, 1, 5, 0}));
    EXPECT_EQ(dateTimeFromTimeStamp(59 * 86400), (LocalDateTime{2000, 2, 29, 0, 0, 0, 0}));
    EXPECT_EQ(dateTimeFromTimeStamp(0x7FFFFFFF), (LocalDateTime{2068, 1, 19, 3, 14, 7, 0}));
    EXPECT_EQ(dateTimeFromTimeStamp(-1), (LocalDateTime{1999, 12, 31, 23, 59, 59, 0}));
}

TEST(TimeRules, FormatOfResultTimes) {
    EXPECT_EQ(formatTimeStamp(0), "1 Jan 00 00:00:00");
    EXPECT_EQ(formatTimeStamp(65), "1 Jan 00 00:01:05");
    EXPECT_EQ(formatTimeStamp(timeStampFromDateTime({2026, 12, 7, 9, 5, 3, 0})), "7 Dec 26 09:05:03");
    EXPECT_EQ(formatTimeStamp(timeStampFromDateTime({2031, 10, 25, 23, 59, 59, 0})), "25 Oct 31 23:59:59");
    EXPECT_EQ(formatHeaderDate({2026, 3, 4, 5, 6, 7, 0}), "4 Mar 2026 - 05:06:07");

    AppState st;
    st.store.results[0].setTime(99999);
    st.store.results[3].setTime(65);
    EXPECT_EQ(formatResultTime(st, 0), "1 Jan 00 00:00:00") << "an index below 1 takes 1 January 2000";
    EXPECT_EQ(formatResultTime(st, -30), "1 Jan 00 00:00:00");
    EXPECT_EQ(formatResultTime(st, 3), "1 Jan 00 00:01:05");
}

}  // namespace
}  // namespace zvl
