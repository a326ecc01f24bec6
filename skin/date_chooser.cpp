#include "skin/date_chooser.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace zentra {

namespace {

constexpr int kCounts[] = {4000, 12, 31, 24, 60};

int floor_div(int64_t value, int64_t by) {
    return static_cast<int>(value >= 0 ? value / by : -((-value + by - 1) / by));
}

// Days since 1 March of year 0 in the proleptic Gregorian calendar, and back.
int64_t day_number(int year, int month, int day) {
    const int y = month <= 2 ? year - 1 : year;
    const int era = floor_div(y, 400);
    const int year_of_era = y - era * 400;
    const int day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return static_cast<int64_t>(era) * 146097 + day_of_era;
}

void set_day_number(ChosenDate& date, int64_t number) {
    const int era = floor_div(number, 146097);
    const int day_of_era = static_cast<int>(number - static_cast<int64_t>(era) * 146097);
    const int year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const int day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const int mp = (5 * day_of_year + 2) / 153;
    date.day = day_of_year - (153 * mp + 2) / 5 + 1;
    date.month = mp < 10 ? mp + 3 : mp - 9;
    date.year = year_of_era + era * 400 + (date.month <= 2 ? 1 : 0);
}

int field(const ChosenDate& date, int unit) {
    switch (unit) {
        case 0:
            return date.year;
        case 1:
            return date.month - 1;
        case 2:
            return date.day - 1;
        case 3:
            return date.hour;
        default:
            return date.minute;
    }
}

void set_field(ChosenDate& date, int unit, int value) {
    switch (unit) {
        case 0:
            date.year = value;
            break;
        case 1:
            date.month = value + 1;
            break;
        case 2:
            date.day = value + 1;
            break;
        case 3:
            date.hour = value;
            break;
        default:
            date.minute = value;
            break;
    }
}

// The day the month lacks moved where the day spinner settles it: back to the month's last
// day, or on to the first of the next month.
ChosenDate settled(ChosenDate date) {
    const int day = date.day - 1;
    const int index = settled_day_index(day, days_in_month(date.year, date.month));
    if (index == 0 && day != 0) {
        date.day = 1;
        if (++date.month > 12) {
            date.month = 1;
            date.year = std::min(date.year + 1, kCounts[0] - 1);
        }
    } else {
        date.day = index + 1;
    }
    return date;
}

// date moved by count whole units (a month keeps its day, which may then need settling).
ChosenDate shifted(ChosenDate date, int unit, int count) {
    if (count == 0) {
        return date;
    }
    switch (unit) {
        case 0:
            date.year += count;
            break;
        case 1: {
            const int64_t months = static_cast<int64_t>(date.year) * 12 + date.month - 1 + count;
            date.year = floor_div(months, 12);
            date.month = static_cast<int>(months - static_cast<int64_t>(date.year) * 12) + 1;
            break;
        }
        case 2:
            date = settled(date);
            set_day_number(date, day_number(date.year, date.month, date.day) + count);
            break;
        default: {
            date = settled(date);
            const int64_t hours =
                day_number(date.year, date.month, date.day) * 24 + date.hour + count;
            const int days = floor_div(hours, 24);
            date.hour = static_cast<int>(hours - static_cast<int64_t>(days) * 24);
            set_day_number(date, days);
            break;
        }
    }
    date.year = std::clamp(date.year, 0, kCounts[0] - 1);
    return date;
}

// The value a spinner rests nearest, and whether that is already the first one past its end.
int nearest(const SpinnerNode& spinner, int& carry) {
    const int count = spinner.count();
    const int index = static_cast<int>(std::lround(spinner.value()));
    carry = 0;
    if (!spinner.cyclic() || count <= 0) {
        return std::clamp(index, 0, std::max(count - 1, 0));
    }
    carry = floor_div(index, count);
    return index - carry * count;
}

}  // namespace

bool is_leap_year(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int days_in_month(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && is_leap_year(year)) {
        return 29;
    }
    return kDays[(month - 1 + 12) % 12];
}

int settled_day_index(int day, int days) {
    if (day + 1 <= days) {
        return day;
    }
    return (days + 31) / 2 < day + 1 ? 0 : days - 1;
}

platform::WStringView day_month_picture(bool month_first, bool long_form) {
    if (long_form) {
        return month_first ? u"MMMM dd" : u"dd MMMM";
    }
    return month_first ? u"MM.dd" : u"dd.MM";
}

platform::WString day_month_text(const platform::DateLocale& locale,
                                 const platform::CalendarDate& date, bool long_form) {
    return locale.format_picture(date, day_month_picture(locale.month_first(), long_form));
}

DateChooser::DateChooser(Node& form, const ChosenDate& date, RowMaker rows)
    : m_spinners{&form.find<SpinnerNode>(u"year"), &form.find<SpinnerNode>(u"month"),
                 &form.find<SpinnerNode>(u"day"), &form.find<SpinnerNode>(u"hour"),
                 &form.find<SpinnerNode>(u"minute")},
      m_rows(std::move(rows)) {
    for (int unit = 0; unit < kUnits; ++unit) {
        SpinnerNode& spinner = *m_spinners[unit];
        spinner.set_adapter(nullptr);
        spinner.set_count(kCounts[unit]);
        spinner.set_cyclic(unit != kYear);
        spinner.set_adapter(this);
    }
    set_date(date);
}

DateChooser::~DateChooser() {
    // Spinners destroyed before the chooser have said so and are gone from the table.
    for (SpinnerNode* spinner : m_spinners) {
        if (spinner != nullptr && spinner->adapter() == this) {
            spinner->set_adapter(nullptr);
        }
    }
}

void DateChooser::on_spinner_destroyed(SpinnerNode& spinner) {
    for (SpinnerNode*& held : m_spinners) {
        if (held == &spinner) {
            held = nullptr;
        }
    }
}

int DateChooser::unit_of(const SpinnerNode& spinner) const {
    for (int unit = 0; unit < kUnits; ++unit) {
        if (m_spinners[unit] == &spinner) {
            return unit;
        }
    }
    return -1;
}

ChosenDate DateChooser::date() const {
    ChosenDate date = settled(m_moment);
    // Smallest unit first, so a carry that runs on is counted by the larger ones.
    for (int unit = kMinute; unit > kYear; --unit) {
        date = settled(shifted(date, unit - 1, m_carry[unit]));
    }
    return date;
}

void DateChooser::set_date(const ChosenDate& date) {
    ChosenDate moment;
    moment.year = std::clamp(date.year, 0, kCounts[kYear] - 1);
    moment.month = std::clamp(date.month, 1, 12);
    moment.day = std::clamp(date.day, 1, days_in_month(moment.year, moment.month));
    moment.hour = std::clamp(date.hour, 0, 23);
    moment.minute = std::clamp(date.minute, 0, 59);
    m_moment = moment;
    for (int& carry : m_carry) {
        carry = 0;
    }
    m_quiet = true;
    for (int unit = 0; unit < kUnits; ++unit) {
        if (SpinnerNode* spinner = m_spinners[unit]) {
            spinner->jump_to(field(m_moment, unit));
        }
    }
    m_quiet = false;
    m_reported = this->date();
}

void DateChooser::show_moment() {
    m_quiet = true;
    for (int unit = 0; unit < kUnits; ++unit) {
        SpinnerNode* spinner = m_spinners[unit];
        if (spinner == nullptr) {
            continue;
        }
        int carry = 0;
        const int shown = nearest(*spinner, carry);
        if (shown != field(m_moment, unit)) {
            // Moved with any glide it makes, so a spinner still coming to rest stays on
            // its course.
            spinner->move_by(field(m_moment, unit) - shown);
            nearest(*spinner, m_carry[unit]);
        }
    }
    m_quiet = false;
}

void DateChooser::on_value_changed(SpinnerNode& spinner, int wraps) {
    const int unit = unit_of(spinner);
    if (m_quiet || unit < 0) {
        return;
    }
    // A spinner that came round moves the next larger unit by as many whole units.
    if (unit > kYear && wraps != 0) {
        m_moment = shifted(m_moment, unit - 1, wraps);
    }
    set_field(m_moment, unit, nearest(spinner, m_carry[unit]));
    show_moment();
    settle_day();
    report();
}

void DateChooser::on_value_proposed(SpinnerNode& spinner, double value, double /*wrapped*/) {
    spinner.set_value(value);
}

void DateChooser::on_glide_started(SpinnerNode& /*spinner*/) {
    // A release on a whole value starts no glide; the day is settled now.
    settle_day();
}

std::unique_ptr<SpinnerElement> DateChooser::create_element(SpinnerNode& spinner, int value) {
    return m_rows ? m_rows(spinner, value) : nullptr;
}

void DateChooser::settle_day() {
    SpinnerNode* day_spinner = m_spinners[kDay];
    for (int unit : {kYear, kMonth, kDay}) {
        if (m_spinners[unit] == nullptr || m_spinners[unit]->moving()) {
            return;
        }
    }
    const int day = m_moment.day - 1;
    const int index = settled_day_index(day, days_in_month(m_moment.year, m_moment.month));
    if (index == day) {
        return;
    }
    // Forward to the first day goes on through the end of the strip: the spinner comes
    // round, and its wrap moves the month.
    day_spinner->glide_to(index == 0 ? day_spinner->count() : index);
}

void DateChooser::report() {
    const ChosenDate now = date();
    if (now == m_reported) {
        return;
    }
    m_reported = now;
    if (m_listener != nullptr) {
        m_listener->on_date_changed(*this);
    }
}

}  // namespace zentra
