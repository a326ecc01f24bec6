#include "screens/date_time_count.h"

#include <limits>

#include "contacts/contact.h"
#include "platform/clock.h"

namespace velvane {

namespace {

constexpr int64_t kMsPerMinute = 60 * 1000;
constexpr int64_t kMsPerDay = 24 * 60 * kMsPerMinute;

int64_t floor_div(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back (H. Hinnant's civil
// algorithms).
int64_t days_from_civil(int64_t y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const int64_t era = floor_div(y, 400);
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civil_from_days(int64_t z, int64_t& y, int& m, int& d) {
    z += 719468;
    const int64_t era = floor_div(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

}  // namespace

std::optional<int64_t> parse_date_time_count(WStringView value) {
    int64_t count = 0;
    if (!parse_date_time(value, count) || count == 0) {
        return std::nullopt;
    }
    return count;
}

zentra::ChosenDate date_of_count(int64_t count) {
    const int64_t days = floor_div(count, kMsPerDay);
    const int64_t minutes = (count - days * kMsPerDay) / kMsPerMinute;
    int64_t year = 0;
    zentra::ChosenDate date;
    civil_from_days(days, year, date.month, date.day);
    date.year = static_cast<int>(year);
    date.hour = static_cast<int>(minutes / 60);
    date.minute = static_cast<int>(minutes % 60);
    return date;
}

int64_t count_of_date(const zentra::ChosenDate& date) {
    const int64_t days = days_from_civil(date.year, date.month, date.day);
    return days * kMsPerDay + (int64_t{date.hour} * 60 + date.minute) * kMsPerMinute;
}

int64_t file_time_of_count(int64_t count) {
    int64_t file_time = 0;
    if (file_time_from_date_time(count, file_time)) {
        return file_time;
    }
    return count < 0 ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
}

int64_t count_of_file_time(int64_t file_time) {
    return date_time_from_file_time(file_time);
}

int64_t current_date_time_count() {
    return platform::calendar_now_ms();
}

}  // namespace velvane
