// The card's rows as numbers: the sequence for a contact's fields, what a field row shows,
// and the single-row steps that carry a shown sequence over a field insertion or erasure.

#include "screens/contact_rows.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace velvane;

std::vector<ContactField> fields_of(std::initializer_list<FieldKind> kinds) {
    std::vector<ContactField> fields;
    for (FieldKind kind : kinds) {
        fields.emplace_back(kind, u"v" + platform::to_wstring(static_cast<int>(kind)));
    }
    return fields;
}

TEST(ContactRows, TheSequenceGroupsFieldsAndGivesAnAddressOneRow) {
    using K = FieldKind;
    struct Case {
        const char* what;
        std::vector<ContactField> fields;
        bool edit;
        std::vector<int32_t> rows;
    };
    const Case cases[] = {
        {"no fields", {}, false, {-3}},
        {"no fields, edit", {}, true, {-3, -1, -4}},
        {"phones and an e-mail", fields_of({K::Mobile, K::HomeTel, K::Email1}), false,
         {-3, -1, 0, -2, 1, -1, 2}},
        {"full work address after a phone",
         fields_of({K::Mobile, K::WorkStreet, K::WorkCity, K::WorkPostalCode, K::WorkState,
                    K::WorkCountry}),
         false, {-3, -1, 0, -1, 1, -2, -2, -2, -2}},
        {"two addresses, edit",
         fields_of({K::WorkCity, K::WorkCountry, K::HomeStreet, K::Birthday}), true,
         {-3, -1, 0, -1, 1, -2, -1, 3, -1, -4}},
    };
    for (const Case& c : cases) {
        std::vector<ContactField> sorted = c.fields;
        sort_fields_by_kind(sorted);
        EXPECT_EQ(build_contact_rows(sorted, c.edit), c.rows) << c.what;
    }
}

TEST(ContactRows, SortingByKindKeepsTheOrderOfEqualKinds) {
    std::vector<ContactField> fields{{FieldKind::Email1, u"a"},
                                     {FieldKind::Mobile, u"first"},
                                     {FieldKind::Mobile, u"second"}};
    sort_fields_by_kind(fields);
    EXPECT_EQ(fields[0].value, u"first");
    EXPECT_EQ(fields[1].value, u"second");
    EXPECT_EQ(fields[2].value, u"a");
}

TEST(ContactRows, AnAddressRowJoinsItsPartsAndStopsAtTheNextGroup) {
    std::vector<ContactField> fields{{FieldKind::WorkStreet, u"Main St 1"},
                                     {FieldKind::WorkCity, u"Springfield"},
                                     {FieldKind::WorkPostalCode, u"12345"},
                                     {FieldKind::WorkState, u"IL"},
                                     {FieldKind::WorkCountry, u"USA"},
                                     {FieldKind::HomeCity, u"Shelbyville"}};
    EXPECT_EQ(joined_address(fields, 0), u"Main St 1, Springfield, 12345, IL, USA");
    EXPECT_EQ(joined_address(fields, 5), u"Shelbyville");
}

TEST(ContactRows, FieldRowsShowSmsAndStarOnPhonesAndNeverRemoveOnCategories) {
    using K = FieldKind;
    struct Case {
        FieldKind kind;
        bool edit;
        FieldRowLook look;  // remove, icons, sms, favorite
    };
    const Case cases[] = {
        {K::Mobile, false, {false, true, true, true}},
        {K::Mobile, true, {true, false, false, true}},
        {K::AssistantTel, false, {false, true, true, true}},
        {K::Email2, false, {false, true, false, false}},
        {K::Email2, true, {true, false, false, false}},
        {K::PagerNumber, false, {false, true, false, false}},
        {K::Categories, true, {false, true, false, false}},
        {K::Categories, false, {false, true, false, false}},
        {K::HomeStreet, true, {true, false, false, false}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(field_row_look(c.kind, c.edit), c.look)
            << static_cast<int>(c.kind) << (c.edit ? " edit" : " view");
    }
}

TEST(ContactRows, CompletingAnAddressAddsTheMissingPartsInKindOrder) {
    std::vector<ContactField> fields{{FieldKind::Mobile, u"1"},
                                     {FieldKind::HomeCity, u"X"},
                                     {FieldKind::HomeCountry, u"Y"},
                                     {FieldKind::Unknown, u"z"}};
    EXPECT_EQ(complete_address(fields, FieldGroup::HomeAddressGroup), 1u);
    std::vector<FieldKind> kinds;
    for (const ContactField& f : fields) kinds.push_back(f.kind);
    EXPECT_EQ(kinds, (std::vector<FieldKind>{FieldKind::Mobile, FieldKind::HomeStreet,
                                             FieldKind::HomeCity, FieldKind::HomePostalCode,
                                             FieldKind::HomeState, FieldKind::HomeCountry,
                                             FieldKind::Unknown}));
    EXPECT_EQ(fields[2].value, u"X") << "parts already there keep their values";
}

std::vector<int32_t> apply(std::vector<int32_t> rows, const std::vector<RowStep>& steps) {
    for (const RowStep& step : steps) {
        switch (step.kind) {
            case RowStep::Remove:
                rows.erase(rows.begin() + step.at);
                break;
            case RowStep::Insert:
                rows.insert(rows.begin() + step.at, step.value);
                break;
            case RowStep::Change:
                rows[static_cast<size_t>(step.at)] = step.value;
                break;
        }
    }
    return rows;
}

TEST(ContactRows, ErasingAFieldRemovesItsRowAndTheSeparatorInFront) {
    const auto before = fields_of({FieldKind::Mobile, FieldKind::HomeTel, FieldKind::Email1});
    auto after = before;
    after.erase(after.begin() + 1);
    const auto from = shift_for_erase(build_contact_rows(before, false), 1);
    EXPECT_EQ(row_steps(from, build_contact_rows(after, false)),
              (std::vector<RowStep>{{RowStep::Remove, 3, -2}, {RowStep::Remove, 3, kErasedField}}));
}

// Whatever single field comes or goes, in or out of kind order, the steps lead exactly to
// the rows a fresh build gives, with at most two rows inserted or removed.
TEST(ContactRows, StepsForAnySingleFieldChangeReachTheFreshSequence) {
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        // In sorted rounds the kinds that keep their groups together (Unknown, kind 34, is an
        // "other" field placed after the addresses).
        const bool sorted = random() % 2 == 0;
        const uint32_t kinds = sorted ? 34 : 35;
        std::vector<ContactField> fields;
        const int count = static_cast<int>(random() % 9);
        for (int i = 0; i < count; ++i) {
            fields.emplace_back(static_cast<FieldKind>(random() % kinds), u"");
        }
        if (sorted) {
            sort_fields_by_kind(fields);
        }
        const bool edit = random() % 2 == 0;
        const auto before = build_contact_rows(fields, edit);
        std::vector<int32_t> from;
        if (fields.empty() || random() % 2 == 0) {
            int32_t at = static_cast<int32_t>(random() % (fields.size() + 1));
            FieldKind kind = static_cast<FieldKind>(random() % kinds);
            if (sorted) {
                // At its place in kind order, as the stored contact's fields come.
                at = 0;
                while (at < static_cast<int32_t>(fields.size()) &&
                       fields[static_cast<size_t>(at)].kind <= kind) {
                    ++at;
                }
            }
            fields.insert(fields.begin() + at, ContactField(kind, u""));
            from = shift_for_insert(before, at);
        } else {
            const int32_t at = static_cast<int32_t>(random() % fields.size());
            fields.erase(fields.begin() + at);
            from = shift_for_erase(before, at);
        }
        const auto to = build_contact_rows(fields, edit);
        const auto steps = row_steps(from, to);
        ASSERT_EQ(apply(from, steps), to) << "round " << round;
        // In kind order a field brings or takes its row and one separator at most.
        int moved = 0;
        for (const RowStep& step : steps) moved += step.kind != RowStep::Change;
        if (sorted) {
            EXPECT_LE(moved, 2) << "round " << round;
        }
    }
}

}  // namespace
