#include "contacts/contact.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>

namespace {

using namespace velvane;

TEST(NumberKey, KeepsTheLastSevenDigitsInTheirOrder) {
    EXPECT_EQ(number_key(u"+49 (171) 123-4567"), u"1234567");
    EXPECT_EQ(number_key(u"01711234567"), u"1234567");
    EXPECT_EQ(number_key(u"112"), u"112");
    EXPECT_EQ(number_key(u"1234567"), u"1234567");
    EXPECT_EQ(number_key(u"12345678"), u"2345678");
    EXPECT_EQ(number_key(u"call me"), u"");
    EXPECT_EQ(number_key(u""), u"");
    // Digits of other scripts and letters are not digits here.
    EXPECT_EQ(number_key(u"1\u0662 3x4"), u"134");
}

TEST(Catalogue, GroupsFollowTheKindRanges) {
    for (int32_t k = 0; k <= 8; ++k) {
        EXPECT_EQ(group_of(FieldKind(k)), FieldGroup::PhoneGroup) << k;
    }
    for (int32_t k = 9; k <= 11; ++k) {
        EXPECT_EQ(group_of(FieldKind(k)), FieldGroup::EmailGroup) << k;
    }
    EXPECT_EQ(group_of(FieldKind::WebPage), FieldGroup::WebGroup);
    for (int32_t k = 24; k <= 28; ++k) {
        EXPECT_EQ(group_of(FieldKind(k)), FieldGroup::WorkAddressGroup) << k;
    }
    for (int32_t k = 29; k <= 33; ++k) {
        EXPECT_EQ(group_of(FieldKind(k)), FieldGroup::HomeAddressGroup) << k;
    }
    // Fax and pager numbers stay out of the phone group, and so out of the number index.
    for (int32_t k : {13, 19, 20, 21, 22, 23, 34, 35, 1000, -1}) {
        EXPECT_EQ(group_of(FieldKind(k)), FieldGroup::OtherGroup) << k;
    }
}

TEST(Catalogue, NamesAndPropertiesOfEveryKind) {
    EXPECT_EQ(kind_name(FieldKind::Mobile), u"Mobile");
    EXPECT_EQ(kind_name(FieldKind::Birthday), u"Birthday");
    EXPECT_EQ(kind_name(FieldKind::Unknown), u"Unknown");
    EXPECT_EQ(kind_name(FieldKind(35)), u"");
    EXPECT_EQ(kind_name(FieldKind(-1)), u"");
    // Address parts share a name; only the kind tells them apart.
    EXPECT_EQ(kind_name(FieldKind::WorkCity), kind_name(FieldKind::WorkPostalCode));
    EXPECT_NE(property_of(FieldKind::WorkCity), property_of(FieldKind::WorkPostalCode));
    EXPECT_EQ(property_of(FieldKind::WorkPostalCode), 0x00C4001Fu);
    EXPECT_EQ(property_of(FieldKind::WorkState), 0x00C3001Fu);
    EXPECT_EQ(property_of(FieldKind::Birthday), 0x00F00040u);
    EXPECT_EQ(property_of(FieldKind::Unknown), 0u);

    // Every stored kind has its own property and finds its way back from it.
    std::set<uint32_t> seen;
    for (int32_t k = 0; k < kStoredKindCount; ++k) {
        uint32_t id = property_of(FieldKind(k));
        EXPECT_TRUE(seen.insert(id).second) << k;
        EXPECT_EQ(kind_of_property(id), FieldKind(k));
    }
    EXPECT_EQ(kind_of_property(property::kFirstName), FieldKind::Unknown);
}

TEST(Catalogue, ReadListIsIdNamesCompanyThenKindsInOrder) {
    const auto& ids = contact_property_ids();
    EXPECT_EQ(ids[0], 0x10000066u);
    EXPECT_EQ(ids[1], 0x0082001Fu);
    EXPECT_EQ(ids[2], 0x0084001Fu);
    EXPECT_EQ(ids[3], 0x008A001Fu);
    for (size_t j = 4; j < ids.size(); ++j) {
        EXPECT_EQ(ids[j], property_of(FieldKind(int32_t(j) - 4))) << j;
    }
}

TEST(ContactField, TakesItsGroupFromTheKind) {
    ContactField plain;
    EXPECT_EQ(plain.group, FieldGroup::OtherGroup);
    EXPECT_EQ(plain.kind, FieldKind::Unknown);
    EXPECT_TRUE(plain.value.empty());
    ContactField email(FieldKind::Email2, u"a@b.c");
    EXPECT_EQ(email.group, FieldGroup::EmailGroup);
    EXPECT_EQ(ContactField(FieldKind(77), u"x").group, FieldGroup::OtherGroup);

    Contact c;
    c.fields = {ContactField(FieldKind::HomeTel, u"1"), ContactField(FieldKind::HomeTel, u"2")};
    ASSERT_NE(c.find(FieldKind::HomeTel), nullptr);
    EXPECT_EQ(c.find(FieldKind::HomeTel)->value, u"1");
    EXPECT_EQ(c.find(FieldKind::Mobile), nullptr);
}

TEST(Birthday, CountAndFileTimeConvertBothWays) {
    int64_t ft = 0;
    ASSERT_TRUE(file_time_from_date_time(0, ft));
    EXPECT_EQ(ft, 116444736000000000LL);
    EXPECT_EQ(date_time_from_file_time(ft), 0);
    // 1955-03-01, before 1970: birthdays are often negative counts.
    const int64_t count = -467683200000LL;
    ASSERT_TRUE(file_time_from_date_time(count, ft));
    EXPECT_EQ(date_time_from_file_time(ft), count);
    // Sub-millisecond parts are cut off.
    EXPECT_EQ(date_time_from_file_time(116444736000009999LL), 0);
    // Values from a damaged database must not overflow either way.
    EXPECT_FALSE(file_time_from_date_time(std::numeric_limits<int64_t>::max(), ft));
    EXPECT_FALSE(file_time_from_date_time(std::numeric_limits<int64_t>::min(), ft));
    EXPECT_EQ(date_time_from_file_time(std::numeric_limits<int64_t>::min()),
              std::numeric_limits<int64_t>::min() / 10000 - 11644473600000LL);
}

TEST(Birthday, DecimalTextIsStrict) {
    int64_t v = 42;
    EXPECT_TRUE(parse_date_time(date_time_text(-467683200000LL), v));
    EXPECT_EQ(v, -467683200000LL);
    EXPECT_TRUE(parse_date_time(u"9223372036854775807", v));
    EXPECT_EQ(v, std::numeric_limits<int64_t>::max());
    EXPECT_TRUE(parse_date_time(u"-9223372036854775808", v));
    EXPECT_EQ(v, std::numeric_limits<int64_t>::min());
    v = 42;
    for (const char16_t* bad : {u"", u"-", u"12a", u" 12", u"+5", u"9223372036854775808",
                                u"1.5"}) {
        EXPECT_FALSE(parse_date_time(bad, v)) << platform::to_utf8(bad);
    }
    EXPECT_EQ(v, 42);
}

}  // namespace
