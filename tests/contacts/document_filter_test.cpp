#include <random>

#include "contacts/collation.h"
#include "platform/case_map.h"
#include "platform/phone_numbers.h"
#include "tests/contacts/document_fixture.h"

namespace contacts_test {
namespace {

using Filter = DocumentTest;

ContactField mobile(std::u16string n) { return ContactField(FieldKind::Mobile, std::move(n)); }

TEST_F(Filter, WordsMatchPrefixesOfDifferentParts) {
    initial = {person(1, u"Anna", u"Smith"), person(2, u"Andrew", u"Anderson"),
               person(3, u"Smilla", u"Jansen")};
    open();
    document->set_filter_string(u"an sm");
    EXPECT_EQ(filtered(), (std::vector<uint32_t>{1}));
    EXPECT_EQ(view->take(), (std::vector<std::string>{"filtered_reset 1"}));
    document->set_filter_string(u"sm an");
    EXPECT_EQ(filtered(), (std::vector<uint32_t>{1}));
    // One part takes one word: "an an" needs two parts beginning with an.
    document->set_filter_string(u"an an");
    EXPECT_EQ(filtered(), (std::vector<uint32_t>{2}));
    // Leading, doubled and trailing spaces make no empty words.
    document->set_filter_string(u"   ANN  ");
    EXPECT_EQ(filtered(), (std::vector<uint32_t>{1}));
    EXPECT_EQ(document->filter_words(), (std::vector<std::u16string>{u"ann"}));
}

TEST_F(Filter, LongestWordIsOfferedFirst) {
    // Taken in typed order, "a" would take the first name and leave "anna" nothing.
    initial = {person(1, u"Anna", u"Annabel")};
    open();
    document->set_filter_string(u"a anna");
    EXPECT_EQ(document->filter_words(), (std::vector<std::u16string>{u"anna", u"a"}));
    EXPECT_EQ(filtered(), (std::vector<uint32_t>{1}));
    // Equal lengths keep the typed order.
    document->set_filter_string(u"bb aa cc");
    EXPECT_EQ(document->filter_words(), (std::vector<std::u16string>{u"bb", u"aa", u"cc"}));
}

TEST_F(Filter, KeypadDigitsStandForTheirLettersAndThemselves) {
    initial = {person(1, u"Bea", u"Xu"), person(2, u"Carl", u"Young"),
               person(3, u"Dora", u"Quist", u"", {mobile(u"+36 20 123")}),
               person(4, u"", u"", u"Acme"), person(5, u"Ede", u"Fekete")};
    open();
    document->set_filter_string(u"2");
    // b, c, a (company) and the 2 of a phone; not the +36 number of Dora.
    EXPECT_EQ(filtered(), (std::vector<uint32_t>{4, 1, 2}));
    document->set_filter_string(u"+3");
    EXPECT_EQ(filtered(), (std::vector<uint32_t>{3}));
    document->set_filter_string(u"23");  // "ad", "be", "cf", ... or the digits
    EXPECT_EQ(filtered(), (std::vector<uint32_t>{1}));
    // A typed letter stands only for itself.
    document->set_filter_string(u"c");
    EXPECT_EQ(filtered(), (std::vector<uint32_t>{2}));
}

TEST_F(Filter, ManyWordsAndLongWords) {
    initial = {person(1, u"Maximilian", u"Bartholomew", u"Oberwiesenthal GmbH",
                      {mobile(u"0301234567"), ContactField(FieldKind::HomeTel, u"555")})};
    open();
    document->set_filter_string(u"max bar 030 ober");
    EXPECT_EQ(filtered().size(), 1u);
    // The phone part counts once, whatever number takes the word.
    document->set_filter_string(u"030 555");
    EXPECT_TRUE(filtered().empty());
    // Five words never match: there are four parts.
    document->set_filter_string(u"m b 0 o 5");
    EXPECT_TRUE(filtered().empty());
    // Words longer than the flat search keys still compare every character.
    document->set_filter_string(u"maximilian");
    EXPECT_EQ(filtered().size(), 1u);
    document->set_filter_string(u"maximilion");
    EXPECT_TRUE(filtered().empty());
    document->set_filter_string(u"62946454");  // "maximili" on the keypad
    EXPECT_EQ(filtered().size(), 1u);
    document->set_filter_string(u"oberwiesenthal gmbhx");
    EXPECT_TRUE(filtered().empty());
    document->set_filter_string(u"maximilianx");
    EXPECT_TRUE(filtered().empty());
}

TEST_F(Filter, OnlyTheMainPhoneKindsAreSearched) {
    initial = {person(1, u"A", u"", u"",
                      {ContactField(FieldKind::BusinessFax, u"777"),
                       ContactField(FieldKind::Business2Tel, u"778"),
                       ContactField(FieldKind::BusinessTel, u"779")}),
               person(2, u"B", u"", u"",
                      {ContactField(FieldKind::HomeTel, u"1"), ContactField(FieldKind::HomeTel, u"2"),
                       ContactField(FieldKind::HomeTel, u"3"), ContactField(FieldKind::HomeTel, u"4"),
                       ContactField(FieldKind::HomeTel, u"5"), ContactField(FieldKind::HomeTel, u"6"),
                       ContactField(FieldKind::Mobile, u"777")})};
    open();
    document->set_filter_string(u"777");
    // Found through the seventh phone of B, not through the fax of A.
    EXPECT_EQ(filtered(), (std::vector<uint32_t>{2}));
    document->set_filter_string(u"779");
    EXPECT_EQ(filtered(), (std::vector<uint32_t>{1}));
}

TEST_F(Filter, MatchLengthsSayWhereEachWordMatched) {
    initial = {person(1, u"Anna", u"Andersen", u"Annex", {mobile(u"266")})};
    open();
    const ContactEntry& e = *document->find_entry(1);
    MatchLengths m;
    document->set_filter_string(u"and 26");
    ASSERT_TRUE(document->matches(e, &m));
    // "and" goes first, is refused by the first name and taken by the last name; "26" then
    // spells "an" on the keypad and takes the first name before the phone is tried.
    EXPECT_EQ(m.first_name, 2);
    EXPECT_EQ(m.last_name, 3);
    EXPECT_EQ(m.phone, 0);
    EXPECT_EQ(m.company, 0);
    // One word marks every name part it fits, beyond the one that took it.
    document->set_filter_string(u"an");
    ASSERT_TRUE(document->matches(e, &m));
    EXPECT_EQ(m.first_name, 2);
    EXPECT_EQ(m.last_name, 2);
    EXPECT_EQ(m.company, 2);
    EXPECT_EQ(m.phone, 0);
    document->set_filter_string(u"2");
    ASSERT_TRUE(document->matches(e, &m));
    EXPECT_EQ(m.first_name, 1);
    EXPECT_EQ(m.phone, 0);  // the phone is not marked by the one-word rule
    document->set_filter_string(u"");
    ASSERT_TRUE(document->matches(e, &m));
    EXPECT_EQ(m.first_name + m.last_name + m.phone + m.company, 0);
}

TEST_F(Filter, EmptyTextClearsOnceAndRestoresTheWholeList) {
    initial = {person(1, u"Anna", u"Smith"), person(2, u"Bob", u"Jones")};
    open();
    document->set_filter_string(u"");
    EXPECT_TRUE(view->take().empty()) << "nothing typed, nothing to clear";
    document->set_filter_string(u"bo");
    document->set_filter_string(u"");
    EXPECT_EQ(view->take(), (std::vector<std::string>{"filtered_reset 1", "filtered_reset 2"}));
    EXPECT_EQ(filtered(), full());
    document->set_filter_string(u"   ");
    EXPECT_EQ(view->take(), (std::vector<std::string>{"filtered_reset 2"}));
}

TEST_F(Filter, WithoutAKeypadMapOnlyLiteralPrefixesMatch) {
    keypad = "";
    initial = {person(1, u"Bea", u""), person(2, u"", u"", u"", {mobile(u"2345")})};
    open();
    document->set_filter_string(u"2");
    EXPECT_EQ(filtered(), (std::vector<uint32_t>{2}));
}

TEST_F(Filter, CategoryFilterAndWordFilterRebuildIndependently) {
    category_test = [](const ContactEntry& e, WStringView name) {
        const ContactField* f = e.contact.find(FieldKind::Categories);
        return f && f->value == name;
    };
    initial = {person(1, u"Anna", u"A", u"", {ContactField(FieldKind::Categories, u"Work")}),
               person(2, u"Bob", u"B"),
               person(3, u"Cecil", u"C", u"", {ContactField(FieldKind::Categories, u"Work")})};
    open();
    EXPECT_EQ(document->category_filter(), u"skinNoCategory");
    document->set_category(u"Work");
    EXPECT_EQ(filtered(), (std::vector<uint32_t>{1, 3}));
    EXPECT_EQ(view->take(), (std::vector<std::string>{"is_sorting"}));
    // An empty name keeps the filter and rebuilds with it.
    document->set_category(u"");
    EXPECT_EQ(document->category_filter(), u"Work");
    EXPECT_EQ(filtered(), (std::vector<uint32_t>{1, 3}));
    // The word filter's rebuild does not apply the category.
    document->set_filter_string(u"b");
    EXPECT_EQ(filtered(), (std::vector<uint32_t>{2}));
    document->set_category(u"skinNoCategory");
    EXPECT_EQ(filtered(), (std::vector<uint32_t>{1, 2, 3}));
    document->set_filtered_contacts();
    EXPECT_EQ(filtered(), (std::vector<uint32_t>{2}));
}

// The rule written plainly, to hold the fast scans to it: letters fold to their base letters
// unless the keypad puts the two on different keys, and a number is also tried without its
// separators and in its national form.
bool reference_match(const Contact& c, const std::vector<std::u16string>& words,
                     const KeypadMap& map) {
    auto keys = [&](char16_t ch) {
        std::u16string on;
        for (const auto& [key, value] : map.pairs()) {
            if (value.find(ch) != std::u16string::npos) on.push_back(key);
        }
        return on;
    };
    auto fold = [&](char16_t ch) {
        const char16_t base = base_letter(ch);
        return keys(ch).empty() || keys(ch) == keys(base) ? base : ch;
    };
    auto accepts = [&](const std::u16string& text, const std::u16string& word) {
        const std::u16string part = platform::to_lower(text);
        if (part.size() < word.size()) return false;
        for (size_t i = 0; i < word.size(); ++i) {
            bool in = false;
            for (char16_t v : map.value_of(word[i])) {
                in = in || fold(part[i]) == fold(v);
            }
            if (!in) return false;
        }
        return true;
    };
    auto number_accepts = [&](const std::u16string& number, const std::u16string& word) {
        const auto national = platform::national_number(number);
        return accepts(number, word) || accepts(platform::compact_number(number), word) ||
               (national && accepts(national->trunk + national->number, word));
    };
    bool used[4] = {};
    for (const auto& word : words) {
        bool taken = false;
        for (int part = 0; part < 4 && !taken; ++part) {
            if (used[part]) continue;
            bool ok = false;
            if (part == 0) ok = accepts(c.first_name, word);
            if (part == 1) ok = accepts(c.last_name, word);
            if (part == 3) ok = accepts(c.company, word);
            if (part == 2) {
                for (const auto& f : c.fields) {
                    if ((f.kind == FieldKind::Mobile || f.kind == FieldKind::BusinessTel ||
                         f.kind == FieldKind::HomeTel) && number_accepts(f.value, word)) {
                        ok = true;
                    }
                }
            }
            if (ok) used[part] = taken = true;
        }
        if (!taken) return false;
    }
    return true;
}

TEST_F(Filter, FastScansAgreeWithThePlainRuleOnARandomBook) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    // "a" stands for two keys, so contacts with it take the careful path.
    keypad = std::string(kPhoneKeypad) + "1=\xe4" "a\n" + "0=0 \n";
    const std::u16string letters = u"abcdefgmnpstwxzä01236789 -+";
    auto text = [&](size_t max) {
        std::u16string s;
        const size_t n = random() % (max + 1);
        for (size_t i = 0; i < n; ++i) s.push_back(letters[random() % letters.size()]);
        if (!s.empty() && random() % 4 == 0) s[0] = platform::to_upper(s[0]);
        return s;
    };
    for (uint32_t id = 1; id <= 400; ++id) {
        std::vector<ContactField> fields;
        const int phones = random() % 8;  // beyond the flat phones now and then
        for (int i = 0; i < phones; ++i) {
            const FieldKind kinds[] = {FieldKind::Mobile, FieldKind::HomeTel,
                                       FieldKind::BusinessTel, FieldKind::HomeFax};
            fields.emplace_back(kinds[random() % 4], text(6));
        }
        initial.push_back(person(id, text(7), text(7), text(5), fields));
    }
    open();
    KeypadMap map;
    map.parse(keypad);
    const std::u16string typed = u"2345678901aäm";
    for (int round = 0; round < 300; ++round) {
        std::u16string filter;
        const int words = 1 + random() % 5;
        for (int w = 0; w < words; ++w) {
            if (w) filter += u' ';
            const size_t n = 1 + random() % 6;
            for (size_t i = 0; i < n; ++i) filter.push_back(typed[random() % typed.size()]);
        }
        document->set_filter_string(filter);
        std::vector<uint32_t> expected;
        for (const ContactEntry* e : document->full_list()) {
            if (reference_match(e->contact, document->filter_words(), map)) {
                expected.push_back(e->contact.object_id);
            }
        }
        ASSERT_EQ(filtered(), expected) << platform::to_utf8(filter);
    }
}

}  // namespace
}  // namespace contacts_test
