#include "contacts/categories.h"

#include <algorithm>

#include "core/log.h"
#include "contacts/contact_manager.h"
#include "contacts/document.h"
#include "platform/pim_folder.h"
#include "platform/pim_session.h"

namespace velvane {

std::vector<WString> split_categories(WStringView text) {
    std::vector<WString> pieces;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find_first_of(u",;", start);
        WStringView piece = text.substr(start, end == WStringView::npos ? WStringView::npos
                                                                        : end - start);
        if (!piece.empty() && piece.front() == u' ') {
            piece.remove_prefix(1);
        }
        if (end == WStringView::npos) {
            if (!piece.empty()) {
                pieces.emplace_back(piece);
            }
            return pieces;
        }
        pieces.emplace_back(piece);
        start = end + 1;
    }
}

void append_category_list(WStringView folder_value, std::vector<WString>& list) {
    log() << "read_categories() " << folder_value << "\n";
    for (WString& piece : split_categories(folder_value)) {
        list.push_back(std::move(piece));
    }
}

bool has_category(const Contact& contact, WStringView category) {
    for (const ContactField& field : contact.fields) {
        if (field.kind != FieldKind::Categories) {
            continue;
        }
        for (const WString& piece : split_categories(field.value)) {
            if (piece == category) {
                return true;
            }
        }
    }
    return false;
}

bool passes_category(const ContactEntry& entry, WStringView category) {
    return has_category(entry.contact, category);
}

int index_of_category(const std::vector<WString>& list, WStringView name) {
    const auto it = std::find(list.begin(), list.end(), name);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void check_categories(const std::vector<WString>& list, WStringView value,
                      std::vector<bool>& checked) {
    checked.assign(list.size(), false);
    for (const WString& piece : split_categories(value)) {
        log() << "Found category: ---" << piece << "---\n";
        const int index = index_of_category(list, piece);
        if (index >= 0) {
            checked[static_cast<size_t>(index)] = true;
        }
    }
}

WString checked_categories_text(const std::vector<WString>& list,
                                const std::vector<bool>& checked) {
    WString text;
    for (size_t i = 0; i < list.size() && i < checked.size(); ++i) {
        if (!checked[i]) {
            continue;
        }
        if (!text.empty()) {
            text += u", ";
        }
        text += list[i];
    }
    return text;
}

void CategoryEditor::prepare(Document& document, const Contact& contact, int field) {
    m_contact = contact;
    m_original = contact;
    m_field = field >= 0 && static_cast<size_t>(field) < m_contact.fields.size() &&
                      m_contact.fields[static_cast<size_t>(field)].kind == FieldKind::Categories
                  ? field
                  : -1;
    const WString value = m_field >= 0 ? m_contact.fields[static_cast<size_t>(m_field)].value
                                       : WString();
    log() << "Contact categories value = ---" << value << "---\n";
    check_categories(document.categories(), value, document.category_checked());
}

bool CategoryEditor::save(Document& document) {
    const WString text =
        checked_categories_text(document.categories(), document.category_checked());
    if (m_field < 0) {
        m_contact.fields.emplace_back(FieldKind::Categories, text);
        m_field = static_cast<int>(m_contact.fields.size()) - 1;
    } else {
        m_contact.fields[static_cast<size_t>(m_field)].value = text;
    }
    ContactSource* store = document.store();
    const bool saved = store != nullptr && store->save_changes(m_contact, m_original);
    document.read_categories();
    return saved;
}

bool read_folder_categories(ContactManagerImpl2& store, WString& out) {
    out.clear();
    std::unique_ptr<platform::pim::PimFolder> folder;
    if (store.session() == nullptr ||
        store.session()->default_folder(platform::pim::kFolderContacts, folder) != platform::pim::kOk) {
        return false;
    }
    const uint32_t id = property::kFolderCategories;
    std::vector<platform::pim::PropValue> values;
    if (folder->get_props({&id, 1}, values) != platform::pim::kOk || values.size() != 1) {
        return false;
    }
    if (!values[0].missing()) {
        out = values[0].text;
    }
    return true;
}

bool add_folder_categories(ContactManagerImpl2& store, const std::vector<WString>& names) {
    WString list;
    if (!read_folder_categories(store, list)) {
        return false;
    }
    const std::vector<WString> known = split_categories(list);
    std::vector<WString> added;
    for (const WString& name : names) {
        // A name with a separator in it would come back as two names.
        if (name.empty() || name.find_first_of(u",;") != WString::npos ||
            index_of_category(known, name) >= 0 || index_of_category(added, name) >= 0) {
            continue;
        }
        added.push_back(name);
    }
    if (added.empty()) {
        return true;
    }
    for (const WString& name : added) {
        list += list.empty() ? name : u", " + name;
    }
    std::unique_ptr<platform::pim::PimFolder> folder;
    if (store.session()->default_folder(platform::pim::kFolderContacts, folder) != platform::pim::kOk) {
        return false;
    }
    const platform::pim::PropValue value = platform::pim::PropValue::of_text(property::kFolderCategories, list);
    return folder->set_props({&value, 1}) == platform::pim::kOk;
}

}  // namespace velvane
