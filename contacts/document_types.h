#pragma once
// The records the Document hands to its views: entries, recent calls, favourites rows and the
// refresh hint that tells a view what changed.

#include <cstdint>
#include <vector>

#include "contacts/contact.h"

namespace velvane {

// One contact as the Document keeps it. Entries live in a list, so a reference stays valid
// while others come and go.
struct ContactEntry {
    // One kind per favourites row that points here, in the order the rows were added.
    std::vector<int32_t> favorite_codes;
    Contact contact;
    // Lower-cased sort keys of the three orders.
    WString first_key;
    WString last_key;
    WString company_key;
    // The entry's place in the Document's search tables; the Document's own bookkeeping.
    uint32_t search_slot = 0;
};

// One entry of the phone's call log, in the order the log hands them out (newest first).
struct RecentCall {
    enum Direction : int32_t { Incoming = 0, Missed = 1, Outgoing = 2 };

    // Position in the Document's vector; the delete operations find calls by it.
    int32_t index = 0;
    WString name;
    // "Unknown" for both when the log has no number.
    WString number;
    WString number_key;
    // Kind name of the contact field whose number matched; empty without a contact.
    WString field_label;
    int32_t direction = Incoming;
    // Local time in 100-ns units since 1601.
    int64_t start_time = 0;
    int32_t duration = 0;
    ContactEntry* contact = nullptr;
};

// One pinned field of one contact.
struct FavoriteRow {
    ContactEntry* entry = nullptr;
    int32_t kind = 0;
};

// What changed, sent to every view. Exactly one flag is set in a hint the Document builds;
// views read only the integers their flag names.
struct RefreshHint {
    int32_t recent_index = 0;
    uint32_t object_id = 0;
    // Position in the filtered list, or its new length for filtered_reset.
    int32_t filtered_position = 0;
    int32_t list_position = 0;
    int32_t favorite_position = 0;

    bool is_sorting = false;
    bool favorite_added = false;
    bool favorite_removed = false;
    bool favorite_changed = false;
    bool recent_changed = false;
    bool log_updated = false;
    bool contact_changed = false;
    bool contact_removed = false;
    bool filtered_reset = false;
    bool filtered_removed = false;
    bool filtered_inserted = false;
    bool filtered_changed = false;
    bool list_removed = false;
    bool list_inserted = false;
    bool list_changed = false;
    bool is_load_done = false;
    bool call_offered = false;
    bool call_dialing = false;
    bool call_connected = false;
    bool call_ended = false;
    bool caller_changed = false;
};

// Anything that shows Document data. A view attaches itself to the living Document when it
// is built and detaches when it goes.
class DocumentView {
public:
    DocumentView();
    virtual ~DocumentView();
    DocumentView(const DocumentView&) = delete;
    DocumentView& operator=(const DocumentView&) = delete;

    virtual void on_document_refresh(const RefreshHint& hint);
};

}  // namespace velvane
