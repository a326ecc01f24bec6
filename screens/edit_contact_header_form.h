#pragma once
// EditContactHeaderForm: first name, last name and company of a contact.

#include <array>

#include "screens/contact_editor_form.h"
#include "skin/label_edit_node.h"

namespace velvane {

class EditContactHeaderForm : public ContactCopyEditor {
public:
    // Binds `EditContactHeaderForm`; raises the skin engine's errors for missing nodes.
    explicit EditContactHeaderForm(zentra::Properties& properties);

    // Shows the copy's names and puts the editor on the form stack, the first name focused.
    void open(const Contact& copy);

    zentra::LabelEditNode& first_name() const { return *m_first; }
    zentra::LabelEditNode& last_name() const { return *m_last; }
    zentra::LabelEditNode& company() const { return *m_company; }

protected:
    void bind_nodes() override;
    void unbind_nodes() override;
    void on_stored_contact(const Contact& stored) override;
    bool write_back() override;

private:
    void show_names(const Contact& contact);

    zentra::LabelEditNode* m_first = nullptr;
    zentra::LabelEditNode* m_last = nullptr;
    zentra::LabelEditNode* m_company = nullptr;
    // What the edits held when a new skin came.
    std::array<WString, 3> m_typed;
};

}  // namespace velvane
