#pragma once
// `button`: shows one of its state children (#normal, #pressed, #disabled) and reports
// presses and clicks, from the stylus or from a bound hardware key, to its listener.

#include "platform/ustring.h"
#include "skin/node.h"

namespace zentra {

class ButtonNode;

// What a listener learns about a press: where it happened, and whether the gesture was
// abandoned (cancelled by the stylus layer, or the button is disabled).
struct ButtonEvent {
    Point point;
    bool cancelled = false;
};

// Set by the screen that owns the button.
class ButtonListener {
public:
    virtual ~ButtonListener() = default;
    // Returns whether the click was handled; the button passes the answer on.
    virtual bool on_click(ButtonNode& button, const ButtonEvent& event) = 0;
    virtual void on_press_changed(ButtonNode& button, const ButtonEvent& event) = 0;
    // The stylus while it holds the button: on a press the point itself, on a move the
    // movement since the last point (drag-to-scroll buttons use it).
    virtual void on_pointer(ButtonNode& button, Point point) = 0;
};

class ButtonNode : public Node {
public:
    void load(const Properties& properties, SkinRecord record) override;
    void on_pointer_move(Point point) override;
    bool on_pointer(const PointerEvent& event) override;
    bool on_key(const KeyEvent& event) override;
    void on_enabled_changed(bool effective) override;

    ButtonListener* listener() const { return m_listener; }
    void set_listener(ButtonListener* listener) { m_listener = listener; }

    // Pressed by the stylus, the bound key or code.
    bool pressed() const { return m_pointer_pressed || m_key_pressed || m_code_pressed; }
    bool pressed_by_pointer() const { return m_pointer_pressed; }
    bool pressed_by_key() const { return m_key_pressed; }
    bool pressed_by_code() const { return m_code_pressed; }
    // Shows the button pressed or released without a click: code uses it to echo an action
    // that came from elsewhere.
    void set_pressed_by_code(bool pressed);

    // The key code of `bind_key`; 0 when no key is bound.
    int bound_key() const { return m_bound_key; }
    void set_bound_key(int key) { m_bound_key = key; }

    const platform::WString& label() const { return m_label; }
    // Hands the label to the text node named #text inside the button.
    void set_label(platform::WStringView label);

    // The state child now wanted: #disabled, #pressed or #normal (null when the skin has
    // none of them).
    Node* shown_state() const;
    Point centre() const;

private:
    void refresh_states();
    bool click_step(bool was_pressed, bool cancel, Point point, bool from_key);

    Node* m_normal = nullptr;
    Node* m_pressed = nullptr;
    Node* m_disabled = nullptr;
    platform::WString m_label;
    int m_bound_key = 0;
    bool m_pointer_pressed = false;
    bool m_key_pressed = false;
    bool m_code_pressed = false;
    Point m_last_point;
    ButtonListener* m_listener = nullptr;
};

}  // namespace zentra
