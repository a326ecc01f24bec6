#include "screens/contact_selector_form.h"

#include "app/skin_rebind.h"
#include "contacts/document.h"
#include "skin/form_host.h"

namespace velvane {

ContactSelectorForm::ContactSelectorForm(zentra::Properties& properties,
                                         ContactListListener& listener)
    : m_properties(properties), m_keyboard(*this, true), m_container(listener) {
    bind();
    m_properties.add_reload_listener(this);
}

ContactSelectorForm::~ContactSelectorForm() {
    m_properties.remove_reload_listener(this);
}

void ContactSelectorForm::bind() {
    load_definition(m_properties, u"ContactSelectorForm");
    m_cancel = &find<zentra::ButtonNode>(u"cancel");
    m_open_keyboard = &find<zentra::ButtonNode>(u"open_keyboard");
    m_ruler = &find(u"ContactsListRuler");
    m_cancel->set_listener(this);
    m_open_keyboard->set_listener(this);
    m_keyboard.bind(*this);
    m_container.bind(*this, m_properties);
    m_container.top()->set_visible_at_once(false);
    m_keyboard.root()->set_visible_at_once(false);
}

void ContactSelectorForm::on_reload_skin(zentra::Properties& properties) {
    rebind_after_reload(properties, u"ContactSelectorForm", [this] { bind(); });
}

void ContactSelectorForm::show() {
    m_keyboard.set_text(u"");
    if (zentra::FormHost* host = zentra::FormHost::instance()) {
        host->add_modal_form(*this, false, true);
    }
}

void ContactSelectorForm::on_keyboard_text(KeyboardContainer&, WStringView text) {
    if (Document* document = Document::get_instance()) {
        document->set_filter_string(text);
    }
}

void ContactSelectorForm::on_keyboard_closed(KeyboardContainer&) {
    m_open_keyboard->set_visible(true);
    m_ruler->set_visible(true);
}

bool ContactSelectorForm::on_click(zentra::ButtonNode& button, const zentra::ButtonEvent&) {
    if (&button == m_cancel) {
        if (zentra::FormHost* host = zentra::FormHost::instance()) {
            host->remove_modal_form(*this, true);
        }
        if (Document* document = Document::get_instance()) {
            document->set_category(document->category_filter());
        }
    } else if (&button == m_open_keyboard) {
        m_open_keyboard->set_visible(false);
        m_ruler->set_visible(false);
        m_keyboard.show(false);
    }
    return true;
}

}  // namespace velvane
