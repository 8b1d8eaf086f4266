#pragma once
// Time rules: time stamps are whole seconds since 2000-01-01 00:00:00 of the local wall clock.
// The PC's date and time become a fractional day count (day 0 = 1899-12-30) and then a stamp
// by t = round((days - 36526) x 86400), halves to even. Formatting is calendar arithmetic only.

#include <cstdint>
#include <string>

namespace zvl {

constexpr int64_t kDay2000 = 36526;  // day count of 2000-01-01 from 1899-12-30

struct LocalDateTime {
    int year = 2000, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    bool operator==(const LocalDateTime&) const = default;
};

// Days from 1899-12-30 to the given civil date (proleptic Gregorian).
int64_t dayNumber(int year, int month, int day);

// The fractional day count of a local date and time (date part plus time of day / 86400000 ms).
double dayCount(const LocalDateTime& dt);

// t = round((days - 36526) x 86400), ties to even.
int64_t timeStampFromDays(double days);
int64_t timeStampFromDateTime(const LocalDateTime& dt);

// days = t / 86400 + 36526.
double daysFromTimeStamp(int64_t t);

// Calendar date and time of a stamp (whole seconds, millisecond 0).
LocalDateTime dateTimeFromTimeStamp(int64_t t);

// "d mmm yy hh:nn:ss": day without leading zero, English three-letter month, two-digit year.
std::string formatTimeStamp(int64_t t);

// Full date for file headers: "d MMM yyyy - hh:nn:ss".
std::string formatHeaderDate(const LocalDateTime& dt);

extern const char* const kMonthShort[12];

}  // namespace zvl
