#pragma once
// `edit`: a text node that takes typed text through the shell's native input while it has
// the input focus, with a background colour and a password mode that shows asterisks.

#include <optional>

#include "skin/color.h"
#include "skin/text_node.h"

namespace zentra {

class EditNode;

// Set by the owner; hears every change of the edit's text.
class EditListener {
public:
    virtual ~EditListener() = default;
    virtual void on_changed(EditNode& edit) = 0;
};

class EditNode : public TextNode {
public:
    EditNode();
    ~EditNode() override;

    void load(const Properties& properties, SkinRecord record) override;
    void draw(RenderSurface& target, Point origin) override;
    void layout_vertical() override;
    void on_visibility_changed(bool effective) override;
    bool on_pointer(const PointerEvent& event) override;
    bool on_text(platform::WStringView text) override;

    using TextNode::set_text;
    // Unchanged text does nothing; otherwise the shown text changes and the listener hears.
    void set_text(platform::WStringView text) override;
    // From now on the edit holds text and shows one "*" per character of it.
    void set_password(platform::WStringView text);
    // The password when one is set, else the shown text.
    const platform::WString& get_text() const;
    bool is_password() const { return m_password.has_value(); }

    Color background_color() const { return m_background; }
    bool capitalize() const { return m_capitalize; }
    EditListener* listener() const { return m_listener; }
    void set_listener(EditListener* listener) { m_listener = listener; }

    // Gives this edit the input focus, as a press on it does. An edit not on screen yet (its
    // form is still to be shown) takes it as soon as it is shown.
    void focus();

    // The edit that now has the input focus; null when none has.
    static EditNode* focused() { return s_focused; }
    // Takes the input focus away from whichever edit has it, and from one waiting for it.
    static void clear_focus();

private:
    void take_focus(bool create);
    // The focus goes, the waiting edit (if any) keeps waiting.
    static void drop_focus();
    // Stores text as the edit's content without the unchanged-text check.
    void store(platform::WStringView text);
    void changed();

    Color m_background{0, 0, 0, 255};
    bool m_capitalize = false;
    std::optional<platform::WString> m_password;
    EditListener* m_listener = nullptr;

    static inline EditNode* s_focused = nullptr;
    // Asked for the focus while hidden; takes it when shown.
    static inline EditNode* s_waiting = nullptr;
};

}  // namespace zentra
