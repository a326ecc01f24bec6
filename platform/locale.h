#pragma once
// The user's date conventions: the short date format and the month names of the locale that
// LC_ALL, LC_TIME or LANG name, and date text built from them.

#include <array>
#include <string>

#include "platform/ustring.h"

namespace platform {

struct CalendarDate {
    int year = 2000;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
};

class DateLocale {
public:
    // The locale of LC_ALL, else LC_TIME, else LANG (the first one set); the "C" locale when
    // none is set or the named one is not installed.
    static DateLocale from_environment();
    // The named locale, or the "C" locale when it is not installed.
    static DateLocale named(const std::string& name);

    // short_format uses strftime's conversions (%d %e %m %y %Y %b %B %D %F %%).
    DateLocale(std::string short_format, std::array<WString, 12> months,
               std::array<WString, 12> abbreviated_months);

    const std::string& short_format() const { return m_short_format; }
    // The date in the user's short format.
    WString short_date(const CalendarDate& date) const;
    // The date in the user's long form: the month's full name with the day, in the user's
    // order, and the year.
    WString long_date(const CalendarDate& date) const;
    WString year_month(const CalendarDate& date) const;
    // month 1..12; full or abbreviated.
    const WString& month_name(int month, bool full) const;
    // The month comes first when the short date of 22 November 2000 shows "11" before "22".
    bool month_first() const;
    // Formats a picture: d, dd (day), M, MM (month number), MMM, MMMM (month name), yy,
    // yyyy (year); any other character stands for itself.
    WString format_picture(const CalendarDate& date, WStringView picture) const;

private:
    std::string m_short_format;
    std::array<WString, 12> m_months;
    std::array<WString, 12> m_abbreviated_months;
};

}  // namespace platform
