// Sort keys and the three orders of the full list.

#include <algorithm>

#include "core/invariant.h"
#include "core/registry.h"
#include "contacts/collation.h"
#include "contacts/document.h"
#include "contacts/document_search.h"
#include "platform/case_map.h"

namespace velvane {

void Document::compute_keys(ContactEntry& entry) const {
    const Contact& c = entry.contact;
    entry.first_key.clear();
    entry.last_key.clear();
    entry.company_key.clear();
    if (!c.first_name.empty()) {
        entry.first_key = platform::to_lower(c.first_name);
        entry.last_key = platform::to_lower(c.last_name);
        entry.company_key = platform::to_lower(c.company);
    } else if (!c.last_name.empty()) {
        entry.first_key = platform::to_lower(c.last_name);
        entry.last_key = entry.first_key;
        entry.company_key = platform::to_lower(c.company);
    } else if (!c.company.empty()) {
        entry.first_key = platform::to_lower(c.company);
        entry.last_key = entry.first_key;
        entry.company_key = entry.first_key;
    } else {
        return;
    }
    if (c.last_name.empty()) {
        entry.last_key = entry.first_key;
    }
    // A contact without a company sorts among companies by its whole name.
    if (c.company.empty()) {
        entry.company_key = entry.first_key + entry.last_key;
    }
}

bool Document::less(const ContactEntry* a, const ContactEntry* b) const {
    const WString* ka[3];
    const WString* kb[3];
    switch (m_sorting) {
        case SortByFirstname:
            ka[0] = &a->first_key, ka[1] = &a->last_key, ka[2] = &a->company_key;
            kb[0] = &b->first_key, kb[1] = &b->last_key, kb[2] = &b->company_key;
            break;
        case SortByCompany:
            ka[0] = &a->company_key, ka[1] = &a->last_key, ka[2] = &a->first_key;
            kb[0] = &b->company_key, kb[1] = &b->last_key, kb[2] = &b->first_key;
            break;
        default:
            ka[0] = &a->last_key, ka[1] = &a->first_key, ka[2] = &a->company_key;
            kb[0] = &b->last_key, kb[1] = &b->first_key, kb[2] = &b->company_key;
            break;
    }
    for (int i = 0; i < 3; ++i) {
        const int d = collate(*ka[i], *kb[i]);
        if (d != 0) {
            return d < 0;
        }
    }
    return a->contact.object_id < b->contact.object_id;
}

size_t Document::sorted_position(const std::vector<ContactEntry*>& list,
                                 const ContactEntry* e) const {
    auto it = std::lower_bound(list.begin(), list.end(), e,
                               [this](const ContactEntry* x, const ContactEntry* y) {
                                   return less(x, y);
                               });
    return static_cast<size_t>(it - list.begin());
}

int32_t Document::position_in(const std::vector<ContactEntry*>& list,
                              const ContactEntry* e) const {
    // The lists are kept in the current order, so the entry sits where its keys say; two
    // entries with equal keys and ids are impossible, but a linear look keeps this exact
    // whatever happens.
    const size_t guess = sorted_position(list, e);
    if (guess < list.size() && list[guess] == e) {
        return static_cast<int32_t>(guess);
    }
    auto it = std::find(list.begin(), list.end(), e);
    return it == list.end() ? -1 : static_cast<int32_t>(it - list.begin());
}

void Document::sort_full_list() {
    std::sort(m_full.begin(), m_full.end(),
              [this](const ContactEntry* a, const ContactEntry* b) { return less(a, b); });
    m_full_slots.resize(m_full.size());
    for (size_t i = 0; i < m_full.size(); ++i) {
        m_full_slots[i] = m_full[i]->search_slot;
    }
}

void Document::full_insert(size_t position, ContactEntry* entry) {
    // A listed contact always has its search slot, which the filter reads in its place.
    VELVANE_ASSERT(position <= m_full.size() && m_search->live(entry->search_slot));
    m_full.insert(m_full.begin() + static_cast<ptrdiff_t>(position), entry);
    m_full_slots.insert(m_full_slots.begin() + static_cast<ptrdiff_t>(position),
                        entry->search_slot);
}

void Document::full_erase(size_t position) {
    VELVANE_ASSERT(position < m_full.size() && m_full_slots.size() == m_full.size());
    m_full.erase(m_full.begin() + static_cast<ptrdiff_t>(position));
    m_full_slots.erase(m_full_slots.begin() + static_cast<ptrdiff_t>(position));
}

void Document::set_sorting(int32_t order) {
    if (order < SortByFirstname || order > SortByCompany) {
        log() << u"Document::set_sorting() unknown order " << order << u"\n";
        return;
    }
    m_sorting = order;
    sort_full_list();
    rebuild_filtered();
    write_dword(kRegistryPath, u"Sorting", static_cast<uint32_t>(order));
    send_flag(&RefreshHint::is_sorting);
}

WString Document::index_letter(const ContactEntry& entry) const {
    const WString* key = &entry.last_key;
    if (m_sorting == SortByFirstname) {
        key = &entry.first_key;
    } else if (m_sorting == SortByCompany) {
        key = &entry.company_key;
    }
    if (key->empty()) {
        return WString();
    }
    return WString(1, platform::to_upper((*key)[0]));
}

}  // namespace velvane
