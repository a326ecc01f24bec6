#pragma once
// Magic4Buttons: the menu row that holds the window buttons (Help, Minimize, Exit). Each
// button opens the entry named like the button, as a chosen row would.

#include "skin/button_node.h"
#include "skin/menu_element.h"

namespace zentra {

class Magic4Buttons : public MenuElement, public ButtonListener {
public:
    explicit Magic4Buttons(Menu& menu) : MenuElement(menu) {}
    using MenuElement::on_pointer;

    // The row's load, then every button in it reports to the row.
    void bind(VList& list, int flags, int index) override;

    bool on_click(ButtonNode& button, const ButtonEvent& event) override;
    void on_press_changed(ButtonNode& /*button*/, const ButtonEvent& /*event*/) override {}
    void on_pointer(ButtonNode& /*button*/, Point /*point*/) override {}

private:
    void listen_to_buttons(Node& node);
};

}  // namespace zentra
