// Merging two versions of a card against the version both sides last agreed on, and the
// bookkeeping form of a card.

#include <gtest/gtest.h>

#include "sync/card_merge.h"

namespace {

using velvane::sync::CardProps;

TEST(CardMerge, EachSideKeepsItsOwnChangesAndTheServerWinsTies) {
    struct Case {
        const char* what;
        CardProps base, local, server, merged;
        std::vector<std::string> lost;
    };
    const Case cases[] = {
        {"nobody changed anything", {{"first", "Ann"}}, {{"first", "Ann"}}, {{"first", "Ann"}},
         {{"first", "Ann"}}, {}},
        {"different properties on each side",
         {{"first", "Ann"}, {"f:00", "1"}},
         {{"first", "Ann"}, {"f:00", "1"}, {"f:03", "home"}},
         {{"first", "Anna"}, {"f:00", "1"}},
         {{"first", "Anna"}, {"f:00", "1"}, {"f:03", "home"}}, {}},
        {"the same property on both sides", {{"first", "Ann"}}, {{"first", "Annie"}},
         {{"first", "Anna"}}, {{"first", "Anna"}}, {"first"}},
        {"both made the same change", {{"first", "Ann"}}, {{"first", "Anna"}}, {{"first", "Anna"}},
         {{"first", "Anna"}}, {}},
        {"removed here, untouched there", {{"first", "Ann"}, {"x:NOTE", "NOTE:a"}}, {{"first", "Ann"}},
         {{"first", "Ann"}, {"x:NOTE", "NOTE:a"}}, {{"first", "Ann"}}, {}},
        {"removed there, changed here", {{"x:NOTE", "NOTE:a"}}, {{"x:NOTE", "NOTE:b"}}, {},
         {}, {"x:NOTE"}},
        {"added on both sides differently", {}, {{"photo", "A"}}, {{"photo", "B"}},
         {{"photo", "B"}}, {"photo"}},
    };
    for (const Case& c : cases) {
        const velvane::sync::CardMerge merge = velvane::sync::merge_cards(c.base, c.local, c.server);
        EXPECT_EQ(merge.merged, c.merged) << c.what;
        std::vector<std::string> lost;
        for (const auto& entry : merge.local_lost) {
            lost.push_back(entry.first);
        }
        EXPECT_EQ(lost, c.lost) << c.what;
    }
}

TEST(CardMerge, PropertiesGoBackIntoTheSameCardWithItsUidOnlyOnce) {
    velvane::VCardContact card;
    card.contact.first_name = u"Ann";
    card.contact.last_name = u"Lee";
    card.contact.fields.emplace_back(velvane::FieldKind::HomeTel, u"030 1234");
    card.contact.fields.emplace_back(velvane::FieldKind::Categories, u"");
    card.photo = std::string("\x89PNG\r\n\x1a\n\0\1", 10);
    card.extra_properties = {"UID:old", "NOTE:one", "X-A;TYPE=x:1", "NOTE:two"};

    const CardProps props = velvane::sync::card_props(card);
    EXPECT_EQ(props.count("f:23"), 0u) << "an empty field is no property";
    EXPECT_EQ(props.at("x:NOTE"), "NOTE:one\nNOTE:two");
    const velvane::VCardContact back = velvane::sync::card_from_props(props);
    EXPECT_EQ(velvane::sync::card_props(back), props);

    const std::string text = velvane::sync::card_text(card, "new-uid");
    EXPECT_NE(text.find("UID:new-uid\r\n"), std::string::npos);
    EXPECT_EQ(text.find("UID:old"), std::string::npos);
    EXPECT_EQ(velvane::sync::uid_of(velvane::read_vcards(text).contacts.at(0)), "new-uid");
}

TEST(CardMerge, BookkeepingFormRoundTripsAndRefusesDamage) {
    const CardProps props{{"first", "Ann"}, {"photo", std::string("\0\n9 9\n", 6)}, {"x:NOTE", ""}};
    CardProps back;
    ASSERT_TRUE(velvane::sync::unpack_props(velvane::sync::pack_props(props), back));
    EXPECT_EQ(back, props);
    const std::string packed = velvane::sync::pack_props(props);
    for (const std::string& damaged :
         {packed.substr(0, packed.size() - 1), std::string("99 1\nfirst"), std::string("x y\n"),
          std::string("5 18446744073709551615\nfirst")}) {
        EXPECT_FALSE(velvane::sync::unpack_props(damaged, back)) << damaged;
    }
}

}  // namespace
