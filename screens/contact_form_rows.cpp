#include "screens/contact_form_rows.h"

#include <algorithm>

#include "platform/locale.h"
#include "screens/contact_form.h"
#include "screens/contact_rows.h"
#include "screens/date_time_count.h"
#include "screens/field_kinds.h"
#include "skin/form_host.h"
#include "skin/image_node.h"
#include "skin/properties.h"
#include "skin/vlist.h"

namespace velvane {

namespace {

void show_text(zentra::Node& node, WStringView text) {
    node.set_text(node.name(), text);
}

void show_state(zentra::MultiNode& node, int state, bool animate) {
    if (animate) {
        node.select(state, false);
    } else {
        node.select_at_once(state);
    }
}

// A birthday as the user writes dates; the stored text when it holds no date.
WString date_text(const WString& value) {
    const std::optional<int64_t> count = parse_date_time_count(value);
    if (!count) {
        return value;
    }
    static const platform::DateLocale locale = platform::DateLocale::from_environment();
    const zentra::ChosenDate date = date_of_count(*count);
    return locale.long_date({date.year, date.month, date.day});
}

WString big_text(const ContactForm& card, const std::vector<ContactField>& fields, size_t at) {
    const ContactField& field = fields[at];
    if (field.kind == FieldKind::Birthday) {
        return date_text(field.value);
    }
    if (field.kind == FieldKind::Categories) {
        return field.value.empty() ? card.properties().translate(Document::kNoCategory)
                                   : field.value;
    }
    if (is_address_group(group_of(field.kind))) {
        return joined_address(fields, at);
    }
    return field.value;
}

}  // namespace

void show_node(zentra::Node& node, bool shown, bool animate) {
    if (animate) {
        node.set_visible(shown);
    } else {
        node.set_visible_at_once(shown);
    }
}

// Rows

ContactCardRow::ContactCardRow(ContactForm& card, const zentra::Properties& properties,
                               WStringView definition)
    : m_card(card) {
    if (!zentra::load_from_skin(*this, properties, definition)) {
        throw zentra::NodeNotFoundInSkin{WString(definition)};
    }
}

zentra::ButtonNode& ContactCardRow::bind_button(WStringView name, CardButton which) {
    auto& button = find<zentra::ButtonNode>(name);
    button.set_listener(this);
    m_buttons.emplace_back(&button, which);
    return button;
}

bool ContactCardRow::on_click(zentra::ButtonNode& button, const zentra::ButtonEvent&) {
    for (const auto& [node, which] : m_buttons) {
        if (node == &button) {
            const int index = current_index();
            if (index >= 0) {
                m_card.row_button(index, which);
            }
            return true;
        }
    }
    return false;
}

// The head

ContactHeadRow::ContactHeadRow(ContactForm& card, const zentra::Properties& properties)
    : ContactCardRow(card, properties, u"ContactHead"), m_properties(properties) {
    m_firstname = &find(u"firstname");
    m_lastname = &find(u"lastname");
    m_company = &find(u"company");
    m_photo = &find<zentra::ImageNode>(u"photo");
    m_default_photo = m_photo->source();
    m_choose_photo = &bind_button(u"button_choose_photo", CardButton::ChoosePhoto);
    m_remove_photo = &bind_button(u"button_remove_photo", CardButton::RemovePhoto);
    m_edit_header = &bind_button(u"edit_header", CardButton::EditHeader);
}

void ContactHeadRow::bind(zentra::VList& list, int flags, int) {
    remember_list(list);
    const bool animate = (flags & kBindNew) == 0;
    const Contact& contact = m_card.contact();
    show_text(*m_firstname, contact.first_name);
    show_text(*m_lastname, contact.last_name);
    show_text(*m_company, contact.company);
    show_photo();
    const bool edit = m_card.edit_mode();
    const bool photo = m_card.has_photo();
    m_choose_photo->set_label(m_properties.translate(photo ? u"EditPhoto" : u"AddPhoto"));
    show_node(*m_edit_header, edit, animate);
    show_node(*m_choose_photo, edit, animate);
    show_node(*m_remove_photo, edit && photo, animate);
}

void ContactHeadRow::show_photo() {
    zentra::Size box = m_photo->size();
    if (box.w <= 0 || box.h <= 0) {
        // Not laid out yet: the size the skin asks for.
        const zentra::FormHost* host = zentra::FormHost::instance();
        const int shift = host != nullptr ? host->screen_metrics().scale_shift() : 0;
        box = {m_photo->design_size().w << shift, m_photo->design_size().h << shift};
    }
    const zentra::ImageRef& picture = m_card.photo(box.w, box.h);
    const zentra::ImageRef& shown = picture.empty() ? m_default_photo : picture;
    // A new source lays the row out again; the same one must not, or every layout would.
    if (shown.picture != m_photo->source().picture || shown.pairs != m_photo->source().pairs) {
        m_photo->set_source(shown);
    }
}

void ContactHeadRow::layout_vertical() {
    ContactCardRow::layout_vertical();
    if (m_card.has_photo()) {
        show_photo();
    }
}

// A field

ContactFieldRow::ContactFieldRow(ContactForm& card, const zentra::Properties& properties)
    : ContactCardRow(card, properties, u"ContactFieldElement"), m_properties(properties) {
    m_big = &find(u"big");
    m_small = &find(u"small");
    m_favorite = &find<zentra::MultiNode>(u"favorite");
    m_icons = &find<zentra::MultiNode>(u"icons");
    m_sms = &bind_button(u"sms", CardButton::Sms);
    m_remove = &bind_button(u"remove", CardButton::Remove);
    m_action = &bind_button(u"action", CardButton::Action);
    m_confirm_remove = &bind_button(u"confirm_remove", CardButton::ConfirmRemove);
    m_favorite->set_listener(this);
    m_remove->set_visible_at_once(false);
    m_confirm_remove->set_visible_at_once(false);
}

void ContactFieldRow::bind(zentra::VList& list, int flags, int index) {
    remember_list(list);
    const bool animate = (flags & kBindNew) == 0;
    const int32_t value = m_card.row_value(index);
    const std::vector<ContactField>& fields = m_card.contact().fields;
    if (value < 0 || static_cast<size_t>(value) >= fields.size()) {
        // A row on its way out: nothing to show.
        show_text(*m_big, u"");
        show_text(*m_small, u"");
        return;
    }
    const ContactField& field = fields[static_cast<size_t>(value)];
    show_text(*m_big, big_text(m_card, fields, static_cast<size_t>(value)));
    show_text(*m_small, m_properties.translate(field_kind_key(field.kind)));
    const std::vector<int32_t>& codes = m_card.favorite_codes();
    const bool starred =
        std::find(codes.begin(), codes.end(), static_cast<int32_t>(field.kind)) != codes.end();
    show_state(*m_favorite, starred ? 1 : 0, animate);
    show_state(*m_icons, field_icon_state(field.kind), animate);
    const FieldRowLook look = field_row_look(field.kind, m_card.edit_mode());
    show_node(*m_remove, look.remove, animate);
    show_node(*m_icons, look.icons, animate);
    show_node(*m_sms, look.sms, animate);
    show_node(*m_favorite, look.favorite, animate);
    show_node(*m_confirm_remove, look.remove && m_card.confirm_row() == index, animate);
}

void ContactFieldRow::on_select(zentra::MultiNode&, bool by_user) {
    // Code selecting the state that the favourites hold is no toggle of the user's.
    if (!by_user) {
        return;
    }
    const int index = current_index();
    if (index >= 0) {
        m_card.row_button(index, CardButton::Favorite);
    }
}

// Separators and the edit buttons

CardSeparatorRow::CardSeparatorRow(ContactForm& card, const zentra::Properties& properties,
                                   WStringView definition, bool merged_part)
    : ContactCardRow(card, properties, definition), m_merged_part(merged_part) {
    if (m_merged_part) {
        set_visible_at_once(false);
    }
}

void CardSeparatorRow::measure_height(zentra::MeasuredSize& size) {
    if (m_merged_part) {
        size.preferred = 0;
        size.minimum = 0;
        return;
    }
    ContactCardRow::measure_height(size);
}

void CardSeparatorRow::bind(zentra::VList& list, int, int) {
    remember_list(list);
}

ContactButtonsRow::ContactButtonsRow(ContactForm& card, const zentra::Properties& properties)
    : ContactCardRow(card, properties, u"ContactFieldButtons") {
    bind_button(u"new_field", CardButton::NewField);
    bind_button(u"delete_contact", CardButton::DeleteContact);
}

void ContactButtonsRow::bind(zentra::VList& list, int, int) {
    remember_list(list);
}

}  // namespace velvane
