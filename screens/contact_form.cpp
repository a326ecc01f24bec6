#include "screens/contact_form.h"

#include <algorithm>

#include "app/handovers.h"
#include "app/skin_rebind.h"
#include "contacts/favorites.h"
#include "core/keys.h"
#include "core/log.h"
#include "platform/clock.h"
#include "screens/contact_rows.h"
#include "skin/form_host.h"
#include "skin/vlist.h"

namespace velvane {

namespace {

zentra::MenuItem item(WStringView key, WStringView row_style = {}) {
    zentra::MenuItem made;
    made.key = WString(key);
    made.row_style = WString(row_style);
    return made;
}

// Nothing that a contact is known by: no name and no value in any field.
bool is_blank(const Contact& contact) {
    return contact.first_name.empty() && contact.last_name.empty() && contact.company.empty() &&
           std::all_of(contact.fields.begin(), contact.fields.end(),
                       [](const ContactField& field) { return field.value.empty(); });
}

}  // namespace

ContactForm::ContactForm(zentra::Properties& properties, CallNumber call_number)
    : m_properties(properties),
      m_call_number(std::move(call_number)),
      m_select_field(properties),
      m_edit_field(properties),
      m_edit_date(properties),
      m_edit_categories(properties),
      m_edit_header(properties),
      m_edit_address(properties) {
    bind();
    m_properties.add_reload_listener(this);
}

ContactForm::~ContactForm() {
    m_properties.remove_reload_listener(this);
    if (zentra::FormHost* host = zentra::FormHost::instance()) {
        if (m_menu) {
            host->remove_modal_form(*m_menu, false);
        }
        host->remove_modal_form(*this, false);
    }
    if (m_list != nullptr) {
        m_list->set_adapter(nullptr);
    }
}

ContactSource* ContactForm::store() const {
    Document* doc = document();
    return doc != nullptr ? doc->store() : nullptr;
}

void ContactForm::bind() {
    const bool edit = m_edit_mode != nullptr && m_edit_mode->current() == 1;
    if (m_menu) {
        if (zentra::FormHost* host = zentra::FormHost::instance()) {
            host->remove_modal_form(*m_menu, false);
        }
        m_menu.reset();
    }
    if (m_list != nullptr) {
        m_list->set_adapter(nullptr);
    }
    load_definition(m_properties, u"ContactForm");
    m_cancel = &find<zentra::ButtonNode>(u"cancel");
    m_padding = &find(u"padding");
    m_standart = &find<zentra::ButtonNode>(u"standart");
    m_edit_mode = &find<zentra::MultiNode>(u"edit_mode");
    m_list = &find<zentra::VList>(u"List");
    // Rows are made while the list draws, where a skin error would reach no one; made once
    // here, a missing row definition stops the binding instead.
    ContactHeadRow head(*this, m_properties);
    ContactFieldRow field(*this, m_properties);
    CardSeparatorRow group(*this, m_properties, u"GroupSeparatorElement");
    CardSeparatorRow separator(*this, m_properties, u"SeparatorElement");
    ContactButtonsRow buttons(*this, m_properties);
    m_menu = std::make_unique<zentra::Menu>(m_properties, u"Menu", *this, u"MenuElement");

    m_cancel->set_listener(this);
    m_standart->set_listener(this);
    m_edit_mode->select_at_once(edit ? 1 : 0);
    m_edit_mode->set_listener(this);
    m_cancel->set_visible_at_once(!edit);
    m_padding->set_visible_at_once(edit);
    m_list->set_adapter(this);
    m_list->reset(static_cast<int>(m_rows.size()));
    m_confirm_row = -1;
    m_photo_stale = true;
}

void ContactForm::on_reload_skin(zentra::Properties& properties) {
    rebind_after_reload(properties, u"ContactForm", [this] { bind(); });
}

int32_t ContactForm::row_value(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_rows.size()) {
        return kNoRow;
    }
    return m_rows[static_cast<size_t>(index)];
}

bool ContactForm::edit_mode() const {
    return m_edit_mode != nullptr && m_edit_mode->current() == 1;
}

// Showing and leaving

void ContactForm::show(const Contact& contact, bool edit) {
    log() << "ContactForm::show\n";
    m_contact = contact;
    sort_fields_by_kind(m_contact.fields);
    m_favorite_codes.clear();
    if (Document* doc = document()) {
        if (const ContactEntry* entry = doc->find_entry(contact.object_id)) {
            m_favorite_codes = entry->favorite_codes;
        }
        doc->set_current_contact(contact.object_id);
    }
    m_new = edit;
    m_confirm_row = -1;
    m_photo_stale = true;
    m_edit_mode->select_at_once(edit ? 1 : 0);
    m_cancel->set_visible_at_once(!edit);
    m_padding->set_visible_at_once(edit);
    m_rows = build_contact_rows(m_contact.fields, edit);
    m_list->reset(static_cast<int>(m_rows.size()));
    if (zentra::FormHost* host = zentra::FormHost::instance()) {
        // Shown again while open: to the top, not a second entry.
        host->remove_modal_form(*this, false);
        host->add_modal_form(*this, false, true);
    }
}

void ContactForm::close() {
    if (zentra::FormHost* host = zentra::FormHost::instance()) {
        host->remove_modal_form(*this, true);
    }
}

void ContactForm::cancel() {
    const uint32_t start = platform::tick_count();
    close();
    log() << "ContactForm::on_click_broadcast cancel "
          << static_cast<int>(platform::tick_count() - start) << "\n";
    if (m_new && is_blank(m_contact) && !has_photo()) {
        if (ContactSource* source = store(); source != nullptr && m_contact.object_id != 0) {
            log() << "ContactForm::cancel the new contact is empty and goes again\n";
            source->remove(m_contact.object_id);
        }
    }
    m_new = false;
}

bool ContactForm::on_form_key(const zentra::KeyEvent& event) {
    log() << "ContactForm::on_key()\n";
    if (event.key != key::Left) {
        return Form::on_key(event);
    }
    // The release only counts after a press seen here: a Left that closed an editor above
    // does not close the card as well.
    if (event.down) {
        m_cancel->set_pressed_by_code(true);
    } else if (m_cancel->pressed_by_code()) {
        m_cancel->set_pressed_by_code(false);
        cancel();
    }
    return true;
}

bool ContactForm::on_click(zentra::ButtonNode& button, const zentra::ButtonEvent&) {
    if (&button == m_cancel) {
        cancel();
        return true;
    }
    if (&button == m_standart) {
        open_standard_program();
        return true;
    }
    return false;
}

void ContactForm::open_standard_program() {
    open_contacts_program(m_contact.object_id, edit_mode());
}

// Modes

void ContactForm::on_select(zentra::MultiNode& node, bool by_user) {
    if (&node == m_edit_mode && by_user) {
        apply_mode(node.current() == 1, true);
    }
}

void ContactForm::set_edit_mode(bool edit) {
    if (edit_mode() != edit) {
        m_edit_mode->select(edit ? 1 : 0, false);
        apply_mode(edit, true);
    }
}

void ContactForm::apply_mode(bool edit, bool animate) {
    show_node(*m_cancel, !edit, animate);
    show_node(*m_padding, edit, animate);
    m_confirm_row = -1;
    // The field rows stay; the edit buttons and their separator come or go at the end.
    move_rows_to_build(m_rows);
    refresh_all_rows();
}

void ContactForm::refresh_all_rows() {
    m_list->all_items_changed();
}

void ContactForm::refresh_head() {
    m_photo_stale = true;
    m_list->item_changed(0);
}

// The list

std::unique_ptr<zentra::VListElement> ContactForm::create_element(zentra::VList&, int index) {
    const int32_t value = row_value(index);
    switch (value) {
        case kNoRow:
            return nullptr;
        case kCardHead:
            return std::make_unique<ContactHeadRow>(*this, m_properties);
        case kCardGroupSeparator:
            return std::make_unique<CardSeparatorRow>(*this, m_properties,
                                                      u"GroupSeparatorElement");
        case kCardSeparator: {
            // After an address row, each separator stands for one more part of that address.
            int before = index - 1;
            while (row_value(before) == kCardSeparator) {
                --before;
            }
            const int32_t field = row_value(before);
            const bool merged_part = field >= 0 &&
                                     static_cast<size_t>(field) < m_contact.fields.size() &&
                                     is_address_group(group_of(m_contact.fields[field].kind));
            return std::make_unique<CardSeparatorRow>(*this, m_properties, u"SeparatorElement",
                                                      merged_part);
        }
        case kCardEditButtons:
            return std::make_unique<ContactButtonsRow>(*this, m_properties);
        default:
            return std::make_unique<ContactFieldRow>(*this, m_properties);
    }
}

void ContactForm::on_item_click(zentra::VList&, int index) {
    // Only field rows act; the head, the separators and the buttons row have their buttons.
    if (row_value(index) >= 0) {
        field_action(index);
    }
}

void ContactForm::field_action(int index) {
    const int32_t value = row_value(index);
    if (value < 0 || static_cast<size_t>(value) >= m_contact.fields.size()) {
        return;
    }
    const size_t at = static_cast<size_t>(value);
    const ContactField& field = m_contact.fields[at];
    const FieldGroup group = group_of(field.kind);
    if (!edit_mode()) {
        switch (group) {
            case FieldGroup::PhoneGroup:
                if (m_call_number) {
                    m_call_number(field.value);
                } else {
                    log() << "ContactForm::field_action no phone to call " << field.value << "\n";
                }
                break;
            case FieldGroup::EmailGroup:
                send_mail(field.value);
                break;
            case FieldGroup::WebGroup:
                open_web_page(field.value);
                break;
            default:
                break;
        }
        return;
    }
    if (field.kind == FieldKind::Birthday) {
        m_edit_date.open(m_contact, at);
    } else if (field.kind == FieldKind::Categories) {
        m_edit_categories.open(m_contact, at);
    } else if (is_address_group(group)) {
        Contact copy = m_contact;
        complete_address(copy.fields, group);
        m_edit_address.open(copy, group == FieldGroup::HomeAddressGroup);
    } else {
        m_edit_field.open(m_contact, at);
    }
}

void ContactForm::row_button(int index, CardButton which) {
    switch (which) {
        case CardButton::Action:
            field_action(index);
            break;
        case CardButton::Sms:
            if (const int32_t value = row_value(index);
                value >= 0 && static_cast<size_t>(value) < m_contact.fields.size()) {
                send_chat(m_contact.fields[static_cast<size_t>(value)].value);
            }
            break;
        case CardButton::Remove:
            show_confirm(index);
            break;
        case CardButton::ConfirmRemove:
            remove_field_value(index);
            break;
        case CardButton::Favorite:
            toggle_favorite(index);
            break;
        case CardButton::NewField:
            m_select_field.open(m_contact.object_id, *this, false);
            break;
        case CardButton::DeleteContact:
            m_menu->open_by_name(u"ConfirDeleteContact", {}, true);
            break;
        case CardButton::ChoosePhoto:
            m_menu->open_by_name(u"EditPhoto", {}, true);
            break;
        case CardButton::RemovePhoto:
            if (ContactSource* source = store()) {
                source->clear_picture(m_contact.object_id);
            }
            drop_cached_photo();
            refresh_head();
            break;
        case CardButton::EditHeader:
            m_edit_header.open(m_contact);
            break;
    }
}

void ContactForm::show_confirm(int index) {
    if (row_value(index) < 0) {
        return;
    }
    const int previous = m_confirm_row;
    m_confirm_row = index;
    if (previous >= 0 && previous != index) {
        m_list->item_changed(previous);
    }
    m_list->item_changed(index);
}

void ContactForm::remove_field_value(int index) {
    const int32_t value = row_value(index);
    if (value < 0 || static_cast<size_t>(value) >= m_contact.fields.size()) {
        return;
    }
    // An empty value deletes the stored property; an address goes with all its parts.
    Contact copy = m_contact;
    size_t at = static_cast<size_t>(value);
    copy.fields[at].value.clear();
    while (at + 1 < copy.fields.size() && merges_into_previous(copy.fields[at], copy.fields[at + 1])) {
        ++at;
        copy.fields[at].value.clear();
    }
    if (ContactSource* source = store(); source == nullptr || !source->save_changes(copy, m_contact)) {
        log() << "ContactForm::remove_field_value the contact could not be saved\n";
    }
    m_confirm_row = -1;
    m_list->item_changed(index);
}

void ContactForm::toggle_favorite(int index) {
    const int32_t value = row_value(index);
    Document* doc = document();
    if (doc == nullptr || value < 0 || static_cast<size_t>(value) >= m_contact.fields.size()) {
        return;
    }
    const int32_t kind = static_cast<int32_t>(m_contact.fields[static_cast<size_t>(value)].kind);
    if (std::find(m_favorite_codes.begin(), m_favorite_codes.end(), kind) !=
        m_favorite_codes.end()) {
        remove_favorite(*doc, m_contact.object_id, kind);
    } else {
        add_favorite(*doc, m_contact.object_id, kind);
    }
    // The Document's notice refreshes the rows; without one the star shows the codes again.
    m_list->item_changed(index);
}

void ContactForm::on_field_kind_chosen(uint32_t object_id, FieldKind kind) {
    if (object_id == m_contact.object_id) {
        on_contact_field_selected(kind);
    }
}

void ContactForm::on_contact_field_selected(FieldKind kind) {
    Contact copy = m_contact;
    const FieldGroup group = group_of(kind);
    if (is_address_group(group)) {
        const int32_t first = static_cast<int32_t>(first_address_kind(group));
        for (int32_t part = first; part < first + 5; ++part) {
            copy.fields.emplace_back(static_cast<FieldKind>(part), u"");
        }
        m_edit_address.open(copy, group == FieldGroup::HomeAddressGroup);
        return;
    }
    copy.fields.emplace_back(kind, u"");
    for (const ContactField& field : copy.fields) {
        log() << "ContactForm::on_contact_field_selected " << kind_name(field.kind) << "\n";
    }
    const size_t last = copy.fields.size() - 1;
    if (kind == FieldKind::Birthday) {
        m_edit_date.open(copy, last);
    } else if (kind == FieldKind::Categories) {
        m_edit_categories.open(copy, last);
    } else {
        m_edit_field.open(copy, last);
    }
}

void ContactForm::drop_cached_photo() {
    // The favourites show the framed picture they cached; the next one is made from the store.
    if (Document* doc = document()) {
        doc->photo_cache().drop(m_contact.object_id);
    }
}

const zentra::ImageRef& ContactForm::photo(int width, int height) {
    if (m_photo_stale || width != m_photo_width || height != m_photo_height) {
        m_photo_stale = false;
        m_photo_width = width;
        m_photo_height = height;
        ContactSource* source = store();
        m_contact.picture = source != nullptr && m_contact.object_id != 0 && width > 0 && height > 0
                                ? source->picture(m_contact.object_id, width, height)
                                : zentra::ImageRef{};
    }
    return m_contact.picture;
}

// The menu

std::vector<zentra::MenuItem> ContactForm::menu_items(zentra::Menu&, WStringView name) {
    ContactSource* source = store();
    const uint32_t id = m_contact.object_id;
    if (name == u"ConfirDeleteContact") {
        return {item(u"ReallyDelete", u"MenuElementRed"), item(u"Cancel")};
    }
    if (name == u"ReallyDelete") {
        // The card closes when the Document reports the deletion.
        if (source == nullptr || !source->remove(id)) {
            log() << "ContactForm ReallyDelete the contact could not be deleted " << id << "\n";
        }
        return {};
    }
    if (name == u"EditPhoto" && has_photo()) {
        return {item(u"ChoosePhoto"), item(u"RemovePhoto", u"MenuElementRed"), item(u"Cancel")};
    }
    if (name == u"EditPhoto" || name == u"ChoosePhoto") {
        if (source != nullptr) {
            source->choose_and_set_picture(id);
        }
        drop_cached_photo();
        refresh_head();
        return {};
    }
    if (name == u"RemovePhoto") {
        if (source != nullptr) {
            source->clear_picture(id);
        }
        drop_cached_photo();
        refresh_head();
        return {};
    }
    return {};
}

// Following the stored contact

void ContactForm::on_document_refresh(const RefreshHint& hint) {
    if (m_contact.object_id == 0 || hint.object_id != m_contact.object_id) {
        return;
    }
    Document* doc = document();
    if (doc == nullptr) {
        return;
    }
    if (hint.contact_removed) {
        m_new = false;
        close();
        return;
    }
    if (!hint.contact_changed && !hint.favorite_added && !hint.favorite_removed) {
        return;
    }
    const ContactEntry* entry = doc->find_entry(m_contact.object_id);
    if (entry == nullptr) {
        return;
    }
    if (hint.contact_changed) {
        follow_stored(*entry);
    } else {
        m_favorite_codes = entry->favorite_codes;
        refresh_all_rows();
    }
}

void ContactForm::follow_stored(const ContactEntry& entry) {
    std::vector<ContactField> stored = entry.contact.fields;
    sort_fields_by_kind(stored);
    std::vector<ContactField>& shown = m_contact.fields;
    m_confirm_row = -1;
    size_t i = 0;
    size_t j = 0;
    while (i < shown.size() || j < stored.size()) {
        if (i >= shown.size()) {
            insert_field(i++, stored[j++]);
        } else if (j >= stored.size()) {
            erase_field(i);
        } else if (shown[i].kind == stored[j].kind) {
            if (shown[i].value != stored[j].value) {
                shown[i].value = stored[j].value;
            }
            ++i;
            ++j;
        } else if (shown.size() < stored.size()) {
            insert_field(i++, stored[j++]);
        } else {
            erase_field(i);
        }
    }
    m_contact.first_name = entry.contact.first_name;
    m_contact.last_name = entry.contact.last_name;
    m_contact.company = entry.contact.company;
    // A new picture is saved as a change of the contact.
    m_photo_stale = true;
    refresh_all_rows();
}

void ContactForm::insert_field(size_t at, const ContactField& field) {
    log() << "ContactForm::insert_cheat_field " << kind_name(field.kind) << "\n";
    std::vector<int32_t> from = shift_for_insert(m_rows, static_cast<int32_t>(at));
    m_contact.fields.insert(m_contact.fields.begin() + static_cast<std::ptrdiff_t>(at), field);
    move_rows_to_build(std::move(from));
}

void ContactForm::erase_field(size_t at) {
    log() << "ContactForm::erase_cheat_field\n";
    std::vector<int32_t> from = shift_for_erase(m_rows, static_cast<int32_t>(at));
    m_contact.fields.erase(m_contact.fields.begin() + static_cast<std::ptrdiff_t>(at));
    move_rows_to_build(std::move(from));
}

void ContactForm::move_rows_to_build(std::vector<int32_t> from) {
    m_rows = std::move(from);
    const std::vector<int32_t> to = build_contact_rows(m_contact.fields, edit_mode());
    // The rows change before the list hears of it: an inserted row is made and bound at once.
    for (const RowStep& step : row_steps(m_rows, to)) {
        const auto at = m_rows.begin() + step.at;
        switch (step.kind) {
            case RowStep::Remove:
                m_rows.erase(at);
                m_list->item_removed(step.at);
                break;
            case RowStep::Insert:
                m_rows.insert(at, step.value);
                m_list->item_inserted(step.at);
                break;
            case RowStep::Change:
                *at = step.value;
                m_list->item_changed(step.at);
                break;
        }
    }
}

}  // namespace velvane
