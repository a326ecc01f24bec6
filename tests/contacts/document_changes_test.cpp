#include "tests/contacts/document_fixture.h"

namespace contacts_test {
namespace {

using Changes = DocumentTest;
using Hints = std::vector<std::string>;

ContactField mobile(std::u16string n) { return ContactField(FieldKind::Mobile, std::move(n)); }

RecentCall call_from(std::u16string number) {
    RecentCall c;
    c.number_key = number == u"Unknown" ? number : number_key(number);
    c.number = std::move(number);
    return c;
}

TEST_F(Changes, LoadSendsItsHintsInOrderAndSortsLast) {
    initial = {person(2, u"Bob", u"Young"), person(1, u"Ann", u"Xu")};
    initial_calls = {call_from(u"555")};
    write_dword(Document::kRegistryPath, u"Sorting", 0);
    DocumentServices services;
    services.make_store = [&](Document&) {
        auto s = std::make_unique<FakeStore>();
        s->contacts = initial;
        s->category_names = {u"Work", u"Family"};
        return s;
    };
    auto log = std::make_unique<FakeCallLog>();
    log->calls = initial_calls;
    services.call_log = std::move(log);
    int favourites_loaded_with = -1;
    services.load_favorites = [&](Document& d) {
        favourites_loaded_with = static_cast<int>(d.entries().size());
    };
    services.keypad_map_path = u"/nonexistent/keyboard.txt";
    document = std::make_unique<Document>(std::move(services));
    view = std::make_unique<Recorder>();
    struct Probe : DocumentView {
        Document* d = nullptr;
        std::vector<size_t> full_sizes;
        std::vector<bool> loaded;
        void on_document_refresh(const RefreshHint&) override {
            full_sizes.push_back(d->full_list().size());
            loaded.push_back(d->is_loaded());
        }
    } probe;
    probe.d = document.get();

    EXPECT_FALSE(document->is_loaded());
    document->load();
    EXPECT_EQ(view->take(), (Hints{"log_updated", "is_load_done", "is_sorting"}));
    EXPECT_EQ(probe.loaded, (std::vector<bool>{false, true, true}));
    EXPECT_EQ(favourites_loaded_with, 2) << "favourites are read after the contacts";
    EXPECT_EQ(full(), (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(filtered(), full());
    EXPECT_EQ(document->categories(), (std::vector<std::u16string>{u"Work", u"Family"}));
    EXPECT_EQ(document->category_checked(), (std::vector<bool>{false, false}));
    ASSERT_EQ(document->recent_calls().size(), 1u);
}

TEST_F(Changes, CreatedContactIsInsertedInOrderAndLinksItsCalls) {
    initial = {person(1, u"Ann", u"Adams"), person(2, u"Cid", u"Cole")};
    initial_calls = {call_from(u"+1 555 0100"), call_from(u"Unknown"), call_from(u"0100")};
    open();
    document->set_filter_string(u"c");
    view->take();

    store->contacts.push_back(person(3, u"Bea", u"Brown", u"", {mobile(u"555-0100")}));
    document->on_contact_created(store->contacts.back());
    // Not shown under "c", so no filtered hint; the two calls with its number are linked.
    EXPECT_EQ(view->take(), (Hints{"list_inserted 1", "recent_changed 0"}));
    EXPECT_EQ(full(), (std::vector<uint32_t>{1, 3, 2}));
    const auto& recents = document->recent_calls();
    EXPECT_EQ(recents[0].contact, document->find_entry(3));
    EXPECT_EQ(recents[0].field_label, u"Mobile");
    EXPECT_EQ(recents[1].contact, nullptr);
    EXPECT_EQ(recents[2].contact, nullptr) << "0100 has another number key";

    store->contacts.push_back(person(4, u"Cy", u"Ceres"));
    document->on_contact_created(store->contacts.back());
    EXPECT_EQ(view->take(), (Hints{"list_inserted 2", "filtered_inserted 0"}));
    EXPECT_EQ(filtered(), (std::vector<uint32_t>{4, 2}));
    EXPECT_EQ(document->find_by_number(u"(555) 0100"), document->find_entry(3));
}

TEST_F(Changes, CreatedNoticeForAKnownContactIsAChange) {
    // The load read it already when its notice arrives.
    initial = {person(1, u"Ann", u"Adams"), person(2, u"Bea", u"Brown")};
    open();
    store->find(2)->last_name = u"Able";
    document->on_contact_created(*store->find(2));
    EXPECT_EQ(view->take(), (Hints{"list_removed 1", "list_inserted 0", "filtered_removed 1",
                                   "filtered_inserted 0", "contact_changed 2"}));
    EXPECT_EQ(document->entries().size(), 2u);
}

TEST_F(Changes, ChangeInPlaceAndChangeThatMoves) {
    initial = {person(1, u"Ann", u"Adams"), person(2, u"Bea", u"Brown"),
               person(3, u"Cid", u"Cole")};
    open();
    store->find(2)->fields.push_back(mobile(u"123"));
    document->on_contact_changed(2);
    EXPECT_EQ(view->take(),
              (Hints{"list_changed 1", "filtered_changed 1", "contact_changed 2"}));

    // Brown becomes Zed: it leaves position 1 and enters at the end, never "changed".
    store->find(2)->last_name = u"Zed";
    document->on_contact_changed(2);
    EXPECT_EQ(view->take(), (Hints{"list_removed 1", "list_inserted 2", "filtered_removed 1",
                                   "filtered_inserted 2", "contact_changed 2"}));
    EXPECT_EQ(full(), (std::vector<uint32_t>{1, 3, 2}));
    EXPECT_EQ(filtered(), full());
    EXPECT_EQ(document->find_entry(2)->last_key, u"zed");
}

TEST_F(Changes, ChangeMovesInAndOutOfTheFilteredList) {
    initial = {person(1, u"Ann", u"Adams"), person(2, u"Bea", u"Brown"),
               person(3, u"Ann", u"Cole")};
    open();
    document->set_filter_string(u"ann");
    view->take();
    store->find(3)->first_name = u"Cid";
    document->on_contact_changed(3);
    EXPECT_EQ(view->take(), (Hints{"list_changed 2", "filtered_removed 1", "contact_changed 3"}));
    store->find(2)->first_name = u"Annie";
    document->on_contact_changed(2);
    EXPECT_EQ(view->take(),
              (Hints{"list_changed 1", "filtered_inserted 1", "contact_changed 2"}));
    EXPECT_EQ(filtered(), (std::vector<uint32_t>{1, 2}));
    // A notice for a contact the document does not know is ignored.
    document->on_contact_changed(99);
    document->on_contact_removed(99);
    EXPECT_TRUE(view->take().empty());
}

TEST_F(Changes, ChangeReplacesNumbersAndRelinksCallsAndFavourites) {
    initial = {person(1, u"Ann", u"Adams", u"", {mobile(u"111 1111")}),
               person(2, u"Bea", u"Brown", u"", {mobile(u"222 2222")})};
    initial_calls = {call_from(u"1111111"), call_from(u"3333333")};
    open();
    ContactEntry* ann = document->find_entry(1);
    document->favorites().push_back({document->find_entry(2), 0});
    document->favorites().push_back({ann, 0});
    document->favorites().push_back({ann, 9});
    ASSERT_EQ(document->recent_calls()[0].contact, ann);

    store->find(1)->fields = {mobile(u"333 3333"), ContactField(FieldKind::HomeFax, u"444 4444")};
    document->on_contact_changed(1);
    EXPECT_EQ(view->take(), (Hints{"list_changed 0", "filtered_changed 0", "contact_changed 1",
                                   "favorite_changed 1", "favorite_changed 2",
                                   "recent_changed 0", "recent_changed 1"}));
    EXPECT_EQ(document->find_by_number(u"1111111"), nullptr) << "the old number is gone";
    EXPECT_EQ(document->find_by_number(u"+49 333 3333"), ann);
    EXPECT_EQ(document->find_by_number(u"4444444"), nullptr) << "faxes are not indexed";
    EXPECT_EQ(document->recent_calls()[0].contact, nullptr);
    EXPECT_EQ(document->recent_calls()[1].contact, ann);
}

TEST_F(Changes, RemovalSendsItsHintsInOrderAndForgetsTheContact) {
    initial = {person(1, u"Ann", u"Adams"), person(2, u"Bea", u"Brown", u"", {mobile(u"5551234")}),
               person(3, u"Cid", u"Cole")};
    initial_calls = {call_from(u"5551234"), call_from(u"999")};
    open();
    ContactEntry* bea = document->find_entry(2);
    document->favorites() = {{document->find_entry(1), 0}, {bea, 0}, {bea, 9},
                             {document->find_entry(3), 0}};
    document->on_contact_removed(2);
    EXPECT_EQ(view->take(), (Hints{"filtered_removed 1", "list_removed 1", "recent_changed 0",
                                   "favorite_removed 1", "favorite_removed 1",
                                   "contact_removed 2"}));
    EXPECT_EQ(full(), (std::vector<uint32_t>{1, 3}));
    EXPECT_EQ(document->find_entry(2), nullptr);
    EXPECT_EQ(document->entries().size(), 2u);
    EXPECT_EQ(document->find_by_number(u"5551234"), nullptr);
    EXPECT_EQ(document->recent_calls()[0].contact, nullptr);
    EXPECT_EQ(document->favorites().size(), 2u);

    // Hidden by the filter: only the full list reports it.
    document->set_filter_string(u"ann");
    view->take();
    document->on_contact_removed(3);
    EXPECT_EQ(view->take(), (Hints{"list_removed 1", "favorite_removed 1", "contact_removed 3"}));
    // And the freed search slot never matches again.
    document->set_filter_string(u"c");
    EXPECT_TRUE(filtered().empty());
}

TEST_F(Changes, NumberIndexFindsTheFirstContactWithTheKey) {
    initial = {person(1, u"Ann", u"", u"",
                      {mobile(u"+49 171 1234567"), ContactField(FieldKind::Email1, u"1234567")}),
               person(2, u"Bea", u"", u"", {ContactField(FieldKind::HomeTel, u"0171-1234567")}),
               person(3, u"Cid", u"", u"", {ContactField(FieldKind::AssistantTel, u"secret")})};
    open();
    const NumberIndexItem* item = document->find_number(u"1234567");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->entry, document->find_entry(1));
    EXPECT_EQ(item->entry->contact.fields[item->field].kind, FieldKind::Mobile);
    // A text without digits names nobody, even a contact whose number has none either.
    EXPECT_EQ(document->find_by_number(u"skinUnknown"), nullptr);
    EXPECT_EQ(document->find_by_number(u""), nullptr);
    document->on_contact_removed(1);
    EXPECT_EQ(document->find_by_number(u"1234567"), document->find_entry(2));
}

TEST_F(Changes, UpdateLogRereadsAndLinks) {
    initial = {person(1, u"Ann", u"", u"", {ContactField(FieldKind::HomeTel, u"777 1234")})};
    open();
    calls->calls = {call_from(u"Unknown"), call_from(u"7771234"), call_from(u"12")};
    document->update_log();
    EXPECT_EQ(view->take(), (Hints{"log_updated", "is_load_done"}));
    const auto& recents = document->recent_calls();
    ASSERT_EQ(recents.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(recents[size_t(i)].index, i);
    EXPECT_EQ(recents[0].contact, nullptr);
    EXPECT_EQ(recents[1].contact, document->find_entry(1));
    EXPECT_EQ(recents[1].field_label, u"HomeTel");
    EXPECT_TRUE(recents[2].field_label.empty());
}

TEST_F(Changes, BindRecentNumbersGivesEachContactTheNextNumber) {
    initial = {person(1, u"Ann", u"B", u"", {mobile(u"1")}), person(2, u"Bob", u"C"),
               person(3, u"Cy", u"D")};
    initial_calls = {call_from(u"300"), call_from(u"100"), call_from(u"300"),
                     call_from(u"Unknown")};
    open();
    document->bind_recent_numbers();
    ASSERT_EQ(store->saved.size(), 2u);
    EXPECT_EQ(store->saved[0].object_id, 1u);
    EXPECT_EQ(store->saved[0].fields, (std::vector<ContactField>{mobile(u"100")}));
    EXPECT_EQ(store->saved[1].object_id, 2u);
    EXPECT_EQ(store->saved[1].fields, (std::vector<ContactField>{mobile(u"300")}));
    // The document changes only when the store's notices come back.
    EXPECT_EQ(document->find_entry(1)->contact.fields[0].value, u"1");
}

TEST_F(Changes, ViewsAttachWhileTheyLiveAndMayLeaveDuringAHint) {
    initial = {person(1, u"Ann", u"")};
    open();
    struct Leaver : DocumentView {
        int seen = 0;
        void on_document_refresh(const RefreshHint&) override {
            ++seen;
            Document::get_instance()->detach_view(this);
        }
    };
    auto leaver = std::make_unique<Leaver>();
    Recorder after;
    document->set_sorting(SortByFirstname);
    document->set_sorting(SortByFirstname);
    EXPECT_EQ(leaver->seen, 1);
    EXPECT_EQ(after.take(), (Hints{"is_sorting", "is_sorting"}));
    leaver.reset();  // detaching twice is harmless
    {
        Recorder gone;
    }
    document->set_sorting(SortByFirstname);
    EXPECT_EQ(after.take(), (Hints{"is_sorting"}));
}

}  // namespace
}  // namespace contacts_test
