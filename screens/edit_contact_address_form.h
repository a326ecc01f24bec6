#pragma once
// EditContactAddressForm: the five parts of a contact's work or home address.

#include <array>

#include "screens/contact_editor_form.h"
#include "skin/label_edit_node.h"

namespace velvane {

class EditContactAddressForm : public ContactCopyEditor {
public:
    // Street, city, postal code, state, country.
    static constexpr int kParts = 5;

    // Binds `EditContactAddressForm`; raises the skin engine's errors for missing nodes.
    explicit EditContactAddressForm(zentra::Properties& properties);

    // home: kinds 29-33, else the work address 24-28. The street gets the focus.
    void open(const Contact& copy, bool home);

    bool home() const { return m_home; }
    // The edit of part 0..4.
    zentra::LabelEditNode& part(int index) const { return *m_parts[index]; }
    // The kind part index stands for in the address being edited.
    FieldKind part_kind(int index) const;

protected:
    void bind_nodes() override;
    void unbind_nodes() override;
    void on_stored_contact(const Contact& stored) override;
    bool write_back() override;

private:
    void show_parts(const Contact& contact);

    std::array<zentra::LabelEditNode*, kParts> m_parts{};
    bool m_home = false;
    // What the edits held when a new skin came.
    std::array<WString, kParts> m_typed;
};

}  // namespace velvane
