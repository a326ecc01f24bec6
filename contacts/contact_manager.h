#pragma once
// ContactManagerImpl2: the only code that talks to the contact database. It reads contacts
// into Contact records, writes them back property by property, creates and deletes them,
// reads and writes their pictures, reads the folder's category list and turns the
// database's change notices into calls on its listener.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "contacts/contact.h"
#include "contacts/document_services.h"
#include "platform/pim_types.h"
#include "platform/window.h"

namespace platform::pim {
class PimSession;
class PimItem;
}  // namespace platform::pim

namespace velvane {

class ContactManagerImpl2;
class ContactSaver;

// What the store tells the Document.
class ContactStoreListener {
public:
    virtual ~ContactStoreListener() = default;
    // A contact another program or this one has just created, already read whole.
    virtual void on_contact_created(ContactManagerImpl2& store, Contact contact) = 0;
    // During a full load, for every contact whose index is a multiple of 25.
    virtual void on_load_progress(ContactManagerImpl2& store, int index, int total) = 0;
    virtual void on_contact_changed(ContactManagerImpl2& store, uint32_t object_id) = 0;
    virtual void on_contact_removed(ContactManagerImpl2& store, uint32_t object_id) = 0;
};

// For a store whose owner only reads and writes (the tools, the sync, the saver's own
// connection): what it hears goes nowhere.
class QuietListener : public ContactStoreListener {
public:
    void on_contact_created(ContactManagerImpl2&, Contact) override {}
    void on_load_progress(ContactManagerImpl2&, int, int) override {}
    void on_contact_changed(ContactManagerImpl2&, uint32_t) override {}
    void on_contact_removed(ContactManagerImpl2&, uint32_t) override {}
};

class ContactManagerImpl2 : public ContactSource {
public:
    // Change notices of the contact database, posted to the logged-on window.
    static constexpr uint32_t kCreatedLocal = 0x8100;
    static constexpr uint32_t kDeletedLocal = 0x8101;
    static constexpr uint32_t kChangedLocal = 0x8102;
    static constexpr uint32_t kCreatedRemote = 0x8105;
    static constexpr uint32_t kDeletedRemote = 0x8106;
    static constexpr uint32_t kChangedRemote = 0x8107;

    // How long closing waits for saves the database was too busy to take.
    static constexpr uint32_t kCloseWaitMs = 30000;

    // file: the database; empty for the user's own ($XDG_DATA_HOME/velvane/contacts.db).
    // process_token names this writer in the change journal; empty picks one of its own.
    explicit ContactManagerImpl2(ContactStoreListener& listener, std::string file = {},
                                 std::string process_token = {});
    // The store a Document owns, reporting to it.
    static std::unique_ptr<ContactManagerImpl2> for_document(Document& document,
                                                             std::string file = {});
    ~ContactManagerImpl2() override;
    ContactManagerImpl2(const ContactManagerImpl2&) = delete;
    ContactManagerImpl2& operator=(const ContactManagerImpl2&) = delete;

    // Opens the database, logs on with main_window (which then receives the change notices)
    // and asks for local and remote notices. False, with a log line, when the database
    // cannot be opened or the notices cannot be had; the store then answers empty.
    // From then on a save_changes that finds the database busy does not wait: the save is
    // queued and written in the background (see ContactSaver), and reads show it meanwhile.
    bool initialise(platform::WindowHandle main_window) override;

    // ContactSource.
    void load_all(std::vector<Contact>& out) override;
    std::optional<Contact> read_one(uint32_t object_id) override;
    bool save(const Contact& contact) override;
    // True also when the save is queued because another process holds the database.
    bool save_changes(const Contact& changed, const Contact& original) override;
    void read_categories(std::vector<WString>& out) override;
    // On success the new record also gets an empty Categories field, as the database has.
    bool create(Contact& contact) override;
    bool remove(uint32_t object_id) override;
    zentra::ImageRef picture(uint32_t object_id, int box_width, int box_height) override;
    void choose_and_set_picture(uint32_t object_id) override;
    void clear_picture(uint32_t object_id) override;
    bool on_window_message(uint32_t message, uintptr_t wparam, intptr_t lparam) override;
    bool import_contacts(std::vector<VCardContact>& cards, std::string& error) override;
    void add_generated_contacts(int count) override;
    void erase_all_contacts() override;

    // Called with true before the picture chooser shows and false after, so the program can
    // give up and take back the full screen.
    void set_full_screen_handler(std::function<void(bool release)> handler) {
        m_full_screen = std::move(handler);
    }

    // Writes what changed now, waiting for another writer as long as the session's write
    // wait allows: kOk, kBusy when the writer kept the database, or the failure.
    platform::pim::Code store_changes(const Contact& changed, const Contact& original);
    // Saves still waiting for the database.
    size_t queued_saves() const;
    // Waits at most timeout_ms for the queued saves; true when none is left. Closing the
    // store does this with kCloseWaitMs.
    bool finish_saves(uint32_t timeout_ms);

    // Null when the database could not be opened; open_error then says why.
    platform::pim::PimSession* session();
    const std::string& open_error() const { return m_open_error; }

private:
    // original: write only what differs from it; null writes the whole record.
    platform::pim::Code write_record(platform::pim::PimItem& item, const Contact& contact,
                                     const Contact* original);
    // Puts the queued saves of one contact over the values read for it.
    void apply_queued(uint32_t object_id, std::vector<platform::pim::PropValue>& values) const;
    bool queue_save(const Contact& changed, const Contact& original);

    ContactStoreListener& m_listener;
    std::unique_ptr<ContactStoreListener> m_owned_listener;
    std::string m_file;
    std::string m_process_token;
    std::unique_ptr<platform::pim::PimSession> m_session;
    bool m_open_failed = false;
    std::string m_open_error;
    std::function<void(bool)> m_full_screen;
    // Set by initialise: only the program's store, with a window to tell, queues saves.
    platform::WindowHandle m_window;
    std::unique_ptr<ContactSaver> m_saver;
};

}  // namespace velvane
