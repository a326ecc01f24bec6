#include "screens/favorites_grid_container.h"

#include <algorithm>

#include "core/log.h"
#include "platform/clock.h"
#include "skin/image_node.h"
#include "skin/node.h"
#include "skin/properties.h"
#include "skin/vlist.h"

namespace velvane {

namespace {

int elapsed_since(uint32_t start) {
    return static_cast<int>(platform::tick_count() - start);
}

}  // namespace

GridShape grid_shape(int width, int probe_width) {
    GridShape shape;
    if (width > 0 && probe_width > 0) {
        shape.items_per_row = std::max(width / probe_width, 1);
    }
    shape.tile_width = std::max(width, 0) / shape.items_per_row;
    return shape;
}

int grid_rows(int count, int items_per_row) {
    if (count <= 0 || items_per_row <= 0) {
        return 0;
    }
    return (count + items_per_row - 1) / items_per_row;
}

GridRange grid_row_range(int row, int items_per_row, int count) {
    if (row < 0 || items_per_row <= 0) {
        return {};
    }
    const int first = std::min(row * items_per_row, std::max(count, 0));
    return {first, std::min((row + 1) * items_per_row, std::max(count, 0))};
}

FavoritesContainer2::FavoritesContainer2(zentra::Properties& properties,
                                         ContactForm::CallNumber call_number)
    : m_properties(properties),
      m_call_number(call_number),
      m_card(std::make_unique<ContactForm>(properties, std::move(call_number))) {}

FavoritesContainer2::~FavoritesContainer2() {
    if (m_list != nullptr) {
        m_list->set_adapter(nullptr);
    }
}

void FavoritesContainer2::bind(zentra::Node& parent, zentra::Properties& properties) {
    m_root = nullptr;
    m_list = nullptr;
    zentra::Node& root = parent.find(u"FavoritesContainer2");
    auto& list = root.find<zentra::VList>(u"FavoritesList2");
    FavoriteElement2 probe_row(*this, properties);
    m_root = &root;
    m_list = &list;
    m_list->set_adapter(this);
    // The shape is measured again at the first layout of the new nodes.
    m_shape = {};
    m_list->reset(row_count());
}

void FavoritesContainer2::set_up() {
    if (m_root == nullptr || m_list == nullptr) {
        return;
    }
    int probe_width = 0;
    {
        FavoriteIcon probe(nullptr, m_properties, -1);
        probe_width = probe.measured_width().preferred;
    }
    const GridShape shape = grid_shape(m_root->size().w, probe_width);
    if (shape == m_shape && m_list->item_count() == row_count()) {
        return;
    }
    m_shape = shape;
    m_list->reset(row_count());
}

void FavoritesContainer2::call(int favorite) {
    const FavoriteRow* row = favorite_at(favorite);
    if (row == nullptr) {
        return;
    }
    const FavoriteTexts texts = favorite_texts(*row);
    if (m_call_number) {
        m_call_number(texts.value);
    }
}

void FavoritesContainer2::open_card(int favorite) {
    const FavoriteRow* row = favorite_at(favorite);
    if (row != nullptr && row->entry != nullptr) {
        m_card->show(row->entry->contact, false);
    }
}

void FavoritesContainer2::follow_count() {
    const int rows = row_count();
    while (m_list->item_count() < rows) {
        m_list->item_inserted(m_list->item_count());
    }
    while (m_list->item_count() > rows) {
        m_list->item_removed(m_list->item_count() - 1);
    }
    m_list->all_items_changed();
}

void FavoritesContainer2::on_document_refresh(const RefreshHint& hint) {
    if (m_list == nullptr) {
        return;
    }
    const uint32_t start = platform::tick_count();
    if (hint.favorite_added) {
        follow_count();
        log() << "FavoritesContainer2::on_document_refresh add " << elapsed_since(start) << "\n";
    } else if (hint.favorite_removed) {
        follow_count();
        log() << "FavoritesContainer2::on_document_refresh remove " << elapsed_since(start) << "\n";
    } else if (hint.favorite_changed) {
        m_list->item_changed(hint.favorite_position / m_shape.items_per_row);
    } else if (hint.is_load_done && m_list->item_count() != row_count()) {
        // Every re-read of the call log ends in this hint too; rows that stay keep their
        // place rather than jump to the top each time the program comes back.
        m_list->reset(row_count());
    }
}

std::unique_ptr<zentra::VListElement> FavoritesContainer2::create_element(zentra::VList&, int) {
    return std::make_unique<FavoriteElement2>(*this, m_properties);
}

// A tile

FavoriteIcon::FavoriteIcon(FavoritesContainer2* container, const zentra::Properties& properties,
                           int favorite)
    : m_container(container), m_favorite(favorite) {
    const uint32_t start = platform::tick_count();
    if (!zentra::load_from_skin(*this, properties, u"FavoritesItem")) {
        throw zentra::NodeNotFoundInSkin{u"FavoritesItem"};
    }
    m_contact = &find<zentra::ButtonNode>(u"btnContact");
    m_fav = &find<zentra::ButtonNode>(u"btnFav");
    m_photo = FavoritePhoto(find<zentra::ImageNode>(u"photo"));
    m_text1 = &find(u"text1");
    m_text2 = &find(u"text2");
    m_contact->set_listener(this);
    m_fav->set_listener(this);
    if (const FavoriteRow* row = favorite_at(favorite)) {
        const FavoriteTexts texts = favorite_texts(*row);
        m_text1->set_text(m_text1->name(), texts.name);
        m_text2->set_text(m_text2->name(), texts.value);
        m_photo.show(row->entry != nullptr ? row->entry->contact.object_id : 0);
    }
    log() << "FavoriteIcon time  " << elapsed_since(start) << "\n";
}

bool FavoriteIcon::on_click(zentra::ButtonNode& button, const zentra::ButtonEvent&) {
    if (m_container == nullptr) {
        return false;
    }
    if (&button == m_contact) {
        m_container->call(m_favorite);
        return true;
    }
    if (&button == m_fav) {
        m_container->open_card(m_favorite);
        return true;
    }
    return false;
}

// A row

FavoriteElement2::FavoriteElement2(FavoritesContainer2& container,
                                   const zentra::Properties& properties)
    : m_container(container), m_properties(properties) {
    if (!zentra::load_from_skin(*this, properties, u"FavoritesListElement2")) {
        throw zentra::NodeNotFoundInSkin{u"FavoritesListElement2"};
    }
}

void FavoriteElement2::bind(zentra::VList&, int, int index) {
    m_index = index;
    refresh_element();
}

void FavoriteElement2::refresh_element() {
    const uint32_t start = platform::tick_count();
    for (FavoriteIcon* tile : m_tiles) {
        const int at = index_of(tile);
        if (at >= 0) {
            take_child(at);
        }
    }
    m_tiles.clear();
    const int per_row = m_container.items_per_row();
    const int width = m_container.tile_width();
    const GridRange range = grid_row_range(m_index, per_row, favorite_count());
    for (int favorite = range.first; favorite < range.end; ++favorite) {
        auto tile = std::make_unique<FavoriteIcon>(&m_container, m_properties, favorite);
        const int d = favorite - range.first;
        tile->set_anchors(zentra::AnchorMode::BothSide, tile->anchor_y());
        tile->set_borders({d * width, tile->border_min().y},
                          {(per_row - d - 1) * width, tile->border_max().y});
        m_tiles.push_back(tile.get());
        add_child(std::move(tile));
    }
    mark_dirty();
    log() << "FavoriteElement2::refresh_element " << elapsed_since(start) << "\n";
}

}  // namespace velvane
