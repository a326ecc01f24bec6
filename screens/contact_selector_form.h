#pragma once
// ContactSelectorForm: the chooser that picks an existing contact to receive a number. It
// shows the contact list without its title bar, with its own keypad to narrow it; the
// chosen contact goes to the list's listener (the main form).

#include "screens/contact_selector_container.h"
#include "screens/keyboard_container.h"
#include "skin/form.h"
#include "skin/properties.h"

namespace velvane {

class ContactSelectorForm : public zentra::Form,
                            public KeyboardListener,
                            public zentra::ButtonListener,
                            public zentra::ReloadListener {
public:
    ContactSelectorForm(zentra::Properties& properties, ContactListListener& listener);
    ~ContactSelectorForm() override;

    // Loads `ContactSelectorForm` and binds its nodes, keypad and list; raises the skin
    // engine's errors for missing ones.
    void bind();
    // Clears the keypad and puts the chooser on the form stack.
    void show();

    KeyboardContainer& keyboard() { return m_keyboard; }
    ContactSelectorContainer& container() { return m_container; }
    zentra::ButtonNode* cancel_button() const { return m_cancel; }
    zentra::ButtonNode* open_keyboard_button() const { return m_open_keyboard; }
    zentra::Node* ruler() const { return m_ruler; }

    // KeyboardListener.
    void on_keyboard_text(KeyboardContainer& keyboard, WStringView text) override;
    void on_keyboard_closed(KeyboardContainer& keyboard) override;
    void on_keyboard_call(KeyboardContainer&, WStringView) override {}

    // ButtonListener.
    bool on_click(zentra::ButtonNode& button, const zentra::ButtonEvent& event) override;
    void on_press_changed(zentra::ButtonNode&, const zentra::ButtonEvent&) override {}
    void on_pointer(zentra::ButtonNode&, zentra::Point) override {}

    void on_reload_skin(zentra::Properties& properties) override;

private:
    zentra::Properties& m_properties;
    KeyboardContainer m_keyboard;
    ContactSelectorContainer m_container;
    zentra::ButtonNode* m_cancel = nullptr;
    zentra::ButtonNode* m_open_keyboard = nullptr;
    zentra::Node* m_ruler = nullptr;
};

}  // namespace velvane
