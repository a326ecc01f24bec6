// The store's change notices: created, changed and removed contacts, each told to the views
// as the few rows that moved.

#include <algorithm>
#include <iterator>

#include "contacts/document.h"
#include "contacts/document_search.h"

namespace velvane {

ContactEntry& Document::add_entry(Contact contact) {
    ContactEntry& entry = m_entries.emplace_back();
    entry.contact = std::move(contact);
    compute_keys(entry);
    entry.search_slot = m_search->add(entry);
    m_by_id.emplace(entry.contact.object_id, std::prev(m_entries.end()));
    return entry;
}

void Document::on_load_progress(int index, int total) {
    if (m_services.load_progress) {
        m_services.load_progress(index, total);
    }
}

void Document::on_contact_created(Contact contact) {
    // A contact created while the load ran is read by the load and then announced again;
    // a second entry for it would show twice and never leave on removal.
    if (contact.object_id != 0 && find_entry(contact.object_id) != nullptr) {
        on_contact_changed(contact.object_id);
        return;
    }
    ContactEntry& entry = add_entry(std::move(contact));

    const size_t k = sorted_position(m_full, &entry);
    full_insert(k, &entry);
    RefreshHint listed;
    listed.list_inserted = true;
    listed.list_position = static_cast<int32_t>(k);
    send(listed);

    if (matches(entry)) {
        const size_t n = sorted_position(m_filtered, &entry);
        m_filtered.insert(m_filtered.begin() + static_cast<ptrdiff_t>(n), &entry);
        RefreshHint shown;
        shown.filtered_inserted = true;
        shown.filtered_position = static_cast<int32_t>(n);
        send(shown);
    }
    add_numbers(entry);

    for (RecentCall& call : m_recents) {
        for (const ContactField& field : entry.contact.fields) {
            if (is_phone(field.kind) && !call.number_key.empty() &&
                number_key(field.value) == call.number_key) {
                call.contact = &entry;
                call.field_label = kind_name(field.kind);
                RefreshHint hint;
                hint.recent_changed = true;
                hint.recent_index = call.index;
                send(hint);
                break;
            }
        }
    }
}

void Document::on_contact_changed(uint32_t object_id) {
    log() << u"Document::on_contact_changed()\n";
    // The stored picture may be the change (another program set it): the favourites fetch it
    // again rather than show the old one.
    m_photo_cache.drop(object_id);
    ContactEntry* entry = find_entry(object_id);
    if (entry == nullptr) {
        return;
    }
    const int32_t i = position_in(m_full, entry);
    const int32_t j = position_in(m_filtered, entry);
    if (i >= 0) {
        full_erase(static_cast<size_t>(i));
    }
    if (j >= 0) {
        m_filtered.erase(m_filtered.begin() + j);
    }

    std::optional<Contact> fresh;
    if (m_store) {
        fresh = m_store->read_one(object_id);
    }
    remove_numbers(*entry);
    if (fresh) {
        entry->contact = std::move(*fresh);
    } else {
        // The store could not give it back; the entry keeps what it had rather than vanish
        // from the lists until the removal notice, if any, arrives.
        log() << u"Document::on_contact_changed() cannot read " << object_id << u"\n";
    }
    compute_keys(*entry);
    m_search->update(entry->search_slot, *entry);

    const auto k = static_cast<int32_t>(sorted_position(m_full, entry));
    full_insert(static_cast<size_t>(k), entry);
    if (k == i) {
        RefreshHint hint;
        hint.list_changed = true;
        hint.list_position = i;
        send(hint);
    } else {
        if (i >= 0) {
            RefreshHint removed;
            removed.list_removed = true;
            removed.list_position = i;
            send(removed);
        }
        RefreshHint inserted;
        inserted.list_inserted = true;
        inserted.list_position = k;
        send(inserted);
    }

    int32_t n = -1;
    if (matches(*entry)) {
        n = static_cast<int32_t>(sorted_position(m_filtered, entry));
        m_filtered.insert(m_filtered.begin() + n, entry);
    }
    if (j != n) {
        if (j != -1) {
            RefreshHint removed;
            removed.filtered_removed = true;
            removed.filtered_position = j;
            send(removed);
        }
        if (n != -1) {
            RefreshHint inserted;
            inserted.filtered_inserted = true;
            inserted.filtered_position = n;
            send(inserted);
        }
    } else if (n != -1) {
        RefreshHint hint;
        hint.filtered_changed = true;
        hint.filtered_position = n;
        send(hint);
    }

    add_numbers(*entry);

    RefreshHint changed;
    changed.contact_changed = true;
    changed.object_id = object_id;
    send(changed);

    for (size_t row = 0; row < m_favorites.size(); ++row) {
        if (m_favorites[row].entry == entry) {
            RefreshHint hint;
            hint.favorite_changed = true;
            hint.object_id = object_id;
            hint.favorite_position = static_cast<int32_t>(row);
            send(hint);
        }
    }

    // Calls linked here follow the new numbers; unlinked calls that now carry one of them are
    // linked as well, so a number just added shows its name in the recents at once.
    for (RecentCall& call : m_recents) {
        if (call.contact != entry && call.contact != nullptr) {
            continue;
        }
        ContactEntry* before = call.contact;
        if (before == nullptr) {
            const NumberIndexItem* item = find_number(call.number_key);
            if (item == nullptr || item->entry != entry || call.number_key == u"Unknown") {
                continue;
            }
        }
        link_recent(call);
        RefreshHint hint;
        hint.recent_changed = true;
        hint.recent_index = call.index;
        send(hint);
    }
}

void Document::on_contact_removed(uint32_t object_id) {
    log() << u"Document::on_contact_removed()\n";
    m_photo_cache.drop(object_id);
    ContactEntry* entry = find_entry(object_id);
    if (entry == nullptr) {
        return;
    }
    const int32_t j = position_in(m_filtered, entry);
    if (j >= 0) {
        m_filtered.erase(m_filtered.begin() + j);
        RefreshHint hint;
        hint.filtered_removed = true;
        hint.filtered_position = j;
        send(hint);
    }
    const int32_t i = position_in(m_full, entry);
    if (i >= 0) {
        full_erase(static_cast<size_t>(i));
        RefreshHint hint;
        hint.list_removed = true;
        hint.list_position = i;
        send(hint);
    }
    remove_numbers(*entry);
    for (RecentCall& call : m_recents) {
        if (call.contact == entry) {
            call.contact = nullptr;
            call.field_label.clear();
            RefreshHint hint;
            hint.recent_changed = true;
            hint.recent_index = call.index;
            send(hint);
        }
    }
    m_search->remove(entry->search_slot);

    // The favourites file keeps these rows until the next write; its next load drops them.
    for (size_t row = 0; row < m_favorites.size();) {
        if (m_favorites[row].entry == entry) {
            m_favorites.erase(m_favorites.begin() + static_cast<ptrdiff_t>(row));
            RefreshHint hint;
            hint.favorite_removed = true;
            hint.object_id = object_id;
            hint.favorite_position = static_cast<int32_t>(row);
            send(hint);
        } else {
            ++row;
        }
    }
    auto found = m_by_id.find(object_id);
    if (found != m_by_id.end() && &*found->second == entry) {
        m_entries.erase(found->second);
        m_by_id.erase(found);
    }
    if (m_current_contact == object_id) {
        m_current_contact = 0;
    }

    RefreshHint removed;
    removed.contact_removed = true;
    removed.object_id = object_id;
    send(removed);
}

}  // namespace velvane
