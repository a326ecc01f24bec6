// The number index: the number key of every phone field to its contact.

#include "contacts/document.h"

namespace velvane {

void Document::add_numbers(ContactEntry& entry) {
    const auto& fields = entry.contact.fields;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (!is_phone(fields[i].kind)) {
            continue;
        }
        WString key = number_key(fields[i].value);
        // A number without digits has an empty key; it would make every other digitless
        // text (a withheld caller) look like this contact's number.
        if (!key.empty()) {
            m_numbers.emplace(std::move(key), NumberIndexItem{&entry, i});
        }
    }
}

void Document::remove_numbers(ContactEntry& entry) {
    for (const ContactField& field : entry.contact.fields) {
        if (!is_phone(field.kind)) {
            continue;
        }
        auto [it, end] = m_numbers.equal_range(number_key(field.value));
        for (; it != end; ++it) {
            if (it->second.entry == &entry) {
                m_numbers.erase(it);
                break;
            }
        }
    }
}

const NumberIndexItem* Document::find_number(WStringView number) const {
    const WString key = number_key(number);
    if (key.empty()) {
        return nullptr;
    }
    // lower_bound: the first item with the key, as the index was filled.
    auto it = m_numbers.lower_bound(key);
    if (it != m_numbers.end() && it->first != key) {
        it = m_numbers.end();
    }
    return it == m_numbers.end() ? nullptr : &it->second;
}

ContactEntry* Document::find_by_number(WStringView number) {
    const NumberIndexItem* item = find_number(number);
    return item ? item->entry : nullptr;
}

}  // namespace velvane
