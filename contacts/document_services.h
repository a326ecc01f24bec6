#pragma once
// What the Document needs from the services around it. contacts/ declares them so that the
// Document owns its store, call log and line handler without depending on how they are built;
// the program's start-up hands in the real ones, tests hand in fakes.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "contacts/contact.h"
#include "contacts/document_types.h"
#include "platform/window.h"
#include "skin/image_ref.h"

namespace velvane {

class Document;
struct VCardContact;

// The contact database as the Document and the screens use it. Change notices come back
// through the Document's on_contact_created / on_contact_changed / on_contact_removed.
// The reads and the save are what every store has; a store without one of the other
// operations (an in-memory book, a read-only copy) refuses it: false, or nothing.
class ContactSource {
public:
    virtual ~ContactSource() = default;
    // Every contact in store order; progress goes to Document::on_load_progress.
    virtual void load_all(std::vector<Contact>& out) = 0;
    // Nothing when the item is gone or is not a contact.
    virtual std::optional<Contact> read_one(uint32_t object_id) = 0;
    virtual bool save(const Contact& contact) = 0;
    // Saves a working copy taken from original: only the values that differ from it are
    // written, so what another process changed meanwhile in the other fields stays. Stores
    // that no other process writes save the whole record.
    virtual bool save_changes(const Contact& changed, const Contact& original);
    // The folder's category names in stored order.
    virtual void read_categories(std::vector<WString>& out) = 0;

    // Opens the store for the main window, which from then on receives its change notices.
    virtual bool initialise(platform::WindowHandle main_window);
    // The main window hands every message here; true for the store's change notices.
    virtual bool on_window_message(uint32_t message, uintptr_t wparam, intptr_t lparam);

    // Stores a new contact; on success the record carries its object id.
    virtual bool create(Contact& contact);
    virtual bool remove(uint32_t object_id);
    // The contact's picture fitted into the box, or an empty reference.
    virtual zentra::ImageRef picture(uint32_t object_id, int box_width, int box_height);
    // Lets the user pick a file and stores it as the contact's picture.
    virtual void choose_and_set_picture(uint32_t object_id);
    virtual void clear_picture(uint32_t object_id);

    // Stores the cards of a vCard file as new contacts, all or none; false with why.
    virtual bool import_contacts(std::vector<VCardContact>& cards, std::string& error);

    // Test data from the main menu.
    virtual void add_generated_contacts(int count);
    virtual void erase_all_contacts();
};

// The phone's call log. read appends one record per log entry, newest first, with name,
// number, number key, direction, start time and duration filled in; the Document sets the
// index and links the contact.
class CallLogSource {
public:
    virtual ~CallLogSource() = default;
    virtual void read(std::vector<RecentCall>& out) = 0;
    // Removes the log entries of the listed recent calls (by their index in recents). True
    // when the log was walked, so the caller reads it again; false when nothing changed.
    virtual bool delete_recents(const std::vector<RecentCall>& recents,
                                const std::vector<int32_t>& indices) = 0;
    // The same for one recent call.
    virtual bool delete_recent(const std::vector<RecentCall>& recents, int32_t index) = 0;
};

// The telephone line the Document owns; telephony/ implements it.
class LineHandler {
public:
    virtual ~LineHandler() = default;
    virtual void initialise() = 0;
    virtual void reset() = 0;
    virtual void answer_call() = 0;
    virtual void drop_call() = 0;
    virtual void toggle_hold() = 0;
    virtual void toggle_mute() = 0;
    virtual void toggle_loudspeaker() = 0;
    // Sends the last character of text as a key tone while connected.
    virtual void send_key_tone(WStringView text) = 0;

    // A call is followed from the line's new-call event until it ends or is dropped.
    virtual bool call_in_progress() const = 0;
    // The followed call reached the connected state.
    virtual bool connected() const = 0;
    virtual bool line_open() const = 0;
    // Sends a supplementary-service string over the open line; the line's result code.
    virtual int32_t send_ussd(WStringView text) = 0;
    // The stock phone program takes the screen: the program waits for messages instead of
    // drawing frames until it is back.
    virtual void rest_frames() = 0;
};

// Everything handed to the Document when it is built. A missing piece behaves as empty: no
// contacts, no call log, no favourites, no line.
struct DocumentServices {
    // Made with the Document, which it reports to.
    std::function<std::unique_ptr<ContactSource>(Document&)> make_store;
    std::unique_ptr<CallLogSource> call_log;
    // Made with the Document and initialised by it.
    std::function<std::unique_ptr<LineHandler>(Document&)> make_line;
    // Reads the favourites file into the Document's table (load step 4).
    std::function<void(Document&)> load_favorites;
    // The category test of the category filter: does entry carry the category name?
    std::function<bool(const ContactEntry&, WStringView)> passes_category;
    // Told of the store's load progress (index, total), for a splash that shows it; the
    // Document itself does nothing with it. Runs on the loading thread.
    std::function<void(int, int)> load_progress;
    // The keypad map file; "%app_path%\keyboard.txt" when empty.
    WString keypad_map_path;
};

}  // namespace velvane
