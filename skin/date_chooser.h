#pragma once
// The date and time chooser: five spinners of a form (year, month, day, hour, minute) kept to
// a real date, and date text in the user's order.

#include <functional>
#include <memory>

#include "platform/locale.h"
#include "platform/ustring.h"
#include "skin/node.h"
#include "skin/spinner.h"

namespace zentra {

struct ChosenDate {
    int year = 2000;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    friend bool operator==(const ChosenDate&, const ChosenDate&) = default;
};

bool is_leap_year(int year);
int days_in_month(int year, int month);
// Where a day spinner resting on day index day (0-based) settles in a month of days days: a
// day the month lacks goes back to the month's last day, or, when it is nearer the end of
// the strip, on to the first day of the next round.
int settled_day_index(int day, int days);

// "MMMM dd" / "dd MMMM" (long) or "MM.dd" / "dd.MM" (short), in the user's order.
platform::WStringView day_month_picture(bool month_first, bool long_form);
platform::WString day_month_text(const platform::DateLocale& locale,
                                 const platform::CalendarDate& date, bool long_form);

class DateChooser : public SpinnerAdapter {
public:
    using RowMaker = std::function<std::unique_ptr<SpinnerElement>(SpinnerNode&, int value)>;

    // Finds the spinners in form (NodeNotFound when one is missing), sets them up to show
    // date and becomes their adapter; rows makes their value rows.
    DateChooser(Node& form, const ChosenDate& date, RowMaker rows);
    ~DateChooser() override;
    DateChooser(const DateChooser&) = delete;
    DateChooser& operator=(const DateChooser&) = delete;

    // The date the spinners show, each rounded to its nearest value.
    ChosenDate date() const;

    void on_value_changed(SpinnerNode& spinner, int wraps) override;
    void on_value_proposed(SpinnerNode& spinner, double value, double wrapped) override;
    void on_glide_started(SpinnerNode& spinner) override;
    std::unique_ptr<SpinnerElement> create_element(SpinnerNode& spinner, int value) override;

private:
    // Once year, month and day are all at rest, moves a day the month lacks.
    void settle_day();
    static int index_of(const SpinnerNode& spinner);

    SpinnerNode& m_year;
    SpinnerNode& m_month;
    SpinnerNode& m_day;
    SpinnerNode& m_hour;
    SpinnerNode& m_minute;
    RowMaker m_rows;
};

}  // namespace zentra
