#pragma once
// The rows of the contact card's list: the head with names and photo, a field, the two
// separators and the edit buttons. Each row reads what it shows from the card when the list
// binds it, and reports its buttons to the card with the list index it has at that moment
// (rows move when the card inserts or erases others).

#include <memory>

#include "platform/ustring.h"
#include "skin/button_node.h"
#include "skin/image_ref.h"
#include "skin/multinode.h"
#include "skin/vlist.h"
#include "skin/vlist_adapter.h"

namespace zentra {
class ImageNode;
class Properties;
class VList;
}  // namespace zentra

namespace velvane {

class ContactForm;

// What a row's button asks the card to do.
enum class CardButton {
    Action,
    Sms,
    Remove,
    ConfirmRemove,
    Favorite,
    NewField,
    DeleteContact,
    ChoosePhoto,
    RemovePhoto,
    EditHeader,
};

class ContactCardRow : public zentra::VListElement, public zentra::ButtonListener {
public:
    using Node::on_pointer;

    bool on_click(zentra::ButtonNode& button, const zentra::ButtonEvent& event) override;
    void on_press_changed(zentra::ButtonNode&, const zentra::ButtonEvent&) override {}
    void on_pointer(zentra::ButtonNode&, zentra::Point) override {}

protected:
    // Loads the named definition; NodeNotFoundInSkin when the skin lacks it.
    ContactCardRow(ContactForm& card, const zentra::Properties& properties,
                   platform::WStringView definition);
    // Finds a button below the row and reports its clicks as which.
    zentra::ButtonNode& bind_button(platform::WStringView name, CardButton which);
    // The row's list index now; -1 when the list no longer holds it.
    int current_index() const { return m_list != nullptr ? m_list->item_of(this) : -1; }
    void remember_list(zentra::VList& list) { m_list = &list; }

    ContactForm& m_card;

private:
    zentra::VList* m_list = nullptr;
    std::vector<std::pair<zentra::ButtonNode*, CardButton>> m_buttons;
};

// `ContactHead`: names, photo and, in edit mode, the photo and name buttons.
class ContactHeadRow : public ContactCardRow {
public:
    ContactHeadRow(ContactForm& card, const zentra::Properties& properties);
    void bind(zentra::VList& list, int flags, int index) override;
    // A new size of the photo box fetches the picture at that size.
    void layout_vertical() override;

    zentra::ImageNode& photo() const { return *m_photo; }
    zentra::ButtonNode& choose_photo() const { return *m_choose_photo; }
    zentra::ButtonNode& remove_photo() const { return *m_remove_photo; }
    zentra::ButtonNode& edit_header() const { return *m_edit_header; }

private:
    void show_photo();

    const zentra::Properties& m_properties;
    zentra::Node* m_firstname = nullptr;
    zentra::Node* m_lastname = nullptr;
    zentra::Node* m_company = nullptr;
    zentra::ImageNode* m_photo = nullptr;
    zentra::ButtonNode* m_choose_photo = nullptr;
    zentra::ButtonNode* m_remove_photo = nullptr;
    zentra::ButtonNode* m_edit_header = nullptr;
    // The skin's picture, shown when the contact has none.
    zentra::ImageRef m_default_photo;
};

// `ContactFieldElement`: one field (or one whole address).
class ContactFieldRow : public ContactCardRow, private zentra::MultiNodeListener {
public:
    ContactFieldRow(ContactForm& card, const zentra::Properties& properties);
    void bind(zentra::VList& list, int flags, int index) override;

    zentra::Node& big() const { return *m_big; }
    zentra::Node& small() const { return *m_small; }
    zentra::MultiNode& favorite() const { return *m_favorite; }
    zentra::MultiNode& icons() const { return *m_icons; }
    zentra::ButtonNode& sms() const { return *m_sms; }
    zentra::ButtonNode& remove() const { return *m_remove; }
    zentra::ButtonNode& action() const { return *m_action; }
    zentra::ButtonNode& confirm_remove() const { return *m_confirm_remove; }

private:
    void on_select(zentra::MultiNode& node, bool by_user) override;

    const zentra::Properties& m_properties;
    zentra::Node* m_big = nullptr;
    zentra::Node* m_small = nullptr;
    zentra::MultiNode* m_favorite = nullptr;
    zentra::MultiNode* m_icons = nullptr;
    zentra::ButtonNode* m_sms = nullptr;
    zentra::ButtonNode* m_remove = nullptr;
    zentra::ButtonNode* m_action = nullptr;
    zentra::ButtonNode* m_confirm_remove = nullptr;
};

// `GroupSeparatorElement` and `SeparatorElement`: nothing to show. The separator of a later
// address part (the parts share one row) keeps its place in the rows but takes no room:
// stacked, the rules would draw a thick bar under the address.
class CardSeparatorRow : public ContactCardRow {
public:
    CardSeparatorRow(ContactForm& card, const zentra::Properties& properties,
                     platform::WStringView definition, bool merged_part = false);
    void bind(zentra::VList& list, int flags, int index) override;

protected:
    void measure_height(zentra::MeasuredSize& size) override;

private:
    bool m_merged_part;
};

// `ContactFieldButtons`: add a field, delete the contact.
class ContactButtonsRow : public ContactCardRow {
public:
    ContactButtonsRow(ContactForm& card, const zentra::Properties& properties);
    void bind(zentra::VList& list, int flags, int index) override;
};

// Shows or hides at once on a first fill, with the node's animation on a refresh.
void show_node(zentra::Node& node, bool shown, bool animate);

}  // namespace velvane
