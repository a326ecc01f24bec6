// The number index: the number key of every phone field to its contact.

#include "contacts/document.h"

namespace velvane {

namespace {

// A key of at most seven digits as one number; the length is kept so that "0123" and "123"
// stay apart. 0 for an empty key.
uint32_t number_index_key(WStringView key) {
    uint32_t value = 0;
    for (char16_t c : key) {
        value = value * 10 + static_cast<uint32_t>(c - u'0');
    }
    return key.empty() ? 0 : static_cast<uint32_t>(key.size()) * 10000000u + value;
}

}  // namespace

void Document::add_numbers(ContactEntry& entry) {
    const auto& fields = entry.contact.fields;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (!is_phone(fields[i].kind)) {
            continue;
        }
        // A number without digits has an empty key; it would make every other digitless
        // text (a withheld caller) look like this contact's number.
        const uint32_t key = number_index_key(number_key(fields[i].value));
        if (key != 0) {
            m_numbers.emplace(key, IndexedNumber{NumberIndexItem{&entry, i}, m_number_order++});
        }
    }
}

void Document::remove_numbers(ContactEntry& entry) {
    for (const ContactField& field : entry.contact.fields) {
        if (!is_phone(field.kind)) {
            continue;
        }
        auto [it, end] = m_numbers.equal_range(number_index_key(number_key(field.value)));
        for (; it != end; ++it) {
            if (it->second.item.entry == &entry) {
                m_numbers.erase(it);
                break;
            }
        }
    }
}

const NumberIndexItem* Document::find_number(WStringView number) const {
    const uint32_t key = number_index_key(number_key(number));
    if (key == 0) {
        return nullptr;
    }
    const IndexedNumber* first = nullptr;
    auto [it, end] = m_numbers.equal_range(key);
    for (; it != end; ++it) {
        if (first == nullptr || it->second.order < first->order) {
            first = &it->second;
        }
    }
    return first ? &first->item : nullptr;
}

ContactEntry* Document::find_by_number(WStringView number) {
    const NumberIndexItem* item = find_number(number);
    return item ? item->entry : nullptr;
}

}  // namespace velvane
