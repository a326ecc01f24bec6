// The date chooser: the calendar rules, the spinners it sets up, the day it settles on, and
// day-and-month text in the user's order.

#include "skin/date_chooser.h"

#include <gtest/gtest.h>

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

}  // namespace
