#include "skin/date_chooser.h"

#include <algorithm>
#include <cmath>

namespace zentra {

namespace {

void set_up(SpinnerNode& spinner, int count, bool cyclic, int value, SpinnerAdapter* adapter) {
    spinner.set_adapter(nullptr);  // the initial value is no change anyone must hear of
    spinner.set_count(count);
    spinner.set_cyclic(cyclic);
    spinner.set_value(value);
    spinner.set_adapter(adapter);
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
    : m_year(form.find<SpinnerNode>(u"year")),
      m_month(form.find<SpinnerNode>(u"month")),
      m_day(form.find<SpinnerNode>(u"day")),
      m_hour(form.find<SpinnerNode>(u"hour")),
      m_minute(form.find<SpinnerNode>(u"minute")),
      m_rows(std::move(rows)) {
    set_up(m_year, 4000, false, date.year, this);
    set_up(m_month, 12, true, date.month - 1, this);
    set_up(m_day, 31, true, date.day - 1, this);
    set_up(m_hour, 24, true, date.hour, this);
    set_up(m_minute, 60, true, date.minute, this);
}

DateChooser::~DateChooser() {
    for (SpinnerNode* spinner : {&m_year, &m_month, &m_day, &m_hour, &m_minute}) {
        spinner->set_adapter(nullptr);
    }
}

int DateChooser::index_of(const SpinnerNode& spinner) {
    const int index = static_cast<int>(std::lround(spinner.value()));
    if (!spinner.cyclic()) {
        return std::clamp(index, 0, spinner.count() - 1);
    }
    return spinner.count() > 0 ? index % spinner.count() : 0;
}

ChosenDate DateChooser::date() const {
    return ChosenDate{index_of(m_year), index_of(m_month) + 1, index_of(m_day) + 1,
                      index_of(m_hour), index_of(m_minute)};
}

void DateChooser::on_value_changed(SpinnerNode& /*spinner*/, int /*wraps*/) {
    settle_day();
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
    if (m_year.moving() || m_month.moving() || m_day.moving()) {
        return;
    }
    const ChosenDate now = date();
    const int day = now.day - 1;
    const int settled = settled_day_index(day, days_in_month(now.year, now.month));
    if (settled == day) {
        return;
    }
    // Forward to the first day goes on through the end of the strip, so the strip turns the
    // way the rule says rather than back across the whole month.
    m_day.glide_to(settled == 0 ? m_day.count() : settled);
}

}  // namespace zentra
