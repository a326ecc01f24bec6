#include "screens/keyboard_container.h"

#include "core/log.h"
#include "skin/node.h"

namespace velvane {

namespace {

constexpr const char16_t* kButtonNames[] = {
    u"button0",     u"button1",          u"button2",     u"button3",      u"button4",
    u"button5",     u"button6",          u"button7",     u"button8",      u"button9",
    u"button_hash", u"button_backspace", u"button_call", u"button_close",
};

// Shows text in a text or rich-text node: both take it through the node's own name.
void show_text(zentra::Node& node, WStringView text) {
    node.set_text(node.name(), text);
}

}  // namespace

KeyboardContainer::KeyboardContainer(KeyboardListener& owner, bool swap_buttons)
    : m_owner(owner), m_swap(swap_buttons), m_timer(this) {}

KeyboardContainer::~KeyboardContainer() {
    m_timer.cancel();
    for (zentra::ButtonNode* button : m_buttons) {
        if (button != nullptr && button->listener() == this) {
            button->set_listener(nullptr);
        }
    }
}

void KeyboardContainer::bind(zentra::Node& parent) {
    // The old nodes went with the old tree; a timer still running would point into it.
    m_timer.cancel();
    m_held = nullptr;
    m_swallow_click = nullptr;
    m_root = &parent.find(u"KeyboardContainer");
    for (int slot = 0; slot < SlotCount; ++slot) {
        m_buttons[slot] = &m_root->find<zentra::ButtonNode>(kButtonNames[slot]);
        m_buttons[slot]->set_listener(this);
    }
    m_text_node = &m_root->find(u"text_button_call");
    show_text(*m_text_node, m_text);
    m_buttons[Backspace]->set_visible_at_once(false);
    m_buttons[Close]->set_visible_at_once(true);
    if (m_swap && !m_text.empty()) {
        apply_swap();
    }
}

bool KeyboardContainer::is_visible() const {
    return m_root != nullptr && m_root->visible();
}

void KeyboardContainer::show(bool with_call, bool animate) {
    if (m_root == nullptr) {
        return;
    }
    m_buttons[Call]->set_visible_at_once(with_call);
    if (animate) {
        m_root->set_visible(true);
    } else {
        m_root->set_visible_at_once(true);
    }
}

void KeyboardContainer::close(bool animate) {
    if (!is_visible()) {
        return;
    }
    m_timer.cancel();
    m_held = nullptr;
    set_text(u"");
    if (animate) {
        m_root->set_visible(false);
    } else {
        m_root->set_visible_at_once(false);
    }
    m_owner.on_keyboard_closed(*this);
}

void KeyboardContainer::hide() {
    if (m_root == nullptr) {
        return;
    }
    // A key held now must not type into a keypad nobody sees.
    m_timer.cancel();
    m_held = nullptr;
    m_root->set_visible_at_once(false);
}

void KeyboardContainer::set_text(WStringView text) {
    m_text = text;
    if (m_text_node != nullptr) {
        show_text(*m_text_node, m_text);
    }
    if (m_swap) {
        apply_swap();
    }
    m_owner.on_keyboard_text(*this, m_text);
}

void KeyboardContainer::apply_swap() {
    if (m_buttons[Backspace] == nullptr) {
        return;
    }
    m_buttons[Backspace]->set_visible_at_once(!m_text.empty());
    m_buttons[Close]->set_visible_at_once(m_text.empty());
}

bool KeyboardContainer::backspace() {
    if (m_text.empty()) {
        return false;
    }
    WString shorter = m_text;
    shorter.pop_back();
    set_text(shorter);
    return true;
}

void KeyboardContainer::append(WStringView characters) {
    WString longer = m_text;
    longer += characters;
    set_text(longer);
}

int KeyboardContainer::slot_of(const zentra::ButtonNode& button) const {
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (m_buttons[slot] == &button) {
            return slot;
        }
    }
    return -1;
}

bool KeyboardContainer::has_long_press(int slot) {
    return slot == 0 || slot == 1 || slot == Hash || slot == Backspace;
}

bool KeyboardContainer::on_click(zentra::ButtonNode& button, const zentra::ButtonEvent&) {
    m_timer.cancel();
    m_held = nullptr;
    if (m_swallow_click == &button) {
        m_swallow_click = nullptr;
        return true;
    }
    const int slot = slot_of(button);
    if (slot >= Digit0 && slot <= Digit9) {
        append(WString(1, static_cast<char16_t>(u'0' + slot)));
    } else if (slot == Hash) {
        append(u"#");
    } else if (slot == Backspace) {
        backspace();
    } else if (slot == Call) {
        m_owner.on_keyboard_call(*this, m_text);
    } else if (slot == Close) {
        close(true);
    }
    return true;
}

void KeyboardContainer::on_press_changed(zentra::ButtonNode& button,
                                         const zentra::ButtonEvent& event) {
    const int slot = slot_of(button);
    if (!has_long_press(slot)) {
        return;
    }
    // Timed from the press only: a release that is no click (the finger slid off the key)
    // must not fire the held action 0.7 s later.
    if (button.pressed() && !event.cancelled) {
        m_held = &button;
        m_swallow_click = nullptr;
        m_timer.start(kLongPressSeconds);
    } else if (m_held == &button) {
        m_timer.cancel();
        m_held = nullptr;
    }
}

void KeyboardContainer::on_timer(Timer&) {
    zentra::ButtonNode* button = m_held;
    m_held = nullptr;
    if (button == nullptr) {
        return;
    }
    const int slot = slot_of(*button);
    // Let the key go without a click, so no short action follows; a bound hardware key still
    // down would click on its release, which is dropped then.
    m_swallow_click = button;
    zentra::PointerEvent release;
    release.x = button->centre().x;
    release.y = button->centre().y;
    release.cancel = true;
    button->on_pointer(release);
    if (!button->pressed()) {
        m_swallow_click = nullptr;
    }
    switch (slot) {
        case 0:
            append(u"+");
            break;
        case 1:
            append(u" ");
            break;
        case Hash:
            append(u"*");
            break;
        case Backspace:
            set_text(u"");
            break;
        default:
            break;
    }
}

}  // namespace velvane
