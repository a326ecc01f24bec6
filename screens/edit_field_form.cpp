#include "screens/edit_field_form.h"

#include "app/languages.h"
#include "core/log.h"
#include "platform/clock.h"
#include "screens/field_kinds.h"
#include "skin/text_node.h"

namespace velvane {

EditFieldForm::EditFieldForm(zentra::Properties& properties)
    : ContactCopyEditor(properties, u"EditFieldForm") {
    bind();
}

void EditFieldForm::bind_nodes() {
    m_edit = &find<zentra::LabelEditNode>(u"label_edit");
    if (is_open()) {
        show_caption(kind());
        m_edit->edit().set_text(m_typed);
        m_edit->edit().focus();
    }
}

void EditFieldForm::unbind_nodes() {
    if (m_edit != nullptr) {
        m_typed = m_edit->edit().get_text();
        m_edit = nullptr;
    }
}

void EditFieldForm::show_caption(FieldKind kind) {
    const WString caption = text(properties(), field_kind_key(kind));
    m_edit->placeholder().set_text(caption);
    // A skin with a caption over the form names the field there too.
    if (auto* title = dynamic_cast<zentra::TextNode*>(find_descendant(u"caption"))) {
        title->set_text(caption);
    }
}

FieldKind EditFieldForm::kind() const {
    return m_field < m_contact.fields.size() ? m_contact.fields[m_field].kind : FieldKind::Unknown;
}

void EditFieldForm::open(const Contact& copy, size_t field_index) {
    if (field_index >= copy.fields.size()) {
        log() << "EditFieldForm::open() no field " << field_index << "\n";
        return;
    }
    const ContactField& field = copy.fields[field_index];
    m_field = field_index;
    show_caption(field.kind);
    // For the categories the edit takes a new name, not the list.
    m_edit->edit().set_text(field.kind == FieldKind::Categories ? WStringView()
                                                                : WStringView(field.value));
    open_copy(copy);
    m_edit->edit().focus();
}

void EditFieldForm::on_stored_contact(const Contact& stored) {
    const FieldKind shown = kind();
    const WString typed = m_edit->edit().get_text();
    rebase(stored);
    // The copy's field is the stored contact's first of its kind; when the stored contact
    // lost it, the field comes back with what the edit holds, so leaving still saves it.
    m_field = m_contact.fields.size();
    for (size_t i = 0; i < m_contact.fields.size(); ++i) {
        if (m_contact.fields[i].kind == shown) {
            m_field = i;
            break;
        }
    }
    if (m_field == m_contact.fields.size()) {
        m_contact.fields.emplace_back(shown, shown == FieldKind::Categories ? WString() : typed);
    }
    if (shown == FieldKind::Categories) {
        return;
    }
    const uint32_t start = platform::tick_count();
    log() << "EditFieldForm::on_document_refresh() - 1\n";
    m_edit->edit().set_text(m_contact.fields[m_field].value);
    log() << "EditFieldForm::on_document_refresh() - 2 = " << (platform::tick_count() - start)
          << "\n";
}

bool EditFieldForm::write_back() {
    if (m_field >= m_contact.fields.size()) {
        return false;
    }
    ContactField& field = m_contact.fields[m_field];
    const WString& typed = m_edit->edit().get_text();
    if (field.kind != FieldKind::Categories) {
        field.value = typed;
        return true;
    }
    if (typed.empty()) {
        return false;
    }
    if (!field.value.empty()) {
        field.value += u", ";
    }
    field.value += typed;
    return true;
}

void EditFieldForm::leave() {
    const bool categories = kind() == FieldKind::Categories;
    const bool changed = write_back();
    close();
    if (!changed) {
        return;
    }
    save(m_contact, m_original);
    if (categories) {
        if (Document* document = Document::get_instance()) {
            document->read_categories();
        }
    }
    if (m_saved) {
        m_saved(m_contact);
    }
}

}  // namespace velvane
