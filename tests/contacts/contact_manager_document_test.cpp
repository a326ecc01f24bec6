// The Document over the real store: changes another process makes while the book is loaded
// arrive as remote notices and become the same hints as the program's own changes.

#include <gtest/gtest.h>

#include "contacts/contact_manager.h"
#include "platform/messages.h"
#include "platform/pim_session.h"
#include "tests/contacts/document_fixture.h"

namespace {

using namespace contacts_test;
namespace pim = platform::pim;

class StoreDocumentTest : public testing::Test {
protected:
    void SetUp() override {
        m_file = (home.root() / "contacts.db").string();
        std::string error;
        m_tool = pim::PimSession::open(m_file, error, "tool");
        ASSERT_TRUE(m_tool) << error;
        for (const auto& [first, last] : {std::pair{u"Ann", u"Adams"}, {u"Bob", u"Brown"}, {u"Cid", u"Clark"}}) {
            m_ids.push_back(add(first, last));
        }
        ASSERT_TRUE(platform::register_window_class(
            u"DocumentHost", [this](platform::WindowHandle w, uint32_t m, uintptr_t wp, intptr_t lp) {
                if (m_store != nullptr && m_store->on_window_message(m, wp, lp)) {
                    return intptr_t{0};
                }
                return platform::def_window_proc(w, m, wp, lp);
            }));
        m_window = platform::create_window(u"DocumentHost", u"");

        write_dword(Document::kRegistryPath, u"Sorting", SortByLastname);
        DocumentServices services;
        services.make_store = [this](Document& d) {
            auto store = ContactManagerImpl2::for_document(d, m_file);
            m_store = store.get();
            return store;
        };
        services.keypad_map_path = platform::from_utf8((home.root() / "keyboard.txt").string());
        document = std::make_unique<Document>(std::move(services));
        ASSERT_TRUE(m_store->initialise(m_window));
        document->load();
        view = std::make_unique<Recorder>();
    }
    void TearDown() override {
        view.reset();
        document.reset();
        m_store = nullptr;
        platform::destroy_window(m_window);
        platform::unregister_window_class(u"DocumentHost");
    }

    uint32_t add(const char16_t* first, const char16_t* last) {
        std::unique_ptr<pim::PimItem> item;
        EXPECT_EQ(m_tool->create_item(pim::kItemContact, item), pim::kOk);
        const std::vector<pim::PropValue> values{pim::PropValue::of_text(property::kFirstName, first),
                                                 pim::PropValue::of_text(property::kLastName, last)};
        EXPECT_EQ(item->set_props(values), pim::kOk);
        EXPECT_EQ(item->save(), pim::kOk);
        return item->oid();
    }
    // What the program's watch timer would do, then the notices it posted.
    std::vector<std::string> deliver() {
        m_store->session()->check_remote_changes();
        platform::dispatch_pending_messages();
        return view->take();
    }
    std::vector<uint32_t> full() const {
        std::vector<uint32_t> out;
        for (const ContactEntry* e : document->full_list()) out.push_back(e->contact.object_id);
        return out;
    }

    test_support::TempHome home;
    std::string m_file;
    std::unique_ptr<pim::PimSession> m_tool;
    std::vector<uint32_t> m_ids;
    platform::WindowHandle m_window;
    ContactManagerImpl2* m_store = nullptr;
    std::unique_ptr<Document> document;
    std::unique_ptr<Recorder> view;
};

TEST_F(StoreDocumentTest, RemoteChangeMovesTheContactWithTheRightHints) {
    ASSERT_EQ(full(), m_ids);
    std::unique_ptr<pim::PimItem> bob;
    ASSERT_EQ(m_tool->item_from_oid(m_ids[1], bob), pim::kOk);
    const pim::PropValue renamed = pim::PropValue::of_text(property::kLastName, u"Zorn");
    ASSERT_EQ(bob->set_props({&renamed, 1}), pim::kOk);
    ASSERT_EQ(bob->save(), pim::kOk);

    const std::string id = std::to_string(m_ids[1]);
    EXPECT_EQ(deliver(), (std::vector<std::string>{"list_removed 1", "list_inserted 2", "filtered_removed 1",
                                                   "filtered_inserted 2", "contact_changed " + id}));
    EXPECT_EQ(full(), (std::vector<uint32_t>{m_ids[0], m_ids[2], m_ids[1]}));
    EXPECT_EQ(document->find_entry(m_ids[1])->contact.last_name, u"Zorn");
}

TEST_F(StoreDocumentTest, RemoteCreateAndDeleteReachTheLists) {
    const uint32_t dan = add(u"Dan", u"Baker");
    EXPECT_EQ(deliver(), (std::vector<std::string>{"list_inserted 1", "filtered_inserted 1"}));
    ASSERT_NE(document->find_entry(dan), nullptr);

    std::unique_ptr<pim::PimItem> ann;
    ASSERT_EQ(m_tool->item_from_oid(m_ids[0], ann), pim::kOk);
    ASSERT_EQ(ann->remove(), pim::kOk);
    EXPECT_EQ(deliver(), (std::vector<std::string>{"filtered_removed 0", "list_removed 0",
                                                   "contact_removed " + std::to_string(m_ids[0])}));
    EXPECT_EQ(full(), (std::vector<uint32_t>{dan, m_ids[1], m_ids[2]}));
}

TEST_F(StoreDocumentTest, OwnSaveComesBackAsALocalChange) {
    Contact cid = document->find_entry(m_ids[2])->contact;
    cid.first_name = u"Cyd";
    ASSERT_TRUE(m_store->save(cid));
    platform::dispatch_pending_messages();
    EXPECT_EQ(view->take(), (std::vector<std::string>{"list_changed 2", "filtered_changed 2",
                                                      "contact_changed " + std::to_string(m_ids[2])}));
    EXPECT_EQ(document->find_entry(m_ids[2])->contact.first_name, u"Cyd");
    EXPECT_EQ(m_store->session()->check_remote_changes(), 0);
}

}  // namespace
