#include "platform/locale.h"

#include <cstdlib>

#include <gtest/gtest.h>

namespace {

using platform::CalendarDate;
using platform::DateLocale;

DateLocale with_format(const std::string& format) {
    const DateLocale c = DateLocale::named("C");
    std::array<platform::WString, 12> months;
    std::array<platform::WString, 12> abbreviated;
    for (int m = 1; m <= 12; ++m) {
        months[m - 1] = c.month_name(m, true);
        abbreviated[m - 1] = c.month_name(m, false);
    }
    return DateLocale(format, months, abbreviated);
}

TEST(DateLocale, TheCLocaleWritesMonthFirstWithEnglishNames) {
    const DateLocale c = DateLocale::named("C");
    EXPECT_EQ(c.short_date({2000, 11, 22}), u"11/22/00");
    EXPECT_TRUE(c.month_first());
    EXPECT_EQ(c.month_name(1, true), u"January");
    EXPECT_EQ(c.month_name(12, false), u"Dec");
    EXPECT_EQ(c.long_date({2001, 3, 5}), u"March 5, 2001");
    EXPECT_EQ(c.year_month({2001, 3, 5}), u"March 2001");
}

TEST(DateLocale, MonthFirstFollowsTheOrderOfTheShortFormat) {
    EXPECT_FALSE(with_format("%d.%m.%Y").month_first());
    EXPECT_EQ(with_format("%d.%m.%Y").short_date({2000, 11, 22}), u"22.11.2000");
    EXPECT_EQ(with_format("%d.%m.%Y").long_date({2001, 3, 5}), u"5 March 2001");
    EXPECT_TRUE(with_format("%Y-%m-%d").month_first());  // the year's "2000" holds no "11"
    EXPECT_FALSE(with_format("%e %b %Y").month_first());
    EXPECT_EQ(with_format("%e %b %Y").short_date({2000, 1, 2}), u" 2 Jan 2000");
}

TEST(DateLocale, PicturesTakeRunsOfLettersAndCopyTheRest) {
    const DateLocale c = DateLocale::named("C");
    const CalendarDate date{2001, 3, 5};
    EXPECT_EQ(c.format_picture(date, u"dd.MM"), u"05.03");
    EXPECT_EQ(c.format_picture(date, u"MMMM dd"), u"March 05");
    EXPECT_EQ(c.format_picture(date, u"d/M yy"), u"5/3 01");
    EXPECT_EQ(c.format_picture(date, u"MMM"), u"Mar");
}

TEST(DateLocale, AnUnknownLocaleInTheEnvironmentFallsBackToC) {
    const char* saved = std::getenv("LC_ALL");
    const std::string old = saved != nullptr ? saved : "";
    setenv("LC_ALL", "xx_NOWHERE.UTF-8", 1);
    const DateLocale user = DateLocale::from_environment();
    if (saved != nullptr) {
        setenv("LC_ALL", old.c_str(), 1);
    } else {
        unsetenv("LC_ALL");
    }
    EXPECT_EQ(user.short_format(), DateLocale::named("C").short_format());
}

}  // namespace
