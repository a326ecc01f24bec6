#pragma once
// ContactForm: the contact card. A head with names and photo, then one row per field grouped
// by field group, in a scrolling list. In view mode a tapped row calls, writes or opens its
// field; in edit mode it opens the field's editor, and rows gain the controls to remove a
// field, add one, delete the contact, change the photo and edit the names. The card follows
// the stored contact by inserting and erasing single rows, never by rebuilding its list.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "contacts/document.h"
#include "screens/contact_form_rows.h"
#include "screens/edit_categories_form.h"
#include "screens/edit_contact_address_form.h"
#include "screens/edit_contact_header_form.h"
#include "screens/edit_date_form.h"
#include "screens/edit_field_form.h"
#include "screens/key_routed_form.h"
#include "screens/screen_slots.h"
#include "screens/select_field_form.h"
#include "skin/button_node.h"
#include "skin/menu.h"
#include "skin/multinode.h"
#include "skin/properties.h"
#include "skin/vlist_adapter.h"

namespace zentra {
class VList;
}

namespace velvane {

class ContactForm : public KeyRoutedForm,
                    public ContactCardScreen,
                    public DocumentView,
                    public FieldKindListener,
                    public zentra::VListAdapter,
                    public zentra::ButtonListener,
                    public zentra::MultiNodeListener,
                    public zentra::MenuListener,
                    public zentra::ReloadListener {
public:
    // Places a call to a number; the card of a phone field hands it its value.
    using CallNumber = std::function<void(WStringView number)>;

    // Builds the editors and binds `ContactForm`; raises the skin engine's errors when the
    // skin lacks a node or a row definition. The Document must exist.
    explicit ContactForm(zentra::Properties& properties, CallNumber call_number = {});
    ~ContactForm() override;

    // Loads `ContactForm` again and finds its nodes; what the card shows stays.
    void bind();

    // Shows a copy of the contact, in edit mode for a new one, and puts the card on the
    // form stack.
    void show(const Contact& contact, bool edit);
    void show_contact(const Contact& contact, bool edit) override { show(contact, edit); }
    // Leaves as `cancel` does. A new contact left without names, photo or any value is
    // deleted again rather than kept empty.
    void cancel();

    // What the card shows: the working copy (fields in kind order) with the favourite codes
    // of its Document entry, and the list's rows.
    const Contact& contact() const { return m_contact; }
    const std::vector<int32_t>& favorite_codes() const { return m_favorite_codes; }
    const std::vector<int32_t>& rows() const { return m_rows; }
    // The row value at a list index; kNoRow outside the sequence.
    static constexpr int32_t kNoRow = INT32_MIN;
    int32_t row_value(int index) const;
    bool edit_mode() const;
    // Switches the mode as the `edit_mode` toggle does.
    void set_edit_mode(bool edit);
    // The list index whose `confirm_remove` is shown; -1 when none is.
    int confirm_row() const { return m_confirm_row; }

    // The field action of a row: call, write, open, or in edit mode the field's editor.
    void field_action(int index);
    // A row's button was pressed; index is the row's list index.
    void row_button(int index, CardButton which);
    // The kind chosen for a new field of the shown contact: an empty field of it goes to its
    // editor (an address gets all five parts).
    void on_contact_field_selected(FieldKind kind);

    // The contact's photo fitted into a box of that size, fetched from the store when the
    // contact or the box changed; empty when the contact has none.
    const zentra::ImageRef& photo(int width, int height);
    bool has_photo() const { return !m_contact.picture.empty(); }

    zentra::Properties& properties() const { return m_properties; }
    zentra::VList& list() const { return *m_list; }
    zentra::ButtonNode& cancel_button() const { return *m_cancel; }
    zentra::Node& padding() const { return *m_padding; }
    zentra::ButtonNode& standart() const { return *m_standart; }
    zentra::MultiNode& edit_mode_node() const { return *m_edit_mode; }
    zentra::Menu& menu() const { return *m_menu; }
    SelectFieldForm& select_field() { return m_select_field; }
    EditFieldForm& edit_field() { return m_edit_field; }
    EditDateForm& edit_date() { return m_edit_date; }
    EditCategoriesForm& edit_categories() { return m_edit_categories; }
    EditContactHeaderForm& edit_header() { return m_edit_header; }
    EditContactAddressForm& edit_address() { return m_edit_address; }

    // DocumentView: follows the shown contact.
    void on_document_refresh(const RefreshHint& hint) override;
    // FieldKindListener, for the chooser opened by `new_field`.
    void on_field_kind_chosen(uint32_t object_id, FieldKind kind) override;
    // VListAdapter.
    void on_item_click(zentra::VList& list, int index) override;
    std::unique_ptr<zentra::VListElement> create_element(zentra::VList& list, int index) override;
    // ButtonListener: `cancel`, `standart`.
    bool on_click(zentra::ButtonNode& button, const zentra::ButtonEvent& event) override;
    void on_press_changed(zentra::ButtonNode&, const zentra::ButtonEvent&) override {}
    void on_pointer(zentra::ButtonNode&, zentra::Point) override {}
    using Node::on_pointer;
    // MultiNodeListener: `edit_mode`.
    void on_select(zentra::MultiNode& node, bool by_user) override;
    // MenuListener: the card's menu.
    std::vector<zentra::MenuItem> menu_items(zentra::Menu& menu, WStringView name) override;
    void on_reload_skin(zentra::Properties& properties) override;

protected:
    bool on_form_key(const zentra::KeyEvent& event) override;

private:
    // The stored contact's fields, walked against the shown ones one field at a time.
    void follow_stored(const ContactEntry& entry);
    void insert_field(size_t at, const ContactField& field);
    void erase_field(size_t at);
    // Moves the list from the rows `from` (the shown rows, renumbered for the field change)
    // to the rows of the working copy, one row at a time.
    void move_rows_to_build(std::vector<int32_t> from);
    void apply_mode(bool edit, bool animate);
    void refresh_all_rows();
    void refresh_head();
    void show_confirm(int index);
    void remove_field_value(int index);
    void toggle_favorite(int index);
    void open_standard_program();
    // The shown contact's picture changed: the favourites' cached one goes.
    void drop_cached_photo();
    void close();
    Document* document() const { return Document::get_instance(); }
    ContactSource* store() const;

    zentra::Properties& m_properties;
    CallNumber m_call_number;
    // Built in this order, destroyed in reverse.
    SelectFieldForm m_select_field;
    EditFieldForm m_edit_field;
    EditDateForm m_edit_date;
    EditCategoriesForm m_edit_categories;
    EditContactHeaderForm m_edit_header;
    EditContactAddressForm m_edit_address;
    Contact m_contact;
    std::vector<int32_t> m_favorite_codes;
    std::vector<int32_t> m_rows;
    std::unique_ptr<zentra::Menu> m_menu;

    zentra::ButtonNode* m_cancel = nullptr;
    zentra::Node* m_padding = nullptr;
    zentra::ButtonNode* m_standart = nullptr;
    zentra::MultiNode* m_edit_mode = nullptr;
    zentra::VList* m_list = nullptr;

    int m_confirm_row = -1;
    // Shown as a new contact: left empty, it goes again.
    bool m_new = false;
    // The photo is fetched again for the next box asked for.
    bool m_photo_stale = true;
    int m_photo_width = 0;
    int m_photo_height = 0;
};

}  // namespace velvane
