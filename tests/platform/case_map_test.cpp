#include "platform/case_map.h"

#include <gtest/gtest.h>

#include <clocale>

namespace {

using platform::to_lower;
using platform::to_upper;

TEST(CaseMap, LowersLatinGreekAndCyrillicOneForOne) {
    EXPECT_EQ(platform::to_lower(u"ÁRVÍZTŰRŐ Tükör"), u"árvíztűrő tükör");
    EXPECT_EQ(platform::to_lower(u"ΑΒΓ Ωμέγα"), u"αβγ ωμέγα");
    EXPECT_EQ(platform::to_lower(u"ПРИВЕТ Ёж"), u"привет ёж");
    // Digits, punctuation and characters without case pass through.
    EXPECT_EQ(platform::to_lower(u"+49 (171) 123-45 א"), u"+49 (171) 123-45 א");
    EXPECT_EQ(to_upper(u'ж'), u'Ж');
    EXPECT_EQ(to_upper(u'7'), u'7');
}

TEST(CaseMap, SimpleMappingOnly) {
    // One code unit in, one out: the capital dotted I does not grow a combining dot, sharp s
    // stays, and surrogate halves are left alone.
    EXPECT_EQ(to_lower(u'\u0130'), u'i');
    EXPECT_EQ(to_lower(u'ß'), u'ß');
    EXPECT_EQ(to_lower(u'\xD83D'), u'\xD83D');
    std::u16string emoji = u"A\U0001F600B";
    platform::lower_in_place(emoji);
    EXPECT_EQ(emoji, u"a\U0001F600b");
}

TEST(CaseMap, DoesNotFollowTheProcessLocale) {
    // Under a Turkish locale a locale-aware lower-casing turns I into dotless ı.
    const char* turkish = std::setlocale(LC_ALL, "tr_TR.UTF-8");
    EXPECT_EQ(to_lower(u'I'), u'i');
    if (turkish) {
        std::setlocale(LC_ALL, "C");
    }
}

}  // namespace
