#include "screens/edit_contact_header_form.h"

#include "core/log.h"
#include "platform/clock.h"

namespace velvane {

EditContactHeaderForm::EditContactHeaderForm(zentra::Properties& properties)
    : ContactCopyEditor(properties, u"EditContactHeaderForm") {
    bind();
}

void EditContactHeaderForm::bind_nodes() {
    m_first = &find<zentra::LabelEditNode>(u"label_edit_firstname");
    m_last = &find<zentra::LabelEditNode>(u"label_edit_lastname");
    m_company = &find<zentra::LabelEditNode>(u"label_edit_company");
    if (is_open()) {
        m_first->edit().set_text(m_typed[0]);
        m_last->edit().set_text(m_typed[1]);
        m_company->edit().set_text(m_typed[2]);
        m_first->edit().focus();
    }
}

void EditContactHeaderForm::unbind_nodes() {
    if (m_first != nullptr) {
        m_typed = {m_first->edit().get_text(), m_last->edit().get_text(),
                   m_company->edit().get_text()};
        m_first = m_last = m_company = nullptr;
    }
}

void EditContactHeaderForm::open(const Contact& copy) {
    show_names(copy);
    open_copy(copy);
    m_first->edit().focus();
}

void EditContactHeaderForm::show_names(const Contact& contact) {
    m_first->edit().set_text(contact.first_name);
    m_last->edit().set_text(contact.last_name);
    m_company->edit().set_text(contact.company);
}

void EditContactHeaderForm::on_stored_contact(const Contact& stored) {
    const uint32_t start = platform::tick_count();
    log() << "EditContactHeaderForm::on_document_refresh() - 1\n";
    rebase(stored);
    show_names(stored);
    log() << "EditContactHeaderForm::on_document_refresh() - 2 = "
          << (platform::tick_count() - start) << "\n";
}

bool EditContactHeaderForm::write_back() {
    m_contact.first_name = m_first->edit().get_text();
    m_contact.last_name = m_last->edit().get_text();
    m_contact.company = m_company->edit().get_text();
    // Saved even unchanged: leaving is saving.
    return true;
}

}  // namespace velvane
