#include "screens/contact_editor_form.h"

#include "app/skin_rebind.h"
#include "core/keys.h"
#include "core/log.h"
#include "skin/form_host.h"

namespace velvane {

ContactEditorForm::ContactEditorForm(zentra::Properties& properties, WStringView definition)
    : m_properties(properties), m_definition(definition) {
    m_properties.add_reload_listener(this);
}

ContactEditorForm::~ContactEditorForm() {
    m_properties.remove_reload_listener(this);
    // An editor that goes while open must not stay on the stack.
    if (zentra::FormHost* host = zentra::FormHost::instance()) {
        host->remove_modal_form(*this, false);
    }
}

void ContactEditorForm::bind() {
    unbind_nodes();
    load_definition(m_properties, m_definition);
    m_cancel = &find<zentra::ButtonNode>(u"cancel");
    m_cancel->set_listener(this);
    bind_nodes();
}

void ContactEditorForm::on_reload_skin(zentra::Properties& properties) {
    rebind_after_reload(properties, m_definition, [this] { bind(); });
}

void ContactEditorForm::show() {
    m_open = true;
    if (zentra::FormHost* host = zentra::FormHost::instance()) {
        host->add_modal_form(*this, false, true);
    }
}

void ContactEditorForm::close() {
    m_open = false;
    if (zentra::FormHost* host = zentra::FormHost::instance()) {
        host->remove_modal_form(*this, true);
    }
}

void ContactEditorForm::cancel() {
    if (m_open) {
        leave();
    }
}

void ContactEditorForm::save(const Contact& contact, const Contact& original) {
    Document* document = Document::get_instance();
    ContactSource* store = document != nullptr ? document->store() : nullptr;
    if (store == nullptr || !store->save_changes(contact, original)) {
        log() << m_definition << u"::save() the contact " << contact.object_id
              << u" was not saved\n";
    }
}

bool ContactEditorForm::on_click(zentra::ButtonNode& button, const zentra::ButtonEvent&) {
    if (&button == m_cancel) {
        cancel();
    }
    return true;
}

bool ContactEditorForm::on_form_key(const zentra::KeyEvent& event) {
    if (event.key != key::Left) {
        return Form::on_key(event);
    }
    // The press leaves; its release, which may come after the editor has gone, is taken too so
    // that it never reaches the screen below as a press of its own.
    if (event.down && event.first) {
        cancel();
    }
    return true;
}

void ContactEditorForm::on_document_refresh(const RefreshHint& hint) {
    if (!m_open || (!hint.contact_changed && !hint.contact_removed)) {
        return;
    }
    const uint32_t shown = shown_object_id();
    if (shown == 0 || hint.object_id != shown) {
        return;
    }
    if (hint.contact_removed) {
        // Wherever it stands on the stack: what it would save is gone.
        on_contact_gone();
        return;
    }
    if (!is_visible()) {
        return;
    }
    Document* document = Document::get_instance();
    const ContactEntry* entry = document != nullptr ? document->find_entry(shown) : nullptr;
    if (entry != nullptr) {
        on_stored_contact(entry->contact);
    }
}

void ContactCopyEditor::open_copy(const Contact& copy) {
    m_contact = copy;
    m_original = copy;
    show();
}

void ContactCopyEditor::rebase(const Contact& stored) {
    m_contact = stored;
    m_original = stored;
}

void ContactCopyEditor::leave() {
    const bool changed = write_back();
    close();
    if (changed) {
        save(m_contact, m_original);
    }
}

}  // namespace velvane
