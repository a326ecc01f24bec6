#pragma once
// `label_edit`: an edit (#edit) with a placeholder (#text) shown while the edit is empty and
// an optional `clear` button shown while it is not.

#include "skin/button_node.h"
#include "skin/edit_node.h"
#include "skin/layout.h"
#include "skin/node.h"

namespace zentra {

class LabelEditNode : public Node, public EditListener, public ButtonListener,
                      public LayoutListener {
public:
    // Raises NodeNotFound when #edit or #text is missing.
    void load(const Properties& properties, SkinRecord record) override;

    // The edit's changes: the parts follow, then the owner hears.
    void on_changed(EditNode& edit) override;
    // A click on `clear` empties the edit.
    bool on_click(ButtonNode& button, const ButtonEvent& event) override;
    void on_press_changed(ButtonNode&, const ButtonEvent&) override {}
    void on_pointer(ButtonNode&, Point) override {}
    void on_layout(Node& node, Axis axis, int length) override;
    using Node::on_pointer;

    EditNode& edit() const { return *m_edit; }
    TextNode& placeholder() const { return *m_placeholder; }
    ButtonNode* clear_button() const { return m_clear; }
    EditListener* listener() const { return m_listener; }
    void set_listener(EditListener* listener) { m_listener = listener; }
    // The owner hears the edit's layout through this one.
    void set_edit_layout_listener(LayoutListener* listener) { m_layout_listener = listener; }

private:
    void update_parts();

    EditNode* m_edit = nullptr;
    TextNode* m_placeholder = nullptr;
    ButtonNode* m_clear = nullptr;
    EditListener* m_listener = nullptr;
    LayoutListener* m_layout_listener = nullptr;
};

}  // namespace zentra
