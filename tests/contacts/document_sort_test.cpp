#include "tests/contacts/document_fixture.h"

namespace contacts_test {
namespace {

using SortKeys = DocumentTest;

const ContactEntry& entry_of(Document& d, uint32_t id) {
    const ContactEntry* e = d.find_entry(id);
    EXPECT_NE(e, nullptr);
    return *e;
}

TEST_F(SortKeys, FollowTheNamesThereAre) {
    initial = {person(1, u"Ann", u"", u""), person(2, u"", u"Smith", u"ACME"),
               person(3, u"", u"", u"Globex"), person(4, u"Éva", u"Kovács", u"Tűz Kft"),
               person(5, u"", u"", u"")};
    open();
    const ContactEntry& ann = entry_of(*document, 1);
    EXPECT_EQ(ann.first_key, u"ann");
    EXPECT_EQ(ann.last_key, u"ann");
    EXPECT_EQ(ann.company_key, u"annann");
    const ContactEntry& smith = entry_of(*document, 2);
    EXPECT_EQ(smith.first_key, u"smith");
    EXPECT_EQ(smith.last_key, u"smith");
    EXPECT_EQ(smith.company_key, u"acme");
    const ContactEntry& globex = entry_of(*document, 3);
    EXPECT_EQ(globex.first_key, u"globex");
    EXPECT_EQ(globex.last_key, u"globex");
    EXPECT_EQ(globex.company_key, u"globex");
    const ContactEntry& eva = entry_of(*document, 4);
    EXPECT_EQ(eva.first_key, u"éva");
    EXPECT_EQ(eva.last_key, u"kovács");
    EXPECT_EQ(eva.company_key, u"tűz kft");
    const ContactEntry& nobody = entry_of(*document, 5);
    EXPECT_TRUE(nobody.first_key.empty() && nobody.last_key.empty() &&
                nobody.company_key.empty());
    EXPECT_EQ(document->index_letter(nobody), u"");
}

TEST_F(SortKeys, EachOrderComparesItsKeysInTurnAndTiesByObjectId) {
    initial = {
        person(10, u"Bob", u"Adams", u"Zeta"),
        person(11, u"Ann", u"Brown", u"Alpha"),
        person(12, u"", u"", u"Midway"),  // a company alone sorts by it in every order
        person(13, u"ann", u"Brown", u"Beta"),
        person(9, u"Ann", u"Brown", u"Alpha"),  // the same as 11 but for the id
    };
    open(SortByLastname);
    EXPECT_EQ(full(), (std::vector<uint32_t>{10, 9, 11, 13, 12}));
    EXPECT_EQ(filtered(), full());
    document->set_sorting(SortByFirstname);
    EXPECT_EQ(full(), (std::vector<uint32_t>{9, 11, 13, 10, 12}));
    document->set_sorting(SortByCompany);
    EXPECT_EQ(full(), (std::vector<uint32_t>{9, 11, 13, 12, 10}));
    EXPECT_EQ(view->take(), (std::vector<std::string>{"is_sorting", "is_sorting"}));

    uint32_t stored = 0;
    ASSERT_TRUE(read_dword(Document::kRegistryPath, u"Sorting", stored));
    EXPECT_EQ(stored, 2u);
    // An order that does not exist changes nothing.
    document->set_sorting(3);
    EXPECT_EQ(document->sorting(), SortByCompany);
    EXPECT_TRUE(view->take().empty());
}

TEST_F(SortKeys, AccentsAndScriptsSortByTheCollation) {
    initial = {person(1, u"", u"Ábrahám", u""), person(2, u"", u"Zsolt", u""),
               person(3, u"", u"Андреев", u""), person(4, u"", u"abel", u""),
               person(5, u"", u"123", u""), person(6, u"", u"Abel", u"")};
    open();
    // Lower-cased keys: "abel" twice, told apart by the object id.
    EXPECT_EQ(full(), (std::vector<uint32_t>{5, 4, 6, 1, 2, 3}));
    EXPECT_EQ(document->index_letter(entry_of(*document, 1)), u"Á");
    EXPECT_EQ(document->index_letter(entry_of(*document, 3)), u"А");
}

TEST_F(SortKeys, IndexLetterFollowsTheOrder) {
    initial = {person(1, u"Ann", u"smith", u"globex")};
    open(SortByFirstname);
    const ContactEntry& e = entry_of(*document, 1);
    EXPECT_EQ(document->index_letter(e), u"A");
    document->set_sorting(SortByLastname);
    EXPECT_EQ(document->index_letter(e), u"S");
    document->set_sorting(SortByCompany);
    EXPECT_EQ(document->index_letter(e), u"G");
}

TEST_F(SortKeys, StoredOrderOutsideTheThreeFallsBack) {
    initial = {person(1, u"Bob", u"Adams"), person(2, u"Ann", u"Brown")};
    open(7);
    EXPECT_EQ(document->sorting(), SortByLastname);
    EXPECT_EQ(full(), (std::vector<uint32_t>{1, 2}));
}

}  // namespace
}  // namespace contacts_test
