#include "screens/select_field_form.h"

#include <algorithm>

#include "app/languages.h"
#include "core/log.h"
#include "platform/clock.h"
#include "screens/field_kinds.h"
#include "skin/multinode.h"
#include "skin/text_node.h"

namespace velvane {

namespace {

bool is_address_group(int32_t group) {
    return group == static_cast<int32_t>(FieldGroup::WorkAddressGroup) ||
           group == static_cast<int32_t>(FieldGroup::HomeAddressGroup);
}

// A row of the chooser: a separator, or a kind with its icon, its label and `action`.
class SelectFieldRow : public zentra::VListElement, private zentra::ButtonListener {
public:
    SelectFieldRow(SelectFieldForm& form, const zentra::Properties& properties, int32_t value)
        : m_form(form), m_properties(properties) {
        const WStringView definition = value == kGroupSeparatorRow ? u"GroupSeparatorElement"
                                       : value == kSeparatorRow    ? u"SeparatorElement"
                                                                   : u"SelectFieldFormElement";
        if (!zentra::load_from_skin(*this, properties, definition)) {
            throw zentra::NodeNotFoundInSkin{WString(definition)};
        }
        if (value >= 0) {
            m_big = &find<zentra::TextNode>(u"big");
            m_icons = &find<zentra::MultiNode>(u"icons");
            m_action = &find<zentra::ButtonNode>(u"action");
            m_action->set_listener(this);
        }
    }

    void bind(zentra::VList& list, int flags, int index) override {
        m_list = &list;
        const std::vector<int32_t>& rows = m_form.rows();
        if (m_big == nullptr || index < 0 || static_cast<size_t>(index) >= rows.size()) {
            return;
        }
        const auto kind = static_cast<FieldKind>(rows[static_cast<size_t>(index)]);
        m_big->set_text(text(m_properties, field_kind_key(kind)));
        if ((flags & kBindNew) != 0) {
            m_icons->select_at_once(field_icon_state(kind));
        } else {
            m_icons->select(field_icon_state(kind), false);
        }
    }

    using Node::on_pointer;

private:
    bool on_click(zentra::ButtonNode&, const zentra::ButtonEvent&) override {
        if (const int index = m_list != nullptr ? m_list->item_of(this) : -1; index >= 0) {
            m_form.choose_row(index);
        }
        return true;
    }
    void on_press_changed(zentra::ButtonNode&, const zentra::ButtonEvent&) override {}
    void on_pointer(zentra::ButtonNode&, zentra::Point) override {}

    SelectFieldForm& m_form;
    const zentra::Properties& m_properties;
    zentra::TextNode* m_big = nullptr;
    zentra::MultiNode* m_icons = nullptr;
    zentra::ButtonNode* m_action = nullptr;
    zentra::VList* m_list = nullptr;
};

}  // namespace

std::vector<FieldKind> offered_field_kinds(const Contact* contact, bool phones_only) {
    std::vector<FieldKind> kinds;
    for (int32_t k = 0; k < kStoredKindCount; ++k) {
        const auto kind = static_cast<FieldKind>(k);
        const int32_t group = field_group(kind);
        if (phones_only && group != static_cast<int32_t>(FieldGroup::PhoneGroup)) {
            continue;
        }
        const bool taken =
            contact != nullptr &&
            std::any_of(contact->fields.begin(), contact->fields.end(),
                        [&](const ContactField& field) {
                            return field.kind == kind ||
                                   (is_address_group(group) && field_group(field.kind) == group);
                        });
        if (!taken) {
            kinds.push_back(kind);
        }
    }
    return kinds;
}

std::vector<int32_t> field_kind_rows(const std::vector<FieldKind>& kinds) {
    std::vector<int32_t> rows;
    if (kinds.empty()) {
        return rows;
    }
    rows.push_back(kGroupSeparatorRow);
    rows.push_back(static_cast<int32_t>(kinds.front()));
    for (size_t i = 1; i < kinds.size(); ++i) {
        const int32_t group = field_group(kinds[i]);
        const bool same = group == field_group(kinds[i - 1]);
        if (same && is_address_group(group)) {
            // One row per address: the row of its first part.
            continue;
        }
        rows.push_back(same ? kSeparatorRow : kGroupSeparatorRow);
        rows.push_back(static_cast<int32_t>(kinds[i]));
    }
    rows.push_back(kGroupSeparatorRow);
    return rows;
}

SelectFieldForm::SelectFieldForm(zentra::Properties& properties)
    : ContactEditorForm(properties, u"SelectFieldForm") {
    bind();
}

SelectFieldForm::~SelectFieldForm() {
    if (m_list != nullptr) {
        m_list->set_adapter(nullptr);
    }
}

void SelectFieldForm::bind_nodes() {
    m_list = &find<zentra::VList>(u"List");
    m_list->set_adapter(this);
    m_list->reset(static_cast<int>(m_rows.size()));
}

void SelectFieldForm::unbind_nodes() {
    if (m_list != nullptr) {
        m_list->set_adapter(nullptr);
        m_list = nullptr;
    }
}

void SelectFieldForm::open(uint32_t object_id, FieldKindListener& listener, bool phones_only) {
    m_object_id = object_id;
    m_listener = &listener;
    m_phones_only = phones_only;
    const Contact* contact = nullptr;
    if (object_id != 0) {
        Document* document = Document::get_instance();
        const ContactEntry* entry = document != nullptr ? document->find_entry(object_id) : nullptr;
        contact = entry != nullptr ? &entry->contact : nullptr;
    }
    m_rows = field_kind_rows(offered_field_kinds(contact, phones_only));
    m_list->reset(static_cast<int>(m_rows.size()));
    cancel_button().set_visible(true);
    show();
}

void SelectFieldForm::choose_phone_kind(uint32_t object_id, FieldKindListener& listener) {
    open(object_id, listener, true);
}

void SelectFieldForm::choose_row(int index) {
    if (!is_open() || index < 0 || static_cast<size_t>(index) >= m_rows.size() ||
        m_rows[static_cast<size_t>(index)] < 0 || m_listener == nullptr) {
        return;
    }
    const auto kind = static_cast<FieldKind>(m_rows[static_cast<size_t>(index)]);
    FieldKindListener* listener = m_listener;
    const uint32_t object_id = m_object_id;
    m_object_id = 0;
    m_listener = nullptr;
    close();
    listener->on_field_kind_chosen(object_id, kind);
}

void SelectFieldForm::leave() {
    m_object_id = 0;
    m_listener = nullptr;
    close();
}

void SelectFieldForm::on_item_click(zentra::VList&, int index) {
    choose_row(index);
}

std::unique_ptr<zentra::VListElement> SelectFieldForm::create_element(zentra::VList&, int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_rows.size()) {
        return nullptr;
    }
    return std::make_unique<SelectFieldRow>(*this, properties(),
                                            m_rows[static_cast<size_t>(index)]);
}

void SelectFieldForm::on_stored_contact(const Contact& stored) {
    const uint32_t start = platform::tick_count();
    log() << "SelectFieldForm::on_document_refresh() - 1\n";
    update_rows(field_kind_rows(offered_field_kinds(&stored, m_phones_only)));
    log() << "SelectFieldForm::on_document_refresh() - 2 = " << (platform::tick_count() - start)
          << "\n";
}

void SelectFieldForm::update_rows(const std::vector<int32_t>& rows) {
    // The longest run of rows both lists share stays; the others go or come one at a time,
    // so the rows in view keep their place.
    const size_t n = m_rows.size();
    const size_t m = rows.size();
    std::vector<std::vector<uint16_t>> common(n + 1, std::vector<uint16_t>(m + 1, 0));
    for (size_t i = n; i-- > 0;) {
        for (size_t j = m; j-- > 0;) {
            common[i][j] = m_rows[i] == rows[j] ? static_cast<uint16_t>(common[i + 1][j + 1] + 1)
                                                : std::max(common[i + 1][j], common[i][j + 1]);
        }
    }
    const std::vector<int32_t> old = m_rows;
    size_t i = 0;
    size_t j = 0;
    size_t at = 0;
    while (i < n || j < m) {
        if (i < n && j < m && old[i] == rows[j]) {
            ++i;
            ++j;
            ++at;
        } else if (j == m || (i < n && common[i + 1][j] >= common[i][j + 1])) {
            m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(at));
            m_list->item_removed(static_cast<int>(at));
            ++i;
        } else {
            m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(at), rows[j]);
            m_list->item_inserted(static_cast<int>(at));
            ++j;
            ++at;
        }
    }
}

}  // namespace velvane
