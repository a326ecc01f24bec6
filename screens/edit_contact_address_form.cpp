#include "screens/edit_contact_address_form.h"

#include "core/log.h"
#include "platform/clock.h"

namespace velvane {

namespace {

constexpr std::array<const char16_t*, EditContactAddressForm::kParts> kEditNames = {
    u"label_edit_street", u"label_edit_city", u"label_edit_zip", u"label_edit_state",
    u"label_edit_country"};

}  // namespace

EditContactAddressForm::EditContactAddressForm(zentra::Properties& properties)
    : ContactCopyEditor(properties, u"EditContactAddressForm") {
    bind();
}

void EditContactAddressForm::bind_nodes() {
    for (int i = 0; i < kParts; ++i) {
        m_parts[static_cast<size_t>(i)] =
            &find<zentra::LabelEditNode>(kEditNames[static_cast<size_t>(i)]);
    }
    if (is_open()) {
        for (int i = 0; i < kParts; ++i) {
            part(i).edit().set_text(m_typed[static_cast<size_t>(i)]);
        }
        m_parts[0]->edit().focus();
    }
}

void EditContactAddressForm::unbind_nodes() {
    if (m_parts[0] == nullptr) {
        return;
    }
    for (int i = 0; i < kParts; ++i) {
        m_typed[static_cast<size_t>(i)] = part(i).edit().get_text();
    }
    m_parts.fill(nullptr);
}

FieldKind EditContactAddressForm::part_kind(int index) const {
    const FieldKind street = m_home ? FieldKind::HomeStreet : FieldKind::WorkStreet;
    return static_cast<FieldKind>(static_cast<int32_t>(street) + index);
}

void EditContactAddressForm::open(const Contact& copy, bool home) {
    m_home = home;
    show_parts(copy);
    open_copy(copy);
    m_parts[0]->edit().focus();
}

void EditContactAddressForm::show_parts(const Contact& contact) {
    for (int i = 0; i < kParts; ++i) {
        const ContactField* field = contact.find(part_kind(i));
        part(i).edit().set_text(field != nullptr ? WStringView(field->value) : WStringView());
    }
}

void EditContactAddressForm::on_stored_contact(const Contact& stored) {
    const uint32_t start = platform::tick_count();
    rebase(stored);
    show_parts(stored);
    log() << "EditContactAddressForm::on_document_refresh() - 2 = "
          << (platform::tick_count() - start) << "\n";
}

bool EditContactAddressForm::write_back() {
    for (int i = 0; i < kParts; ++i) {
        const FieldKind kind = part_kind(i);
        const WString& text = part(i).edit().get_text();
        if (ContactField* field = m_contact.find(kind)) {
            // An emptied part stays as an empty field, which deletes it from the store.
            field->value = text;
        } else if (!text.empty()) {
            m_contact.fields.emplace_back(kind, text);
        }
    }
    return true;
}

}  // namespace velvane
