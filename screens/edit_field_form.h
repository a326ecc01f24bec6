#pragma once
// EditFieldForm: the value of one field. For the Categories field the text is a category to
// add to the field's list instead.

#include <cstddef>
#include <functional>

#include "screens/contact_editor_form.h"
#include "skin/label_edit_node.h"

namespace velvane {

class EditFieldForm : public ContactCopyEditor {
public:
    // Binds `EditFieldForm`; raises the skin engine's errors for missing nodes.
    explicit EditFieldForm(zentra::Properties& properties);

    // Edits field field_index of the copy; the caption is its kind's label. An index the copy
    // lacks opens nothing.
    void open(const Contact& copy, size_t field_index);

    // Told of the copy each time leaving has saved it.
    void set_saved_listener(std::function<void(const Contact&)> listener) {
        m_saved = std::move(listener);
    }

    size_t field_index() const { return m_field; }
    zentra::LabelEditNode& label_edit() const { return *m_edit; }

protected:
    void bind_nodes() override;
    void unbind_nodes() override;
    void on_stored_contact(const Contact& stored) override;
    bool write_back() override;
    void leave() override;

private:
    FieldKind kind() const;
    void show_caption(FieldKind kind);

    zentra::LabelEditNode* m_edit = nullptr;
    size_t m_field = 0;
    std::function<void(const Contact&)> m_saved;
    // What the edit held when a new skin came.
    WString m_typed;
};

}  // namespace velvane
