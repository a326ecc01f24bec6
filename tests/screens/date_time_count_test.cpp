// The birthday's date-time count: reading a field value, the calendar date it stands for and
// the platform's file time.

#include "screens/date_time_count.h"

#include <gtest/gtest.h>

#include <limits>

#include "screens/field_kinds.h"

namespace {

using velvane::FieldKind;
using zentra::ChosenDate;

TEST(DateTimeCount, ValuesOfAField) {
    struct Case {
        const char16_t* value;
        std::optional<int64_t> count;
    } cases[] = {
        {u"", std::nullopt},
        {u"0", std::nullopt},
        {u"abc", std::nullopt},
        {u"12x", std::nullopt},
        {u"-", std::nullopt},
        {u"99999999999999999999", std::nullopt},
        {u"958521600000", 958521600000},
        {u"-86400000", -86400000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(velvane::parse_date_time_count(c.value), c.count) << platform::to_utf8(c.value);
    }
}

TEST(DateTimeCount, CalendarDatesBothWays) {
    struct Case {
        int64_t count;
        ChosenDate date;
    } cases[] = {
        {0, {1970, 1, 1, 0, 0}},
        {958521600000, {2000, 5, 17, 0, 0}},
        {951782400000 + 13 * 3600000 + 7 * 60000, {2000, 2, 29, 13, 7}},  // leap day
        {-86400000, {1969, 12, 31, 0, 0}},
        {-62135596800000, {1, 1, 1, 0, 0}},
        {253402300740000, {9999, 12, 31, 23, 59}},
        {-11644473600000, {1601, 1, 1, 0, 0}},
    };
    for (const Case& c : cases) {
        const ChosenDate date = velvane::date_of_count(c.count);
        EXPECT_EQ(date, c.date) << c.count << " -> " << date.year << "-" << date.month << "-"
                                << date.day << " " << date.hour << ":" << date.minute;
        EXPECT_EQ(velvane::count_of_date(c.date), c.count);
    }
    // Seconds are not shown: a count between minutes falls to its minute, also before 1970.
    EXPECT_EQ(velvane::date_of_count(59999), (ChosenDate{1970, 1, 1, 0, 0}));
    EXPECT_EQ(velvane::date_of_count(-1), (ChosenDate{1969, 12, 31, 23, 59}));
}

TEST(DateTimeCount, FileTimes) {
    struct Case {
        int64_t count;
        int64_t file_time;
    } cases[] = {
        {0, 116444736000000000},
        {-11644473600000, 0},
        {958521600000, 126029952000000000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(velvane::file_time_of_count(c.count), c.file_time) << c.count;
        EXPECT_EQ(velvane::count_of_file_time(c.file_time), c.count) << c.file_time;
    }
    // Integer division toward zero of the 100-ns remainder.
    EXPECT_EQ(velvane::count_of_file_time(116444736000009999), 0);
    EXPECT_EQ(velvane::count_of_file_time(116444736000010000), 1);
    // A count no file time can hold gives the nearest one.
    EXPECT_EQ(velvane::file_time_of_count(std::numeric_limits<int64_t>::max()),
              std::numeric_limits<int64_t>::max());
    EXPECT_EQ(velvane::file_time_of_count(std::numeric_limits<int64_t>::min()),
              std::numeric_limits<int64_t>::min());
}

TEST(FieldKinds, IconsKeysAndGroups) {
    struct Case {
        int kind;
        int icon;
        const char16_t* key;
        int group;
    } cases[] = {
        {0, 0, u"Mobile", 0},       {1, 1, u"BusinessTel", 0},  {8, 1, u"AssistantTel", 0},
        {9, 2, u"Email1", 1},       {11, 2, u"Email3", 1},      {12, 3, u"WebPage", 2},
        {13, 7, u"MiddleName", 5},  {19, 7, u"BusinessFax", 5}, {21, 7, u"PagerNumber", 5},
        {22, 6, u"Birthday", 5},    {23, 5, u"Categories", 5},  {24, 4, u"WorkAddress", 3},
        {28, 4, u"WorkAddress", 3}, {29, 4, u"HomeAddress", 4}, {33, 4, u"HomeAddress", 4},
        {34, 7, u"Unknown", 5},     {35, 7, u"Unknown", 5},     {-1, 7, u"Unknown", 5},
    };
    for (const Case& c : cases) {
        const auto kind = static_cast<FieldKind>(c.kind);
        EXPECT_EQ(velvane::field_icon_state(kind), c.icon) << c.kind;
        EXPECT_EQ(velvane::field_kind_key(kind), platform::WStringView(c.key)) << c.kind;
        EXPECT_EQ(velvane::field_group(kind), c.group) << c.kind;
    }
}

}  // namespace
