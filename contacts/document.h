#pragma once
// The Document: every contact, the list in the chosen order, the list the contact screen
// shows, the number index, favourites, recent calls and categories, and the views told of
// each change. One per process, built during start-up.

#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/singleton.h"
#include "core/timer.h"
#include "contacts/contact.h"
#include "contacts/document_services.h"
#include "contacts/document_types.h"
#include "contacts/keypad_map.h"
#include "contacts/photo_cache.h"

namespace velvane {

class SearchIndex;
struct SearchQuery;

enum SortOrder : int32_t {
    SortByFirstname = 0,
    SortByLastname = 1,
    SortByCompany = 2,
};

// Lengths of the filter words that matched each searchable part; 0 where none did.
struct MatchLengths {
    int first_name = 0;
    int last_name = 0;
    // The beginning of the matched number as it is stored that the word stands for: "0196"
    // typed for "+49 196 8964952" covers "+49 196", 7 characters.
    int phone = 0;
    int company = 0;
    // The contact field of the matched number; -1 when no number matched.
    int phone_field = -1;
};

// A phone number in the number index.
struct NumberIndexItem {
    ContactEntry* entry = nullptr;
    // Index into the entry's contact fields.
    size_t field = 0;
};

class Document : public Singleton<Document>, private TimerListener {
public:
    static constexpr platform::WStringView kRegistryPath =
        u"HKEY_CURRENT_USER\\Software\\Quorr\\Velvane";
    static constexpr platform::WStringView kNoCategory = u"skinNoCategory";
    static constexpr platform::WStringView kUnknownKey = u"skinUnknown";

    // Reads Sorting and Dialer and the keypad map, makes the store and the line handler and
    // initialises the line.
    explicit Document(DocumentServices services);
    // Stops the call-log timer, then destroys the store and the line handler.
    ~Document() override;

    // Views, told of every change in attach order.
    void attach_view(DocumentView* view);
    void detach_view(DocumentView* view);
    // Delivers hint to every view; for the parts of contacts/ that change the Document's
    // tables themselves (favourites, categories, the call log).
    void send(const RefreshHint& hint);

    // The start-up load: categories, contacts, favourites, call log, then the sort.
    void load();
    bool is_loaded() const { return m_loaded; }

    // Sorts by order (0..2), rebuilds the filtered list and stores the order.
    void set_sorting(int32_t order);
    int32_t sorting() const { return m_sorting; }
    // Splits text into filter words and rebuilds the filtered list (one filtered_reset).
    void set_filter_string(WStringView text);
    // Re-applies the filter words to every entry (one is_sorting).
    void set_filtered_contacts();
    // Filters by category ("skinNoCategory": none). The word filter is not applied here.
    void set_category(WStringView name);
    const WString& category_filter() const { return m_category_filter; }

    ContactEntry* find_entry(uint32_t object_id);
    // First and last name joined by one space (either alone when the other is empty), or the
    // company when both are empty.
    static WString display_name(const Contact& contact);

    // The contact whose card is open, kept by object id; null when none is, and again once
    // that contact is deleted.
    void set_current_contact(uint32_t object_id) { m_current_contact = object_id; }
    ContactEntry* current_contact();
    // The recents entry the user tapped last. It is kept by its number and start time, as the
    // call log itself knows its entries, because every re-read replaces the recent calls.
    void set_current_recent(const RecentCall& call);
    // That entry as the recent calls now hold it; null when none was tapped or the log no
    // longer has it.
    const RecentCall* current_recent() const;
    // First character of the entry's key in the current order, in upper case; empty when the
    // entry has no key.
    WString index_letter(const ContactEntry& entry) const;
    // The first contact with a phone number of the same number key, or null.
    ContactEntry* find_by_number(WStringView number);
    // The same, with the field that matched; null when none.
    const NumberIndexItem* find_number(WStringView number) const;
    // Whether entry passes the filter words; lengths, if given, says where they matched.
    bool matches(const ContactEntry& entry, MatchLengths* lengths = nullptr) const;

    // Change notices from the store.
    void on_contact_created(Contact contact);
    void on_load_progress(int index, int total);
    void on_contact_changed(uint32_t object_id);
    void on_contact_removed(uint32_t object_id);

    // Reads the call log again: log_updated, the read, is_load_done.
    void update_log();
    // Runs update_log after seconds on the UI thread.
    void start_log_timer(double seconds);
    void stop_log_timer();
    // Test command: gives the contacts, in list order, the distinct recent numbers as Mobile.
    void bind_recent_numbers();

    // Tables. Screens read them; only the Document and the parts of contacts/ change them.
    const std::list<ContactEntry>& entries() const { return m_entries; }
    const std::vector<ContactEntry*>& full_list() const { return m_full; }
    const std::vector<ContactEntry*>& filtered_list() const { return m_filtered; }
    const std::vector<WString>& filter_words() const { return m_words; }
    std::vector<RecentCall>& recent_calls() { return m_recents; }
    std::vector<FavoriteRow>& favorites() { return m_favorites; }
    std::vector<WString>& categories() { return m_categories; }
    std::vector<bool>& category_checked() { return m_category_checked; }
    const KeypadMap& keypad_map() const { return m_keypad; }
    // The favourites screens' framed contact pictures; emptied when the main screen binds a
    // skin, and per contact when its picture changes.
    PhotoCache& photo_cache() { return m_photo_cache; }
    ContactSource* store() { return m_store.get(); }
    LineHandler* line() { return m_line.get(); }
    CallLogSource* call_log() { return m_services.call_log.get(); }

    // Whether the program follows calls itself (registry Dialer); set_dialer stores it.
    bool dialer() const { return m_dialer; }
    void set_dialer(bool on);

    // In-call state for the call screen and the line handler.
    bool loudspeaker_on = false;
    bool microphone_muted = false;
    bool call_on_hold = false;
    WString caller_number{kUnknownKey};
    WString incoming_title;
    WString outgoing_title;

    // Reads the categories through the store again; the list and its checked flags start
    // over.
    void read_categories();
    // Links each recent call to the contact with its number key, or unlinks it.
    void link_recent(RecentCall& call);

private:
    void on_timer(Timer& timer) override;

    void compute_keys(ContactEntry& entry) const;
    bool less(const ContactEntry* a, const ContactEntry* b) const;
    size_t sorted_position(const std::vector<ContactEntry*>& list, const ContactEntry* e) const;
    // Position of entry in a list kept in the current order; -1 when absent.
    int32_t position_in(const std::vector<ContactEntry*>& list, const ContactEntry* e) const;
    void sort_full_list();
    void rebuild_filtered();
    void add_numbers(ContactEntry& entry);
    void remove_numbers(ContactEntry& entry);
    ContactEntry& add_entry(Contact contact);
    void read_call_log();
    void send_flag(bool RefreshHint::*flag);
    // The full list changes only through these, so its search slots stay beside it.
    void full_insert(size_t position, ContactEntry* entry);
    void full_erase(size_t position);

    DocumentServices m_services;
    std::vector<DocumentView*> m_views;
    std::vector<RecentCall> m_recents;
    std::vector<ContactEntry*> m_full;
    // The search slot of each full-list entry, so the filter never has to visit the entries.
    std::vector<uint32_t> m_full_slots;
    std::vector<ContactEntry*> m_filtered;
    std::vector<FavoriteRow> m_favorites;
    std::vector<WString> m_categories;
    std::vector<bool> m_category_checked;
    WString m_category_filter{kNoCategory};
    bool m_dialer = true;
    std::unique_ptr<ContactSource> m_store;
    Timer m_log_timer;
    KeypadMap m_keypad;
    bool m_loaded = false;
    int32_t m_sorting = SortByLastname;
    std::vector<WString> m_words;
    std::list<ContactEntry> m_entries;
    // Object id to entry, so that a change notice finds its entry without a walk.
    std::unordered_map<uint32_t, std::list<ContactEntry>::iterator> m_by_id;
    std::unique_ptr<LineHandler> m_line;
    // Number key (as a number, see number_index_key) to its phone fields; among equal keys
    // the earliest added counts as the first.
    struct IndexedNumber {
        NumberIndexItem item;
        uint64_t order = 0;
    };
    std::unordered_multimap<uint32_t, IndexedNumber> m_numbers;
    uint64_t m_number_order = 0;
    uint32_t m_current_contact = 0;
    // Number and start time of the current recents entry.
    std::optional<std::pair<WString, int64_t>> m_current_recent;
    std::unique_ptr<SearchIndex> m_search;
    // The filter words compiled against the keypad map.
    std::unique_ptr<SearchQuery> m_query;
    PhotoCache m_photo_cache;
};

}  // namespace velvane
