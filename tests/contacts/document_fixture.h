#pragma once
// A Document over an in-memory contact store and call log, with a view that records every
// hint, inside a private home so the registry and keypad map are the test's own.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/registry.h"
#include "contacts/document.h"
#include "tests/support/temp_home.h"

namespace contacts_test {

using namespace velvane;

// The store's contacts by object id, in creation order.
class FakeStore : public ContactSource {
public:
    std::vector<Contact> contacts;
    std::vector<WString> category_names;
    std::vector<Contact> saved;

    void load_all(std::vector<Contact>& out) override { out = contacts; }
    std::optional<Contact> read_one(uint32_t id) override {
        for (const Contact& c : contacts) {
            if (c.object_id == id) return c;
        }
        return std::nullopt;
    }
    bool save(const Contact& c) override {
        saved.push_back(c);
        return true;
    }
    void read_categories(std::vector<WString>& out) override { out = category_names; }
    // Keeps the new contact under the next free id; the notice is the test's to send.
    bool create(Contact& c) override {
        c.object_id = next_id++;
        created.push_back(c);
        return true;
    }
    std::vector<Contact> created;
    uint32_t next_id = 1000;
    // Forgets the contact; the notice is the test's to send.
    bool remove(uint32_t id) override {
        removed.push_back(id);
        std::erase_if(contacts, [id](const Contact& c) { return c.object_id == id; });
        return true;
    }
    std::vector<uint32_t> removed;
    // Pictures by object id; every request is kept as "id w x h".
    std::map<uint32_t, zentra::ImageRef> pictures;
    std::vector<std::string> picture_requests;
    zentra::ImageRef picture(uint32_t id, int w, int h) override {
        picture_requests.push_back(std::to_string(id) + " " + std::to_string(w) + "x" +
                                   std::to_string(h));
        const auto found = pictures.find(id);
        return found != pictures.end() ? found->second : zentra::ImageRef{};
    }
    void clear_picture(uint32_t id) override { pictures.erase(id); }

    Contact* find(uint32_t id) {
        for (Contact& c : contacts) {
            if (c.object_id == id) return &c;
        }
        return nullptr;
    }
};

// Deletes as the phone's log does: the entries with a listed call's number and start time.
class FakeCallLog : public CallLogSource {
public:
    std::vector<RecentCall> calls;
    void read(std::vector<RecentCall>& out) override {
        out.insert(out.end(), calls.begin(), calls.end());
    }
    bool delete_recents(const std::vector<RecentCall>& recents,
                        const std::vector<int32_t>& indices) override {
        bool any = false;
        for (const RecentCall& listed : recents) {
            if (std::find(indices.begin(), indices.end(), listed.index) == indices.end())
                continue;
            any = true;
            std::erase_if(calls, [&](const RecentCall& c) {
                return c.number == listed.number && c.start_time == listed.start_time;
            });
        }
        return any;
    }
    bool delete_recent(const std::vector<RecentCall>& recents, int32_t index) override {
        return delete_recents(recents, {index});
    }
};

// Hints as short text, so a sequence reads like the description of a change.
inline std::string describe(const RefreshHint& h) {
    auto with = [](const char* name, long long value) {
        return std::string(name) + " " + std::to_string(value);
    };
    if (h.is_sorting) return "is_sorting";
    if (h.favorite_added) return with("favorite_added", h.favorite_position);
    if (h.favorite_removed) return with("favorite_removed", h.favorite_position);
    if (h.favorite_changed) return with("favorite_changed", h.favorite_position);
    if (h.recent_changed) return with("recent_changed", h.recent_index);
    if (h.log_updated) return "log_updated";
    if (h.contact_changed) return with("contact_changed", h.object_id);
    if (h.contact_removed) return with("contact_removed", h.object_id);
    if (h.filtered_reset) return with("filtered_reset", h.filtered_position);
    if (h.filtered_removed) return with("filtered_removed", h.filtered_position);
    if (h.filtered_inserted) return with("filtered_inserted", h.filtered_position);
    if (h.filtered_changed) return with("filtered_changed", h.filtered_position);
    if (h.list_removed) return with("list_removed", h.list_position);
    if (h.list_inserted) return with("list_inserted", h.list_position);
    if (h.list_changed) return with("list_changed", h.list_position);
    if (h.is_load_done) return "is_load_done";
    return "other";
}

inline int flag_count(const RefreshHint& h) {
    return h.is_sorting + h.favorite_added + h.favorite_removed + h.favorite_changed +
           h.recent_changed + h.log_updated + h.contact_changed + h.contact_removed +
           h.filtered_reset + h.filtered_removed + h.filtered_inserted + h.filtered_changed +
           h.list_removed + h.list_inserted + h.list_changed + h.is_load_done + h.call_offered +
           h.call_dialing + h.call_connected + h.call_ended + h.caller_changed;
}

class Recorder : public DocumentView {
public:
    std::vector<std::string> hints;
    void on_document_refresh(const RefreshHint& hint) override {
        EXPECT_EQ(flag_count(hint), 1) << describe(hint);
        hints.push_back(describe(hint));
    }
    std::vector<std::string> take() { return std::exchange(hints, {}); }
};

inline Contact person(uint32_t id, std::u16string first, std::u16string last,
                      std::u16string company = u"", std::vector<ContactField> fields = {}) {
    Contact c;
    c.object_id = id;
    c.first_name = std::move(first);
    c.last_name = std::move(last);
    c.company = std::move(company);
    c.fields = std::move(fields);
    return c;
}

inline const char* kPhoneKeypad = "2=abc2\n3=def3\n4=ghi4\n5=jkl5\n6=mno6\n7=pqrs7\n8=tuv8\n9=wxyz9\n";

class DocumentTest : public testing::Test {
protected:
    test_support::TempHome home;
    FakeStore* store = nullptr;
    FakeCallLog* calls = nullptr;
    std::unique_ptr<Document> document;
    std::unique_ptr<Recorder> view;
    std::string keypad = kPhoneKeypad;
    std::vector<Contact> initial;
    std::vector<RecentCall> initial_calls;
    std::function<bool(const ContactEntry&, WStringView)> category_test;

    // Builds and loads the Document over initial.
    void open(int sorting = SortByLastname) {
        write_dword(Document::kRegistryPath, u"Sorting", static_cast<uint32_t>(sorting));
        const auto map = home.root() / "keyboard.txt";
        test_support::write_bytes(map, keypad);
        DocumentServices services;
        std::vector<Contact> contacts = initial;
        services.make_store = [&, contacts](Document&) {
            auto s = std::make_unique<FakeStore>();
            s->contacts = contacts;
            store = s.get();
            return s;
        };
        auto log = std::make_unique<FakeCallLog>();
        log->calls = initial_calls;
        calls = log.get();
        services.call_log = std::move(log);
        services.keypad_map_path = platform::from_utf8(map.string());
        services.passes_category = category_test;
        document = std::make_unique<Document>(std::move(services));
        view = std::make_unique<Recorder>();
        document->load();
        view->take();
    }

    void TearDown() override {
        view.reset();
        document.reset();
    }

    // Object ids of a list, in order.
    static std::vector<uint32_t> ids(const std::vector<ContactEntry*>& list) {
        std::vector<uint32_t> out;
        for (const ContactEntry* e : list) out.push_back(e->contact.object_id);
        return out;
    }
    std::vector<uint32_t> full() const { return ids(document->full_list()); }
    std::vector<uint32_t> filtered() const { return ids(document->filtered_list()); }
};

}  // namespace contacts_test
