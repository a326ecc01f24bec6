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

class DateChooser;

// Set by the owner; hears every change of the chosen moment made on the spinners.
class DateChooserListener {
public:
    virtual ~DateChooserListener() = default;
    virtual void on_date_changed(DateChooser& chooser) = 0;
};

// Keeps the chosen moment as one time: a spinner that comes round moves the next larger unit
// by whole units (the minutes move the hour, the hours the day, the days the month, the
// months the year), and a day the month lacks is settled once year, month and day are at
// rest.
class DateChooser : public SpinnerAdapter {
public:
    using RowMaker = std::function<std::unique_ptr<SpinnerElement>(SpinnerNode&, int value)>;

    // Finds the spinners in form (NodeNotFound when one is missing), sets them up to show
    // date and becomes their adapter; rows makes their value rows. The chooser may outlive
    // the spinners (a skin reload destroys them); it then keeps the last moment it had.
    DateChooser(Node& form, const ChosenDate& date, RowMaker rows);
    ~DateChooser() override;
    DateChooser(const DateChooser&) = delete;
    DateChooser& operator=(const DateChooser&) = delete;

    // The chosen moment, always a real date: each spinner at its nearest value, a spinner
    // half-way past its end already counted in the next larger unit, a day the month lacks
    // where it will settle.
    ChosenDate date() const;
    // The spinners jump to date (fields out of range are brought into it); the listener is
    // not told, the change comes from its owner.
    void set_date(const ChosenDate& date);
    void set_listener(DateChooserListener* listener) { m_listener = listener; }

    void on_value_changed(SpinnerNode& spinner, int wraps) override;
    void on_value_proposed(SpinnerNode& spinner, double value, double wrapped) override;
    void on_glide_started(SpinnerNode& spinner) override;
    std::unique_ptr<SpinnerElement> create_element(SpinnerNode& spinner, int value) override;
    void on_spinner_destroyed(SpinnerNode& spinner) override;

private:
    enum Unit { kYear, kMonth, kDay, kHour, kMinute, kUnits };

    int unit_of(const SpinnerNode& spinner) const;
    // Moves the spinners whose field differs from the moment's, quietly.
    void show_moment();
    // Once year, month and day are all at rest, moves a day the month lacks.
    void settle_day();
    // Tells the listener when date() differs from what it heard last.
    void report();

    SpinnerNode* m_spinners[kUnits] = {};
    RowMaker m_rows;
    // Every field as its spinner shows it; the day may be one the month lacks while it moves.
    ChosenDate m_moment;
    // Per spinner: 1 while it rests nearer the value past its last than its last (its wrap
    // has not come yet, but the next larger unit already counts it).
    int m_carry[kUnits] = {};
    ChosenDate m_reported;
    DateChooserListener* m_listener = nullptr;
    // Set while the chooser moves spinners itself; their changes are its own.
    bool m_quiet = false;
};

}  // namespace zentra
