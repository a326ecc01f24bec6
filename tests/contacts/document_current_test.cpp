// What the screens keep in the Document: the open contact, the tapped recents entry and the
// names they show.

#include "contacts/recent_call.h"
#include "tests/contacts/document_fixture.h"

namespace contacts_test {
namespace {

using Current = DocumentTest;

RecentCall call(std::u16string number, int64_t start) {
    RecentCall c;
    c.number_key = number_key(number);
    c.number = std::move(number);
    c.start_time = start;
    return c;
}

TEST(DocumentDisplayName, FirstAndLastOrEitherOrTheCompany) {
    EXPECT_EQ(Document::display_name(person(1, u"Ann", u"Smith", u"Acme")), u"Ann Smith");
    EXPECT_EQ(Document::display_name(person(1, u"Ann", u"", u"Acme")), u"Ann");
    EXPECT_EQ(Document::display_name(person(1, u"", u"Smith", u"Acme")), u"Smith");
    EXPECT_EQ(Document::display_name(person(1, u"", u"", u"Acme")), u"Acme");
}

TEST_F(Current, TheOpenContactFollowsItsChangesAndGoesWithIt) {
    initial = {person(1, u"Ann", u"Xu"), person(2, u"Bob", u"Young")};
    open();
    EXPECT_EQ(document->current_contact(), nullptr);
    document->set_current_contact(2);
    store->find(2)->last_name = u"Abbot";
    document->on_contact_changed(2);
    ASSERT_NE(document->current_contact(), nullptr);
    EXPECT_EQ(document->current_contact()->contact.last_name, u"Abbot");

    document->on_contact_removed(1);
    EXPECT_NE(document->current_contact(), nullptr) << "another contact's removal";
    document->on_contact_removed(2);
    EXPECT_EQ(document->current_contact(), nullptr);
    // A contact that comes back under the same id is not the open card again.
    document->on_contact_created(person(2, u"Bob", u"Young"));
    EXPECT_EQ(document->current_contact(), nullptr);
}

TEST_F(Current, TheTappedRecentOutlivesReReadsOfTheLog) {
    initial = {person(1, u"Ann", u"Xu", u"", {ContactField(FieldKind::Mobile, u"555 0101")})};
    initial_calls = {call(u"555 0101", 300), call(u"555 0101", 200), call(u"777", 200)};
    open();
    document->set_current_recent(document->recent_calls()[1]);

    // A new call goes to the top: every index moves and the vector is replaced.
    calls->calls.insert(calls->calls.begin(), call(u"888", 400));
    document->update_log();
    const RecentCall* tapped = document->current_recent();
    ASSERT_NE(tapped, nullptr);
    EXPECT_EQ(tapped->index, 2);
    EXPECT_EQ(tapped->start_time, 200);
    EXPECT_EQ(tapped->number, u"555 0101");
    ASSERT_NE(tapped->contact, nullptr) << "linked again by the re-read";
    EXPECT_EQ(tapped->contact->contact.object_id, 1u);

    // Its contact goes: the entry stays, unlinked.
    document->on_contact_removed(1);
    ASSERT_NE(document->current_recent(), nullptr);
    EXPECT_EQ(document->current_recent()->contact, nullptr);

    // Deleted from the log: there is no current entry any more.
    delete_recent(*document, 2);
    EXPECT_EQ(document->current_recent(), nullptr);
    EXPECT_EQ(document->recent_calls().size(), 3u);
}

}  // namespace
}  // namespace contacts_test
