// The date chooser: the calendar rules, the spinners it sets up, the day it settles on, and
// day-and-month text in the user's order.

#include "skin/date_chooser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using zentra::ChosenDate;
using zentra::DateChooser;
using zentra::SpinnerNode;

TEST(Calendar, MonthLengthsAndLeapYears) {
    const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int m = 1; m <= 12; ++m) {
        EXPECT_EQ(zentra::days_in_month(2001, m), lengths[m - 1]) << "month " << m;
    }
    EXPECT_EQ(zentra::days_in_month(2000, 2), 29);  // divisible by 400
    EXPECT_EQ(zentra::days_in_month(2004, 2), 29);
    EXPECT_EQ(zentra::days_in_month(1900, 2), 28);  // divisible by 100 only
}

TEST(Calendar, ADayTheMonthLacksGoesBackOrOnToTheFirst) {
    // February 2001: 28 days.
    EXPECT_EQ(zentra::settled_day_index(27, 28), 27);
    EXPECT_EQ(zentra::settled_day_index(28, 28), 27);
    EXPECT_EQ(zentra::settled_day_index(29, 28), 0);
    EXPECT_EQ(zentra::settled_day_index(30, 28), 0);
    // February 2000: 29 days.
    EXPECT_EQ(zentra::settled_day_index(28, 29), 28);
    EXPECT_EQ(zentra::settled_day_index(29, 29), 28);
    EXPECT_EQ(zentra::settled_day_index(30, 29), 0);
    // A 30-day month.
    EXPECT_EQ(zentra::settled_day_index(30, 30), 0);
}

TEST(DateText, DayAndMonthFollowTheUsersOrder) {
    const platform::DateLocale c = platform::DateLocale::named("C");  // month first
    const std::array<platform::WString, 12> months = {
        u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
        u"Jul", u"Aug", u"Sep", u"Oct", u"November", u"Dec"};
    const platform::DateLocale day_first("%d.%m.%Y", months, months);
    const platform::CalendarDate date{2000, 11, 22};
    EXPECT_EQ(zentra::day_month_text(c, date, true), u"November 22");
    EXPECT_EQ(zentra::day_month_text(c, date, false), u"11.22");
    EXPECT_EQ(zentra::day_month_text(day_first, date, true), u"22 November");
    EXPECT_EQ(zentra::day_month_text(day_first, date, false), u"22.11");
}

class DateChooserTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char16_t* name : {u"year", u"month", u"day", u"hour", u"minute"}) {
            auto spinner = std::make_unique<SpinnerNode>();
            spinner->set_name(name);
            form.add_child(std::move(spinner));
        }
    }
    SpinnerNode& spinner(const char16_t* name) { return form.find<SpinnerNode>(name); }
    void run(SpinnerNode& s) {
        for (int frame = 0; frame < 500 && s.gliding(); ++frame) {
            s.advance(0.04);
        }
    }

    zentra::Node form;
};

TEST_F(DateChooserTest, SetsUpTheFiveSpinners) {
    DateChooser chooser(form, ChosenDate{2001, 3, 5, 14, 59}, nullptr);
    EXPECT_EQ(chooser.date(), (ChosenDate{2001, 3, 5, 14, 59}));
    EXPECT_EQ(spinner(u"year").count(), 4000);
    EXPECT_FALSE(spinner(u"year").cyclic());
    EXPECT_EQ(spinner(u"month").value(), 2);
    EXPECT_TRUE(spinner(u"month").cyclic());
    EXPECT_EQ(spinner(u"day").count(), 31);
    EXPECT_EQ(spinner(u"hour").count(), 24);
    EXPECT_EQ(spinner(u"minute").count(), 60);
    EXPECT_EQ(spinner(u"minute").adapter(), &chooser);
}

TEST_F(DateChooserTest, AMissingSpinnerIsAnError) {
    form.destroy_children();
    EXPECT_THROW(DateChooser(form, ChosenDate{}, nullptr), zentra::NodeNotFound);
}

TEST_F(DateChooserTest, ChoosingFebruaryMovesTheDaysItLacks) {
    // 29 January 2001 becomes the 28th of February, gliding back.
    DateChooser chooser(form, ChosenDate{2001, 1, 29, 0, 0}, nullptr);
    spinner(u"month").set_value(1);
    EXPECT_TRUE(spinner(u"day").gliding());
    run(spinner(u"day"));
    EXPECT_EQ(chooser.date().day, 28);
    EXPECT_EQ(chooser.date().month, 2);

    // The 30th goes on to the 1st, through the end of the strip.
    spinner(u"month").set_value(0);
    spinner(u"day").set_value(29);
    spinner(u"month").set_value(1);
    EXPECT_GT(spinner(u"day").glide_target(), 29);
    run(spinner(u"day"));
    EXPECT_EQ(chooser.date().day, 1);
    EXPECT_EQ(spinner(u"day").value(), 0);
}

TEST_F(DateChooserTest, ALeapYearKeepsThe29thAndADayAtRestIsSettledAfterADrag) {
    DateChooser chooser(form, ChosenDate{2000, 2, 29, 0, 0}, nullptr);
    spinner(u"day").set_value(29);  // the 30th
    run(spinner(u"day"));
    EXPECT_EQ(chooser.date().day, 29);
    // While a spinner is held, nothing is moved under the finger.
    spinner(u"day").on_pointer({0, 0, 0, true});
    spinner(u"day").set_value(30);
    EXPECT_FALSE(spinner(u"day").gliding());
    // The release on a whole value settles it: the 31st goes on to the 1st.
    spinner(u"day").on_pointer({0, 0, 10, false});
    run(spinner(u"day"));
    EXPECT_EQ(chooser.date().day, 1);
}

struct DateRecorder : zentra::DateChooserListener {
    void on_date_changed(DateChooser& chooser) override { dates.push_back(chooser.date()); }
    std::vector<ChosenDate> dates;
};

TEST_F(DateChooserTest, ASpinnerThatComesRoundMovesTheNextLargerUnit) {
    // From the moment, one spinner is set to a value past either end of its strip.
    struct Case {
        ChosenDate from;
        const char16_t* spinner;
        double value;
        ChosenDate to;
    };
    const Case cases[] = {
        {{2001, 3, 5, 14, 59}, u"minute", 60, {2001, 3, 5, 15, 0}},
        {{2001, 3, 5, 14, 0}, u"minute", -1, {2001, 3, 5, 13, 59}},
        {{2001, 3, 5, 14, 58}, u"minute", 61, {2001, 3, 5, 15, 1}},
        {{2000, 12, 31, 23, 59}, u"minute", 60, {2001, 1, 1, 0, 0}},
        {{2001, 3, 1, 0, 0}, u"minute", -1, {2001, 2, 28, 23, 59}},
        {{2000, 3, 1, 0, 30}, u"hour", -1, {2000, 2, 29, 23, 30}},
        {{2001, 1, 31, 23, 0}, u"hour", 24, {2001, 2, 1, 0, 0}},
        {{2001, 1, 31, 8, 0}, u"day", 31, {2001, 2, 1, 8, 0}},
        {{2001, 4, 1, 8, 0}, u"day", -1, {2001, 3, 31, 8, 0}},
        {{2001, 12, 5, 8, 0}, u"month", 12, {2002, 1, 5, 8, 0}},
        {{2001, 1, 5, 8, 0}, u"month", -1, {2000, 12, 5, 8, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(platform::to_utf8(c.spinner) + " " + std::to_string(c.value));
        DateChooser chooser(form, c.from, nullptr);
        DateRecorder recorder;
        chooser.set_listener(&recorder);
        spinner(c.spinner).set_value(c.value);
        run(spinner(u"day"));
        EXPECT_EQ(chooser.date(), c.to);
        ASSERT_FALSE(recorder.dates.empty());
        EXPECT_EQ(recorder.dates.back(), c.to);
        // The spinners show the moment.
        EXPECT_EQ(spinner(u"year").value(), c.to.year);
        EXPECT_EQ(spinner(u"month").value(), c.to.month - 1);
        EXPECT_EQ(spinner(u"day").value(), c.to.day - 1);
        EXPECT_EQ(spinner(u"hour").value(), c.to.hour);
        EXPECT_EQ(spinner(u"minute").value(), c.to.minute);
    }
}

TEST_F(DateChooserTest, TheThirtyFirstOfFebruaryMovesOnToTheFirstOfMarch) {
    DateChooser chooser(form, ChosenDate{2001, 1, 31, 8, 0}, nullptr);
    DateRecorder recorder;
    chooser.set_listener(&recorder);
    spinner(u"month").set_value(1);
    run(spinner(u"day"));
    EXPECT_EQ(chooser.date(), (ChosenDate{2001, 3, 1, 8, 0}));
    EXPECT_EQ(spinner(u"month").value(), 2);
    // Told once: half-way through the strip's end the 1st of March is counted already.
    EXPECT_EQ(recorder.dates, (std::vector<ChosenDate>{{2001, 3, 1, 8, 0}}));
}

TEST_F(DateChooserTest, SetDateJumpsQuietlyAndTheChooserOutlivesItsSpinners) {
    DateChooser chooser(form, ChosenDate{2001, 3, 5, 14, 0}, nullptr);
    DateRecorder recorder;
    chooser.set_listener(&recorder);
    spinner(u"day").glide_to(10);
    chooser.set_date(ChosenDate{2004, 2, 31, 25, 75});  // out of range: brought into it
    EXPECT_EQ(chooser.date(), (ChosenDate{2004, 2, 29, 23, 59}));
    EXPECT_FALSE(spinner(u"day").gliding());
    EXPECT_EQ(spinner(u"day").value(), 28);
    EXPECT_TRUE(recorder.dates.empty());

    spinner(u"hour").set_value(22);
    EXPECT_EQ(recorder.dates, (std::vector<ChosenDate>{{2004, 2, 29, 22, 59}}));

    // A skin reload destroys the spinners; the chooser keeps the moment and goes quietly.
    form.destroy_children();
    EXPECT_EQ(chooser.date(), (ChosenDate{2004, 2, 29, 22, 59}));
    chooser.set_date(ChosenDate{2005, 1, 1, 0, 0});
    EXPECT_EQ(chooser.date(), (ChosenDate{2005, 1, 1, 0, 0}));
}

}  // namespace
