#pragma once
// FavoritesContainer: the favourites as a list, one per row with the contact's photo, name
// and pinned value. A tap on a row calls the value; the row's `btnFav` opens the contact in
// the container's own card.

#include <memory>

#include "contacts/document.h"
#include "screens/contact_form.h"
#include "screens/favorite_item.h"
#include "screens/screen_slots.h"
#include "skin/button_node.h"
#include "skin/vlist_adapter.h"

namespace zentra {
class Node;
class Properties;
class VList;
}  // namespace zentra

namespace velvane {

class FavoritesContainer : public TabContainer, public DocumentView, public zentra::VListAdapter {
public:
    // Builds the card; raises the skin engine's errors when the skin lacks its nodes.
    FavoritesContainer(zentra::Properties& properties, ContactForm::CallNumber call_number);
    ~FavoritesContainer() override;

    // Finds `FavoritesContainer` and `FavoritesList` below parent and makes a row once, so a
    // skin without the row definition fails here rather than while the list draws.
    void bind(zentra::Node& parent, zentra::Properties& properties) override;
    zentra::Node* root() const override { return m_root; }
    zentra::VList* list() const { return m_list; }
    ContactForm& card() { return *m_card; }

    // Places a call to the favourite's value; nothing outside the table.
    void call(int index);
    // Opens the favourite's contact in the card, view mode.
    void open_card(int index);

    void on_document_refresh(const RefreshHint& hint) override;
    void on_item_click(zentra::VList& list, int index) override;
    std::unique_ptr<zentra::VListElement> create_element(zentra::VList& list, int index) override;

private:
    void reset_rows();

    zentra::Properties& m_properties;
    ContactForm::CallNumber m_call_number;
    std::unique_ptr<ContactForm> m_card;
    zentra::Node* m_root = nullptr;
    zentra::VList* m_list = nullptr;
};

// `FavoritesListElement`: `photo`, `big` (name), `small` (value), `btnFav`.
class FavoriteElement : public zentra::VListElement, public zentra::ButtonListener {
public:
    FavoriteElement(FavoritesContainer& container, const zentra::Properties& properties);

    void bind(zentra::VList& list, int flags, int index) override;
    int index() const { return m_index; }
    zentra::Node& big() const { return *m_big; }
    zentra::Node& small() const { return *m_small; }
    zentra::ImageNode& photo() const { return *m_photo.node(); }
    zentra::ButtonNode& favorite_button() const { return *m_fav; }

    using Node::on_pointer;
    bool on_click(zentra::ButtonNode& button, const zentra::ButtonEvent& event) override;
    void on_press_changed(zentra::ButtonNode&, const zentra::ButtonEvent&) override {}
    void on_pointer(zentra::ButtonNode&, zentra::Point) override {}

private:
    FavoritesContainer& m_container;
    zentra::Node* m_big = nullptr;
    zentra::Node* m_small = nullptr;
    zentra::ButtonNode* m_fav = nullptr;
    FavoritePhoto m_photo;
    int m_index = -1;
};

}  // namespace velvane
