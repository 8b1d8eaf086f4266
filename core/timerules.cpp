#include "core/timerules.h"

#include <cmath>
#include <cstdio>

namespace zvl {

const char* const kMonthShort[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

namespace {
// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t daysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = int(yoe + era * 400 + (m <= 2));
}

const int64_t kEpoch1899 = daysFromCivil(1899, 12, 30);
}  // namespace

int64_t dayNumber(int year, int month, int day) {
    return daysFromCivil(year, month, day) - kEpoch1899;
}

double dayCount(const LocalDateTime& dt) {
    const double msOfDay = double(dt.hour) * 3600000.0 + double(dt.minute) * 60000.0 +
                           double(dt.second) * 1000.0 + double(dt.millisecond);
    return double(dayNumber(dt.year, dt.month, dt.day)) + msOfDay / 86400000.0;
}

int64_t timeStampFromDays(double days) {
    // std::nearbyint in the default rounding mode rounds halves to even.
    return int64_t(std::nearbyint((days - double(kDay2000)) * 86400.0));
}

int64_t timeStampFromDateTime(const LocalDateTime& dt) {
    return timeStampFromDays(dayCount(dt));
}

double daysFromTimeStamp(int64_t t) {
    return double(t) / 86400.0 + double(kDay2000);
}

LocalDateTime dateTimeFromTimeStamp(int64_t t) {
    int64_t days = t / 86400;
    int64_t secs = t % 86400;
    if (secs < 0) {
        secs += 86400;
        --days;
    }
    LocalDateTime dt;
    civilFromDays(daysFromCivil(2000, 1, 1) + days, dt.year, dt.month, dt.day);
    dt.hour = int(secs / 3600);
    dt.minute = int(secs / 60 % 60);
    dt.second = int(secs % 60);
    return dt;
}

std::string formatTimeStamp(int64_t t) {
    const LocalDateTime dt = dateTimeFromTimeStamp(t);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%d %s %02d %02d:%02d:%02d", dt.day, kMonthShort[dt.month - 1],
                  ((dt.year % 100) + 100) % 100, dt.hour, dt.minute, dt.second);
    return buf;
}

std::string formatHeaderDate(const LocalDateTime& dt) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%d %s %04d - %02d:%02d:%02d", dt.day, kMonthShort[dt.month - 1], dt.year,
                  dt.hour, dt.minute, dt.second);
    return buf;
}

}  // namespace zvl
