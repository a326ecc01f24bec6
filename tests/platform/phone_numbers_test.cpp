#include "platform/phone_numbers.h"

#include <gtest/gtest.h>

namespace {

using platform::national_number;

struct NationalCase {
    const char16_t* stored;
    const char16_t* trunk;  // nullptr: no national form
    const char16_t* number;
};

const NationalCase kNational[] = {
    // A range the metadata has no pattern for still takes its country's trunk prefix.
    {u"+49 196 8964952", u"0", u"1968964952"},
    {u"  +49-171-1234567", u"0", u"1711234567"},
    {u"+36 20 123 4567", u"06", u"201234567"},
    // Italy dials no trunk prefix; the leading zero belongs to the number.
    {u"+39 06 1234 5678", u"", u"0612345678"},
    {u"+7 (912) 345-67-89", u"8", u"9123456789"},
    {u"+44 20 7946 0958", u"0", u"2079460958"},
    {u"+1 415 555 0100", u"1", u"4155550100"},
    // A trunk prefix written after the country code is not dialled twice.
    {u"+49 (0)30 1234567", u"0", u"301234567"},
    // Extensions and other scripts' digits go through the full parser.
    {u"+49 171 1234567 ext. 12", u"0", u"1711234567"},
    {u"+\uFF14\uFF19 \uFF11\uFF17\uFF11 \uFF11\uFF12\uFF13\uFF14\uFF15\uFF16\uFF17", u"0",
     u"1711234567"},
    // No country code, no country, nothing after it, or no number at all.
    {u"0301234567", nullptr, nullptr},
    {u"0049 30 1234567", nullptr, nullptr},
    {u"+800 1234 5678", nullptr, nullptr},
    {u"+999 123", nullptr, nullptr},
    {u"+49", nullptr, nullptr},
    {u"+", nullptr, nullptr},
    {u"", nullptr, nullptr},
    {u"+abc", nullptr, nullptr},
};

TEST(PhoneNumbers, NationalFormFromTheCountryCode) {
    for (const NationalCase& c : kNational) {
        SCOPED_TRACE(platform::to_utf8(c.stored));
        const auto national = national_number(c.stored);
        if (c.trunk == nullptr) {
            EXPECT_FALSE(national.has_value());
            continue;
        }
        ASSERT_TRUE(national.has_value());
        EXPECT_EQ(national->trunk, c.trunk);
        EXPECT_EQ(national->number, c.number);
    }
}

TEST(PhoneNumbers, TheQuickSplitAgreesWithTheParser) {
    // An extension sends a number through the full parser without changing its national
    // form, so the two ways of reading it can be held side by side.
    for (const NationalCase& c : kNational) {
        const std::u16string stored = c.stored;
        const bool plain = stored.find_first_not_of(u"+0123456789 -()") == std::u16string::npos;
        if (c.trunk == nullptr || !plain) {
            continue;
        }
        SCOPED_TRACE(platform::to_utf8(c.stored));
        const auto quick = national_number(c.stored);
        const auto parsed = national_number(stored + u" ext. 9");
        ASSERT_TRUE(quick && parsed);
        EXPECT_EQ(quick->trunk + quick->number, parsed->trunk + parsed->number);
    }
}

TEST(PhoneNumbers, CompactLeavesOutEverySeparator) {
    EXPECT_EQ(platform::compact_number(u"+49 (196) 896-4952"), u"+491968964952");
    EXPECT_EQ(platform::compact_number(u"030/12.34\u2013 56\u00A07"), u"0301234567");
    // Letters, stars and hashes are dialled, not separators.
    EXPECT_EQ(platform::compact_number(u"*31# 555 x12"), u"*31#555x12");
    EXPECT_EQ(platform::compact_number(u" - "), u"");
}

}  // namespace
