#pragma once
// EditCategoriesForm: ticks the categories of the folder's list that a contact belongs to,
// adds a category through its own field editor and writes the ticked names back when left.

#include <cstddef>
#include <memory>
#include <vector>

#include "contacts/categories.h"
#include "screens/contact_editor_form.h"
#include "screens/edit_field_form.h"
#include "skin/vlist.h"
#include "skin/vlist_adapter.h"

namespace velvane {

class EditCategoriesForm : public ContactEditorForm, public zentra::VListAdapter {
public:
    // Binds `EditCategoriesForm` and its field editor; raises the skin engine's errors for
    // missing nodes.
    explicit EditCategoriesForm(zentra::Properties& properties);
    ~EditCategoriesForm() override;

    // field_index: the copy's Categories field. Checks the names it carries and shows one row
    // per name of the category list. A name added through add_category joins the list, ticked,
    // until the editor is left.
    void open(const Contact& copy, size_t field_index);

    const Contact& contact() const { return m_editor.contact(); }
    size_t field_index() const { return m_field; }
    zentra::VList& list() const { return *m_list; }
    zentra::ButtonNode& add_button() const { return *m_add; }
    EditFieldForm& field_editor() { return *m_field_editor; }

    bool on_click(zentra::ButtonNode& button, const zentra::ButtonEvent& event) override;

    // VListAdapter: a row flips its category.
    void on_item_click(zentra::VList& list, int index) override;
    std::unique_ptr<zentra::VListElement> create_element(zentra::VList& list, int index) override;

protected:
    void bind_nodes() override;
    void unbind_nodes() override;
    uint32_t shown_object_id() const override { return m_editor.contact().object_id; }
    void on_stored_contact(const Contact& stored) override;
    void leave() override;
    void on_contact_gone() override;

private:
    void prepare(const Contact& contact, size_t field_index);
    // The field editor saved a new name into the contact.
    void on_category_added(const Contact& saved);

    CategoryEditor m_editor;
    size_t m_field = 0;
    zentra::VList* m_list = nullptr;
    zentra::ButtonNode* m_add = nullptr;
    std::unique_ptr<EditFieldForm> m_field_editor;
    // Names added here that the folder's list lacks: they stay in the editor's list until it
    // is left, so leaving does not drop what the user has just added.
    std::vector<WString> m_added;
};

}  // namespace velvane
