#pragma once
// FavoritesContainer2: the favourites as a grid of tiles, as many per row as the container's
// width holds. A tile's `btnContact` calls the favourite's value, its `btnFav` opens the
// contact in the container's own card.

#include <memory>
#include <vector>

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

// How the tiles share a width: items per row and the width each tile gets.
struct GridShape {
    int items_per_row = 1;
    int tile_width = 0;
    friend bool operator==(const GridShape&, const GridShape&) = default;
};
// width / probe_width tiles per row (integer division), each width / that many wide. A probe
// wider than the width, or a width not laid out yet, still gives one tile per row.
GridShape grid_shape(int width, int probe_width);
// Rows for count favourites: count / per_row rounded up.
int grid_rows(int count, int items_per_row);
// The favourites row r shows: [first, end).
struct GridRange {
    int first = 0;
    int end = 0;
    friend bool operator==(const GridRange&, const GridRange&) = default;
};
GridRange grid_row_range(int row, int items_per_row, int count);

class FavoritesContainer2 : public TabContainer, public DocumentView, public zentra::VListAdapter {
public:
    // Builds the card; raises the skin engine's errors when the skin lacks its nodes.
    FavoritesContainer2(zentra::Properties& properties, ContactForm::CallNumber call_number);
    ~FavoritesContainer2() override;

    // Finds `FavoritesContainer2` and `FavoritesList2` below parent and makes a row and a
    // tile once, so a skin without their definitions fails here rather than while drawing.
    void bind(zentra::Node& parent, zentra::Properties& properties) override;
    zentra::Node* root() const override { return m_root; }
    // The set-up after each horizontal layout of the main screen.
    void on_width_changed() override { set_up(); }

    // Measures a probe tile against the container's width: items per row, tile width and
    // the row count follow. The rows are made again only when one of them changed.
    void set_up();
    int items_per_row() const { return m_shape.items_per_row; }
    int tile_width() const { return m_shape.tile_width; }
    zentra::VList* list() const { return m_list; }
    zentra::Properties& properties() const { return m_properties; }
    ContactForm& card() { return *m_card; }

    // Places a call to the favourite's value; nothing outside the table.
    void call(int favorite);
    // Opens the favourite's contact in the card, view mode.
    void open_card(int favorite);

    void on_document_refresh(const RefreshHint& hint) override;
    // A tile's buttons act; the row itself does nothing.
    void on_item_click(zentra::VList&, int) override {}
    std::unique_ptr<zentra::VListElement> create_element(zentra::VList& list, int index) override;

private:
    int row_count() const { return grid_rows(favorite_count(), m_shape.items_per_row); }
    // The row count after a favourite came or went; every row shows again, as favourites
    // after the changed one moved by one place.
    void follow_count();

    zentra::Properties& m_properties;
    ContactForm::CallNumber m_call_number;
    std::unique_ptr<ContactForm> m_card;
    zentra::Node* m_root = nullptr;
    zentra::VList* m_list = nullptr;
    GridShape m_shape;
};

// `FavoritesItem`: one favourite's tile. Built for no favourite (-1) it is the probe the
// container measures.
class FavoriteIcon : public zentra::Node, public zentra::ButtonListener {
public:
    FavoriteIcon(FavoritesContainer2* container, const zentra::Properties& properties,
                 int favorite);

    int favorite() const { return m_favorite; }
    zentra::Node& text1() const { return *m_text1; }
    zentra::Node& text2() const { return *m_text2; }
    zentra::ImageNode& photo() const { return *m_photo.node(); }
    zentra::ButtonNode& contact_button() const { return *m_contact; }
    zentra::ButtonNode& favorite_button() const { return *m_fav; }

    using Node::on_pointer;
    bool on_click(zentra::ButtonNode& button, const zentra::ButtonEvent& event) override;
    void on_press_changed(zentra::ButtonNode&, const zentra::ButtonEvent&) override {}
    void on_pointer(zentra::ButtonNode&, zentra::Point) override {}

private:
    FavoritesContainer2* m_container;
    int m_favorite;
    zentra::ButtonNode* m_contact = nullptr;
    zentra::ButtonNode* m_fav = nullptr;
    zentra::Node* m_text1 = nullptr;
    zentra::Node* m_text2 = nullptr;
    FavoritePhoto m_photo;
};

// `FavoritesListElement2`: a row of the grid, holding the tiles of its favourites.
class FavoriteElement2 : public zentra::VListElement {
public:
    FavoriteElement2(FavoritesContainer2& container, const zentra::Properties& properties);

    void bind(zentra::VList& list, int flags, int index) override;
    // Makes the row's tiles again for the favourites of its index.
    void refresh_element();
    int index() const { return m_index; }
    const std::vector<FavoriteIcon*>& tiles() const { return m_tiles; }

private:
    FavoritesContainer2& m_container;
    const zentra::Properties& m_properties;
    std::vector<FavoriteIcon*> m_tiles;
    int m_index = -1;
};

}  // namespace velvane
