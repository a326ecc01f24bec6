// Searching the way people type: numbers without their separators and in their national form,
// letters without their accents, with the keypad map the program ships.

#include <algorithm>

#include "tests/contacts/document_fixture.h"

namespace contacts_test {
namespace {

ContactField mobile(std::u16string n) {
    return ContactField(FieldKind::Mobile, std::move(n));
}

class Search : public DocumentTest {
protected:
    void SetUp() override {
        keypad = test_support::read_bytes(std::string(VELVANE_TEST_SAMPLES) +
                                          "/../../data/keyboard.txt");
        ASSERT_FALSE(keypad.empty());
        initial = {
            person(1, u"Erika", u"Mustermann", u"", {mobile(u"+49 196 8964952")}),
            person(2, u"\u00C5se", u"\u00D8deg\u00E5rd", u"", {mobile(u"(030) 123-4567")}),
            person(
                3, u"Zolt\u00E1n", u"Kov\u00E1cs", u"",
                {mobile(u"+36 20 555 1234"), ContactField(FieldKind::HomeTel, u"06 1 234 5678")}),
            person(4, u"Paolo", u"Rossi", u"", {mobile(u"+39 06 1234 5678")}),
            person(5, u"\u0410\u043B\u0451\u043D\u0430", u"\u0401\u043B\u043A\u0438\u043D\u0430",
                   u"", {mobile(u"+7 912 345-67-89")}),
            // The keypad puts this letter and its base letter on different keys.
            person(6, u"\u040E\u043B\u0430\u0434\u0437\u044C", u""),
            person(7, u"Fax", u"Only", u"", {ContactField(FieldKind::BusinessFax, u"+49 171 000")}),
        };
        open();
    }
    std::vector<uint32_t> found(std::u16string_view text) {
        document->set_filter_string(text);
        std::vector<uint32_t> ids = filtered();
        std::sort(ids.begin(), ids.end());
        return ids;
    }
};

TEST_F(Search, FindsWhatPeopleType) {
    const struct {
        const char16_t* typed;
        std::vector<uint32_t> expected;
    } cases[] = {
        // Numbers: from the start, with or without the separators they are stored with.
        {u"+49", {1}},
        {u"+49196", {1}},
        {u"(030)", {2}},
        {u"0301234", {2}},
        {u"06 1 2", {}},  // three words, and only one number part
        // From the start of the national form of a number stored with a country code.
        {u"0196", {1}},
        {u"062055", {3}},
        {u"0612", {3, 4}},  // a Hungarian home number, an Italian one with no trunk prefix
        {u"8912", {5}},
        // Never from the middle, nor from a country code typed without its "+".
        {u"196", {}},
        {u"4919", {}},
        // Only the searched kinds of number.
        {u"0171", {}},
        // Letters as their base letters, on the keyboard and on the keypad.
        {u"ode", {2}},
        {u"633", {2}},
        {u"ase", {2}},
        {u"kovacs", {3}},
        {u"\u0435\u043B\u043A", {5}},
        {u"\u0401\u041B\u041A", {5}},
        // Where the keypad keeps a letter apart from its base, the keypad wins (5 is there by
        // its national number).
        {u"8", {5, 6}},
        {u"\u0443", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(found(c.typed), c.expected) << platform::to_utf8(c.typed);
    }
}

TEST_F(Search, MarksTheStoredBeginningThatADigitMatchCovers) {
    const struct {
        const char16_t* typed;
        uint32_t id;
        const char16_t* marked;  // the start of the stored number that is marked
        int field;
    } cases[] = {
        {u"+49196", 1, u"+49 196", 0},
        {u"0196", 1, u"+49 196", 0},
        {u"0", 1, u"+49", 0},  // the trunk prefix stands for the country code
        {u"0301234", 2, u"(030) 123-4", 0},
        {u"0612", 3, u"06 1 2", 1},
        {u"0612", 4, u"+39 06 12", 0},
        {u"8912", 5, u"+7 912", 0},
        {u"+3", 3, u"+3", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(platform::to_utf8(c.typed));
        document->set_filter_string(c.typed);
        const ContactEntry* entry = document->find_entry(c.id);
        MatchLengths m;
        ASSERT_TRUE(document->matches(*entry, &m));
        ASSERT_EQ(m.phone_field, c.field);
        const std::u16string& number = entry->contact.fields[m.phone_field].value;
        EXPECT_EQ(number.substr(0, m.phone), c.marked);
        EXPECT_EQ(m.first_name + m.last_name + m.company, 0);
    }
    // A letter match marks as many letters as were typed, accents and all.
    document->set_filter_string(u"ode");
    MatchLengths m;
    ASSERT_TRUE(document->matches(*document->find_entry(2), &m));
    EXPECT_EQ(m.last_name, 3);
    EXPECT_EQ(m.phone_field, -1);
}

}  // namespace
}  // namespace contacts_test
