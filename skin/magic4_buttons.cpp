#include "skin/magic4_buttons.h"

#include "skin/menu.h"

namespace zentra {

void Magic4Buttons::bind(VList& list, int flags, int index) {
    MenuElement::bind(list, flags, index);
    // Every button the skin puts in the row, so a skin may add one without code.
    listen_to_buttons(*this);
}

void Magic4Buttons::listen_to_buttons(Node& node) {
    for (int i = 0; i < node.child_count(); ++i) {
        Node* child = node.child(i);
        if (auto* button = dynamic_cast<ButtonNode*>(child)) {
            button->set_listener(this);
        }
        listen_to_buttons(*child);
    }
}

bool Magic4Buttons::on_click(ButtonNode& button, const ButtonEvent& event) {
    if (event.cancelled) {
        return false;
    }
    // Deferred: the new items destroy this row, which is still inside the button's dispatch.
    menu().request_open(button.name());
    return true;
}

}  // namespace zentra
