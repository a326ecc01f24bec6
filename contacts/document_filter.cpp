// Filter words, keypad matching and the category filter.

#include <algorithm>

#include "contacts/document.h"
#include "contacts/document_search.h"
#include "core/invariant.h"
#include "platform/case_map.h"
#include "platform/clock.h"

namespace velvane {

void Document::set_filter_string(WStringView text) {
    if (text.empty() && m_words.empty()) {
        return;
    }
    m_words.clear();
    size_t i = 0;
    while (i < text.size()) {
        const size_t space = text.find(u' ', i);
        const size_t end = space == WStringView::npos ? text.size() : space;
        if (end > i) {
            m_words.push_back(platform::to_lower(text.substr(i, end - i)));
        }
        i = end + 1;
    }
    std::stable_sort(m_words.begin(), m_words.end(),
                     [](const WString& a, const WString& b) { return a.size() > b.size(); });
    *m_query = m_search->compile(m_words, m_keypad);
    rebuild_filtered();
    RefreshHint hint;
    hint.filtered_reset = true;
    hint.filtered_position = static_cast<int32_t>(m_filtered.size());
    send(hint);
}

void Document::rebuild_filtered() {
    if (m_words.empty()) {
        m_filtered = m_full;
        return;
    }
    std::vector<uint64_t> bits;
    m_search->scan(*m_query, bits);
    // The slots stand in for the full list, and the scan's bits cover every slot.
    VELVANE_ASSERT(m_full_slots.size() == m_full.size());
    VELVANE_ASSERT(bits.size() * 64 >= m_search->slot_count());
    m_filtered.clear();
    for (size_t i = 0; i < m_full.size(); ++i) {
        const uint32_t slot = m_full_slots[i];
        VELVANE_ASSERT(slot < m_search->slot_count());
        if (bits[slot / 64] >> (slot % 64) & 1) {
            m_filtered.push_back(m_full[i]);
        }
    }
}

bool Document::matches(const ContactEntry& entry, MatchLengths* lengths) const {
    return m_search->match(entry.search_slot, *m_query, lengths);
}

void Document::set_filtered_contacts() {
    const uint32_t start = platform::tick_count();
    rebuild_filtered();
    log() << u"Document::set_filtered_contacts() time1 = " << (platform::tick_count() - start)
          << u"\n";
    send_flag(&RefreshHint::is_sorting);
    log() << u"Document::set_filtered_contacts() time2 = " << (platform::tick_count() - start)
          << u"\n";
}

void Document::set_category(WStringView name) {
    if (!name.empty()) {
        m_category_filter = WString(name);
    }
    if (m_category_filter == kNoCategory || !m_services.passes_category) {
        m_filtered = m_full;
    } else {
        m_filtered.clear();
        for (ContactEntry* entry : m_full) {
            if (m_services.passes_category(*entry, m_category_filter)) {
                m_filtered.push_back(entry);
            }
        }
    }
    send_flag(&RefreshHint::is_sorting);
}

}  // namespace velvane
