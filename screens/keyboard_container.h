#pragma once
// KeyboardContainer: the on-screen telephone keypad. It keeps a string of dial characters in
// its text node and reports every change to its owner, who decides what the string means
// (a search, a number to dial, tones during a call). 0, 1, # and backspace do something else
// when held.

#include "core/timer.h"
#include "platform/ustring.h"
#include "skin/button_node.h"

namespace zentra {
class Node;
}  // namespace zentra

namespace velvane {

using platform::WString;
using platform::WStringView;

class KeyboardContainer;

// The keypad's owner.
class KeyboardListener {
public:
    virtual ~KeyboardListener() = default;
    virtual void on_keyboard_text(KeyboardContainer& keyboard, WStringView text) = 0;
    virtual void on_keyboard_closed(KeyboardContainer& keyboard) = 0;
    virtual void on_keyboard_call(KeyboardContainer& keyboard, WStringView text) = 0;
};

class KeyboardContainer : public zentra::ButtonListener, private TimerListener {
public:
    // How long a key must be held for its second action.
    static constexpr double kLongPressSeconds = 0.7;

    // swap_buttons: backspace shows only while there is text, close only while there is none.
    KeyboardContainer(KeyboardListener& owner, bool swap_buttons);
    ~KeyboardContainer() override;
    KeyboardContainer(const KeyboardContainer&) = delete;
    KeyboardContainer& operator=(const KeyboardContainer&) = delete;

    // Finds `KeyboardContainer` below parent and every key inside it; raises NodeNotFound
    // for a missing one. Binding again (a new skin) forgets the old nodes.
    void bind(zentra::Node& parent);

    // Shows the keypad, with or without the call key; animate plays its visibility animation.
    void show(bool with_call, bool animate = true);
    // Empties the text (reported), hides the keypad and reports it closed; nothing when it
    // is hidden already.
    void close(bool animate);
    // Hides the keypad at once and keeps its text; nothing is reported. For an owner that
    // puts the keypad away for a while and shows it again as it was.
    void hide();
    // Stores and shows the text, swaps backspace and close, and reports the text.
    void set_text(WStringView text);
    const WString& text() const { return m_text; }
    // Removes the last character as the backspace key does; false when the text was empty.
    bool backspace();

    bool is_visible() const;
    zentra::Node* root() const { return m_root; }
    bool swaps_buttons() const { return m_swap; }
    // The key a long press is being timed for; null when none.
    zentra::ButtonNode* held_button() const { return m_held; }

    // The keys' side.
    bool on_click(zentra::ButtonNode& button, const zentra::ButtonEvent& event) override;
    void on_press_changed(zentra::ButtonNode& button, const zentra::ButtonEvent& event) override;
    void on_pointer(zentra::ButtonNode& /*button*/, zentra::Point /*point*/) override {}

    // The long-press timer ran out for the held key.
    void on_timer(Timer& timer) override;

private:
    enum Slot { Digit0 = 0, Digit9 = 9, Hash, Backspace, Call, Close, SlotCount };

    int slot_of(const zentra::ButtonNode& button) const;
    static bool has_long_press(int slot);
    void append(WStringView characters);
    void apply_swap();

    KeyboardListener& m_owner;
    const bool m_swap;
    zentra::Node* m_root = nullptr;
    zentra::Node* m_text_node = nullptr;
    zentra::ButtonNode* m_buttons[SlotCount] = {};
    WString m_text;
    Timer m_timer;
    zentra::ButtonNode* m_held = nullptr;
    // The key whose long press fired: a click it still owes (a bound key let go) is dropped.
    zentra::ButtonNode* m_swallow_click = nullptr;
};

}  // namespace velvane
