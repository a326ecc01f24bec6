// Telling one person in two books apart from two people of the same name.

#include <gtest/gtest.h>

#include "sync/card_match.h"

namespace {

using velvane::Contact;
using velvane::FieldKind;

Contact person(const char16_t* first, const char16_t* company,
               std::vector<std::pair<FieldKind, const char16_t*>> fields) {
    Contact c;
    c.first_name = first;
    c.last_name = u"Lee";
    c.company = company;
    for (const auto& [kind, value] : fields) {
        c.fields.emplace_back(kind, value);
    }
    return c;
}

TEST(CardMatch, TheSameNameAndOneSharedNumberOrAddressMakeOnePerson) {
    const Contact ann = person(u"Ann", u"", {{FieldKind::Mobile, u"+49 (171) 123-4567"},
                                             {FieldKind::Email1, u"Ann@Example.org"}});
    struct Case {
        const char* what;
        Contact other;
        bool same;
    };
    const Case cases[] = {
        {"a number written otherwise, as another kind",
         person(u"Ann", u"", {{FieldKind::HomeTel, u"+491711234567"}}), true},
        {"an address in other case", person(u"Ann", u"", {{FieldKind::Email2, u"ann@example.ORG"}}), true},
        {"the name alone", person(u"Ann", u"", {{FieldKind::Mobile, u"+49 171 7654321"}}), false},
        {"a number, but another company", person(u"Ann", u"Acme", {{FieldKind::Mobile, u"+491711234567"}}), false},
        {"a number, but another first name", person(u"Anna", u"", {{FieldKind::Mobile, u"+491711234567"}}), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(velvane::sync::same_person(ann, c.other), c.same) << c.what;
    }
    Contact nameless;
    nameless.fields.emplace_back(FieldKind::Mobile, u"+491711234567");
    EXPECT_FALSE(velvane::sync::same_person(nameless, nameless)) << "no name, no match";
}

}  // namespace
