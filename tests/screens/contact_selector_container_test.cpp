// The contact list: row texts by sort order with the matched and second-name styles, rows
// that follow the Document's hints, the ruler's letters, hint and jump, and what it reports.

#include "screens/contact_selector_container.h"

#include "skin/richtext_node.h"
#include "skin/text_node.h"
#include "skin/vlist.h"
#include "tests/screens/contact_list_support.h"

namespace screens_test {
namespace {

using Line = std::vector<RowSegment>;
constexpr RowStyle Own = RowStyle::Own;
constexpr RowStyle Filtered = RowStyle::Filtered;
constexpr RowStyle Second = RowStyle::Second;

Contact named(std::u16string first, std::u16string last, std::u16string company = u"") {
    return person(1, std::move(first), std::move(last), std::move(company));
}

TEST(RowTexts, EachSortOrderPutsItsNameFirstAndSetsTheSecondOff) {
    const Contact anna = named(u"Anna", u"Smith", u"Acme");
    RowTexts by_first = row_texts(anna, SortByFirstname, {});
    EXPECT_EQ(by_first.big, (Line{{u"Anna", Own}, {u" Smith", Second}}));
    EXPECT_EQ(by_first.small, (Line{{u"Acme", Own}}));
    RowTexts by_last = row_texts(anna, SortByLastname, {});
    EXPECT_EQ(by_last.big, (Line{{u"Smith", Own}, {u" Anna", Second}}));
    RowTexts by_company = row_texts(anna, SortByCompany, {});
    EXPECT_EQ(by_company.big, (Line{{u"Acme", Own}}));
    EXPECT_EQ(by_company.small, (Line{{u"Anna", Own}, {u" ", Own}, {u"Smith", Own}}))
        << "the second name keeps the node's style on the second line";
}

TEST(RowTexts, MissingPartsFallBack) {
    // By company without a company: the name goes up, the second line stays empty.
    RowTexts no_company = row_texts(named(u"Bob", u"Brown"), SortByCompany, {});
    EXPECT_EQ(no_company.big, (Line{{u"Bob", Own}, {u" Brown", Second}}));
    EXPECT_TRUE(no_company.small.empty());
    EXPECT_EQ(joined(row_texts(named(u"", u"Brown"), SortByFirstname, {}).big), u"Brown");
    EXPECT_EQ(joined(row_texts(named(u"Bob", u""), SortByLastname, {}).big), u"Bob");
    // A firm known only by its name says it once, whatever the order.
    for (const int order : {SortByFirstname, SortByLastname, SortByCompany}) {
        RowTexts only_company = row_texts(named(u"", u"", u"Acme"), order, {});
        EXPECT_EQ(joined(only_company.big), u"Acme") << order;
        EXPECT_TRUE(only_company.small.empty()) << order;
    }
    EXPECT_TRUE(row_texts(named(u"", u""), SortByCompany, {}).big.empty());
}

TEST(RowTexts, MatchedStartsStandOutAndAMatchedSecondNameIsNotSetOff) {
    MatchLengths last_only;
    last_only.last_name = 2;
    RowTexts row = row_texts(named(u"Anna", u"Smith", u"Acme"), SortByFirstname, last_only);
    EXPECT_EQ(row.big, (Line{{u"Anna", Own}, {u" ", Own}, {u"Sm", Filtered}, {u"ith", Own}}));
    MatchLengths both;
    both.first_name = 1;
    both.company = 4;
    both.last_name = 9;  // longer than the name: the whole name, no more
    row = row_texts(named(u"Anna", u"Smith", u"Acme"), SortByLastname, both);
    EXPECT_EQ(row.big, (Line{{u"Smith", Filtered}, {u" ", Own}, {u"A", Filtered}, {u"nna", Own}}));
    EXPECT_EQ(row.small, (Line{{u"Acme", Filtered}}));
}

class ContactList : public ScreenStage, public ContactListListener {
protected:
    void build(std::vector<Contact> contacts, int order = SortByLastname,
               bool no_matches = false) {
        open_document(std::move(contacts), order);
        load("define Screen { point design_size = 100, 100\n" + contact_list_source(no_matches) +
             "}\n" + contact_row_source());
        ASSERT_TRUE(zentra::load_from_skin(root, skin, u"Screen"));
        container = std::make_unique<ContactSelectorContainer>(*this);
        container->bind(root, skin);
        layout();
    }
    void layout() {
        zentra::layout_root(root, {0, 0}, {100, 100});
        container->list()->fill();
    }
    // The rows bound now, as "index:big text".
    std::vector<std::string> rows() {
        layout();
        std::vector<std::string> out;
        zentra::VList& list = *container->list();
        for (int i = 0; i < list.row_count(); ++i) {
            auto* row = dynamic_cast<ContactsListElement*>(list.row(i));
            auto* big = dynamic_cast<zentra::RichTextNode*>(row->big());
            std::u16string text;
            for (const auto& run : big->runs())
                text += run.text;
            out.push_back(std::to_string(list.row_index(i)) + ":" + platform::to_utf8(text));
        }
        return out;
    }

    void on_contact_selected(ContactSelectorContainer& c, ContactEntry& entry) override {
        EXPECT_EQ(&c, container.get());
        reports.push_back("selected " + std::to_string(entry.contact.object_id));
    }
    void on_add_contact(ContactSelectorContainer&) override { reports.push_back("add"); }
    void on_category(ContactSelectorContainer&) override { reports.push_back("category"); }

    zentra::Node root;
    std::unique_ptr<ContactSelectorContainer> container;
    std::vector<std::string> reports;
};

std::vector<Contact> alphabet_book() {
    return {person(1, u"Ann", u"Adams"), person(2, u"Bob", u"Brown"), person(3, u"Bea", u"Baker"),
            person(4, u"Cid", u"Cole"),  person(5, u"Dan", u"Drew"),  person(6, u"Eve", u"Eton"),
            person(7, u"Max", u"Moss")};
}

TEST_F(ContactList, RowsShowTheFilteredListInTheSkinsStyles) {
    build(alphabet_book());
    EXPECT_EQ(rows(), (std::vector<std::string>{"0:Adams Ann", "1:Baker Bea", "2:Brown Bob",
                                                "3:Cole Cid"}));
    document->set_filter_string(u"b");
    EXPECT_EQ(container->list()->item_count(), 2);
    layout();
    ASSERT_GT(container->list()->row_count(), 0);
    auto* big = dynamic_cast<zentra::RichTextNode*>(
        dynamic_cast<ContactsListElement*>(container->list()->row(0))->big());
    ASSERT_NE(big, nullptr);
    // Baker Bea: "B" red (filtered), "aker" in the node's own colour, then the first name,
    // also matched by the one word, with its blank in the node's own colour.
    std::vector<std::pair<std::string, uint32_t>> runs;
    for (const auto& run : big->runs()) {
        if (!run.text.empty()) {
            runs.push_back({platform::to_utf8(run.text),
                            uint32_t(run.color.r) << 16 | run.color.g << 8 | run.color.b});
        }
    }
    EXPECT_EQ(runs, (std::vector<std::pair<std::string, uint32_t>>{
                        {"B", 0xff0000}, {"aker", 0}, {" ", 0}, {"B", 0xff0000}, {"ea", 0}}));
    document->set_filter_string(u"");
    layout();
    ASSERT_GT(container->list()->row_count(), 0);
    big = dynamic_cast<zentra::RichTextNode*>(
        dynamic_cast<ContactsListElement*>(container->list()->row(0))->big());
    EXPECT_EQ(big->runs().back().color, (zentra::Color{0x80, 0x80, 0x80, 255}))
        << "an unmatched second name takes the second-text colour";
}

TEST_F(ContactList, RowsFollowTheDocumentsHints) {
    build(alphabet_book());
    rows();
    // A new contact at position 1 of the list: a row is inserted and the list goes to it.
    store->contacts.push_back(person(9, u"Al", u"Ames"));
    document->on_contact_created(store->contacts.back());
    EXPECT_EQ(container->list()->item_count(), 8);
    EXPECT_EQ(rows().front(), "1:Ames Al");
    container->list()->scroll_to(0);
    EXPECT_EQ(rows().front(), "0:Adams Ann");
    // Changed in place, then removed.
    store->find(9)->first_name = u"Alf";
    document->on_contact_changed(9);
    EXPECT_EQ(rows()[1], "1:Ames Alf");
    document->on_contact_removed(9);
    EXPECT_EQ(container->list()->item_count(), 7);
    // A new sort order rebuilds everything.
    document->set_sorting(SortByFirstname);
    EXPECT_EQ(rows().front(), "0:Ann Adams");
    EXPECT_EQ(container->ruler().letters().front(), u"A");
}

TEST_F(ContactList, SaysSoWhileASearchOrACategoryLeavesNoOne) {
    build(alphabet_book(), SortByLastname, true);
    const zentra::Node* text = container->no_matches();
    ASSERT_NE(text, nullptr);
    EXPECT_FALSE(text->visible());
    document->set_filter_string(u"zz");
    EXPECT_TRUE(text->visible());
    // A contact the words find, made and deleted while they stand.
    store->contacts.push_back(person(9, u"Zzak", u"Top"));
    document->on_contact_created(store->contacts.back());
    EXPECT_FALSE(text->visible());
    document->on_contact_removed(9);
    EXPECT_TRUE(text->visible());
    document->set_filter_string(u"");
    EXPECT_FALSE(text->visible());
    document->set_category(u"Nobody's");
    EXPECT_TRUE(text->visible());
    document->set_category(Document::kNoCategory);
    EXPECT_FALSE(text->visible());
    // A book emptied with nothing typed has no search that failed.
    for (uint32_t id = 1; id <= 7; ++id) {
        document->on_contact_removed(id);
    }
    EXPECT_EQ(container->list()->item_count(), 0);
    EXPECT_FALSE(text->visible());
}

TEST_F(ContactList, RulerLettersFoldRunsAndFollowTheFullList) {
    build(alphabet_book());
    EXPECT_EQ(container->ruler().letters(),
              (std::vector<std::u16string>{u"A", u"B", u"C", u"D", u"E", u"M"}));
    store->contacts.push_back(person(9, u"Zoe", u"Zane"));
    document->on_contact_created(store->contacts.back());
    EXPECT_EQ(container->ruler().letters().back(), u"Z");
    // One more of a letter the book has changes nothing.
    store->contacts.push_back(person(10, u"Cy", u"Carter"));
    document->on_contact_created(store->contacts.back());
    EXPECT_EQ(container->ruler().letters(),
              (std::vector<std::u16string>{u"A", u"B", u"C", u"D", u"E", u"M", u"Z"}));
    // The filter does not touch the letters: they index the whole book.
    document->set_filter_string(u"c");
    EXPECT_EQ(container->ruler().letters().size(), 7u);
}

TEST_F(ContactList, TouchingTheRulerShowsTheHintAndReleasingJumps) {
    build(alphabet_book());
    zentra::Node& hint = *container->hint();
    EXPECT_FALSE(hint.visible());
    zentra::Ruler& ruler = container->ruler();
    container->on_ruler_letter(ruler, 5, u"M", true, false);
    EXPECT_TRUE(hint.visible());
    EXPECT_EQ(dynamic_cast<zentra::TextNode&>(hint).text(), u"M");
    EXPECT_EQ(rows().front(), "0:Adams Ann") << "no jump while held";
    container->on_ruler_letter(ruler, 5, u"M", false, false);
    EXPECT_FALSE(hint.visible());
    EXPECT_EQ(container->list()->first(), 5) << "Moss is the sixth entry; the list starts there";

    // A letter the filtered list lacks leaves the list where it is, as does a cancel.
    document->set_filter_string(u"b");
    rows();
    EXPECT_FALSE(container->scroll_to_letter(u"M"));
    container->on_ruler_letter(ruler, 5, u"M", false, false);
    EXPECT_EQ(rows().front(), "0:Baker Bea");
}

TEST_F(ContactList, ATouchOnTheRulerTableReportsItsLetter) {
    build(alphabet_book());
    zentra::Node& table = container->ruler_node()->find(u"ruler_table");
    const int x = table.position().x + table.size().w / 2;
    const int bottom = table.position().y + table.size().h - 1;
    root.on_pointer(pointer(x, bottom, true));
    EXPECT_TRUE(container->hint()->visible());
    EXPECT_EQ(dynamic_cast<zentra::TextNode*>(container->hint())->text(), u"M");
    root.on_pointer(pointer(x, bottom, false));
    EXPECT_FALSE(container->hint()->visible());
    EXPECT_EQ(container->list()->first(), 5);
}

TEST_F(ContactList, TapsReportTheContactAndTheTwoButtons) {
    build(alphabet_book());
    rows();
    tap(root, 40, 50);  // the second row (y 40..59)
    tap(root, 5, 5);    // category
    tap(root, 95, 5);   // add contact
    EXPECT_EQ(reports, (std::vector<std::string>{"selected 3", "category", "add"}));
    container->on_item_click(*container->list(), 7);
    EXPECT_EQ(reports.size(), 3u) << "an index past the filtered list is ignored";
}

TEST_F(ContactList, ARowWithoutItsLinesStopsTheBindingNotTheDrawing) {
    open_document(alphabet_book());
    load("define Screen { point design_size = 100, 100\n" + contact_list_source() + "}\n" +
         "define ContactsListElement { node { string type = \"text\" string id = \"big\" } }\n" +
         "define AlphabetRulerText { string type = \"text\" }\n");
    ASSERT_TRUE(zentra::load_from_skin(root, skin, u"Screen"));
    ContactSelectorContainer incomplete(*this);
    try {
        incomplete.bind(root, skin);
        FAIL() << "bound rows without their second line";
    } catch (const zentra::NodeNotFound& missing) {
        EXPECT_EQ(missing.name, u"small");
    }
}

TEST_F(ContactList, TheTitleReadsAllContactsWithoutACategoryAndTheCategoryWithOne) {
    skin.set_dictionary(
        {{u"skinNoCategory", u"No category"}, {u"skinAllContacts", u"All contacts"}});
    build(alphabet_book());
    const auto title = [&] { return dynamic_cast<zentra::TextNode&>(*container->title()).text(); };
    EXPECT_EQ(title(), u"All contacts");
    container->set_title(u"Work");
    EXPECT_EQ(title(), u"Work");
    container->set_title(Document::kNoCategory);
    EXPECT_EQ(title(), u"All contacts");
}

}  // namespace
}  // namespace screens_test
