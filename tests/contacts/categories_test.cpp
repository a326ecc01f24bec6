#include "contacts/categories.h"

#include <gtest/gtest.h>

#include "contacts/document.h"
#include "tests/contacts/document_fixture.h"

namespace velvane {
namespace {

using contacts_test::FakeStore;
using contacts_test::person;
using Names = std::vector<WString>;

TEST(Categories, SplitRule) {
    EXPECT_EQ(split_categories(u"Work;Family, Friends"), (Names{u"Work", u"Family", u"Friends"}));
    EXPECT_EQ(split_categories(u""), Names{});
    EXPECT_EQ(split_categories(u"Work"), Names{u"Work"});
    // The last piece counts only when it is not empty; inner empty pieces stay.
    EXPECT_EQ(split_categories(u"Work;"), Names{u"Work"});
    EXPECT_EQ(split_categories(u"Work, "), (Names{u"Work"}));
    EXPECT_EQ(split_categories(u";Work,,x"), (Names{u"", u"Work", u"", u"x"}));
    // One leading space goes, a second one and trailing ones stay.
    EXPECT_EQ(split_categories(u"a,  b ,c  "), (Names{u"a", u" b ", u"c  "}));

    Names list{u"Old"};
    append_category_list(u"Work, Family;;VIP", list);
    EXPECT_EQ(list, (Names{u"Old", u"Work", u"Family", u"", u"VIP"}));
    EXPECT_EQ(index_of_category(list, u"VIP"), 4);
    EXPECT_EQ(index_of_category(list, u"vip"), -1);
}

TEST(Categories, FilterTestIsExactOverEveryCategoriesField) {
    Contact c = person(1, u"Ann", u"Smith", u"",
                       {{FieldKind::Categories, u"work; Family"},
                        {FieldKind::Mobile, u"Friends"},
                        {FieldKind::Categories, u"Golf"}});
    EXPECT_TRUE(has_category(c, u"Family"));
    EXPECT_TRUE(has_category(c, u"Golf"));
    EXPECT_FALSE(has_category(c, u"Work"));
    EXPECT_FALSE(has_category(c, u"Friends"));
    EXPECT_FALSE(has_category(c, u""));
    ContactEntry entry;
    entry.contact = c;
    EXPECT_TRUE(passes_category(entry, u"work"));
}

TEST(Categories, CheckingAndJoining) {
    const Names list{u"Work", u"Family", u"Friends"};
    std::vector<bool> checked{true, true, true, true};
    check_categories(list, u"Friends;Golf, Work", checked);
    EXPECT_EQ(checked, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(checked_categories_text(list, checked), u"Work, Friends");
    EXPECT_EQ(checked_categories_text(list, {false, false, false}), u"");
}

class CategoryEditorTest : public testing::Test {
protected:
    test_support::TempHome home;
    FakeStore* store = nullptr;
    std::unique_ptr<Document> document;

    void open(std::vector<Contact> contacts, Names names) {
        DocumentServices services;
        services.make_store = [&, contacts, names](Document&) {
            auto s = std::make_unique<FakeStore>();
            s->contacts = contacts;
            s->category_names = names;
            store = s.get();
            return s;
        };
        services.passes_category = passes_category;
        services.keypad_map_path =
            platform::from_utf8((home.root() / "none.txt").string());
        document = std::make_unique<Document>(std::move(services));
        document->load();
    }
    void TearDown() override { document.reset(); }
};

TEST_F(CategoryEditorTest, SavingDropsUnknownNamesAndWritesTheCheckedOnesInListOrder) {
    const Contact ann = person(1, u"Ann", u"Smith", u"",
                               {{FieldKind::Mobile, u"555"},
                                {FieldKind::Categories, u"Friends;Golf, Work"}});
    open({ann}, {u"Work", u"Family", u"Friends"});
    CategoryEditor editor;
    editor.prepare(*document, ann, 1);
    EXPECT_EQ(document->category_checked(), (std::vector<bool>{true, false, true}));

    document->category_checked()[1] = true;
    store->category_names.push_back(u"Added elsewhere");
    ASSERT_TRUE(editor.save(*document));
    ASSERT_EQ(store->saved.size(), 1u);
    EXPECT_EQ(store->saved[0].fields,
              (std::vector<ContactField>{{FieldKind::Mobile, u"555"},
                                         {FieldKind::Categories, u"Work, Family, Friends"}}));
    // The list is read again after the save, and its flags start over.
    EXPECT_EQ(document->categories().size(), 4u);
    EXPECT_EQ(document->category_checked(), std::vector<bool>(4, false));
}

TEST_F(CategoryEditorTest, UncheckingEverythingSavesAnEmptyTextAndAMissingFieldIsAdded) {
    const Contact ann =
        person(1, u"Ann", u"", u"", {{FieldKind::Categories, u"Work"}});
    const Contact bob = person(2, u"Bob", u"");
    open({ann, bob}, {u"Work"});

    CategoryEditor editor;
    editor.prepare(*document, ann, 0);
    document->category_checked()[0] = false;
    ASSERT_TRUE(editor.save(*document));
    EXPECT_EQ(store->saved.back().fields,
              (std::vector<ContactField>{{FieldKind::Categories, u""}}));
    EXPECT_FALSE(has_category(store->saved.back(), u"Work"));

    // A position that is not a Categories field counts as none.
    editor.prepare(*document, bob, 3);
    EXPECT_EQ(document->category_checked(), std::vector<bool>{false});
    document->category_checked()[0] = true;
    ASSERT_TRUE(editor.save(*document));
    EXPECT_EQ(store->saved.back().fields,
              (std::vector<ContactField>{{FieldKind::Categories, u"Work"}}));
}

TEST_F(CategoryEditorTest, TheDocumentsCategoryFilterUsesTheTest) {
    open({person(1, u"Ann", u"", u"", {{FieldKind::Categories, u"Work"}}),
          person(2, u"Bob", u"", u"", {{FieldKind::Categories, u"work"}})},
         {u"Work"});
    document->set_category(u"Work");
    ASSERT_EQ(document->filtered_list().size(), 1u);
    EXPECT_EQ(document->filtered_list()[0]->contact.object_id, 1u);
}

}  // namespace
}  // namespace velvane
