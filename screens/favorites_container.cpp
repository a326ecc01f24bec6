#include "screens/favorites_container.h"

#include "skin/image_node.h"
#include "skin/node.h"
#include "skin/properties.h"
#include "skin/vlist.h"

namespace velvane {

FavoritesContainer::FavoritesContainer(zentra::Properties& properties,
                                       ContactForm::CallNumber call_number)
    : m_properties(properties),
      m_call_number(call_number),
      m_card(std::make_unique<ContactForm>(properties, std::move(call_number))) {}

FavoritesContainer::~FavoritesContainer() {
    if (m_list != nullptr) {
        m_list->set_adapter(nullptr);
    }
}

void FavoritesContainer::bind(zentra::Node& parent, zentra::Properties& properties) {
    m_root = nullptr;
    m_list = nullptr;
    zentra::Node& root = parent.find(u"FavoritesContainer");
    auto& list = root.find<zentra::VList>(u"FavoritesList");
    FavoriteElement probe(*this, properties);
    m_root = &root;
    m_list = &list;
    m_list->set_adapter(this);
    reset_rows();
}

void FavoritesContainer::reset_rows() {
    if (m_list != nullptr) {
        m_list->reset(favorite_count());
    }
}

void FavoritesContainer::call(int index) {
    const FavoriteRow* row = favorite_at(index);
    if (row == nullptr) {
        return;
    }
    const FavoriteTexts texts = favorite_texts(*row);
    if (m_call_number) {
        m_call_number(texts.value);
    }
}

void FavoritesContainer::open_card(int index) {
    const FavoriteRow* row = favorite_at(index);
    if (row != nullptr && row->entry != nullptr) {
        m_card->show(row->entry->contact, false);
    }
}

void FavoritesContainer::on_document_refresh(const RefreshHint& hint) {
    if (hint.favorite_added || hint.favorite_removed || hint.favorite_changed) {
        reset_rows();
    } else if (hint.is_load_done && m_list != nullptr && m_list->item_count() != favorite_count()) {
        // Every re-read of the call log ends in this hint too; the rows keep their place.
        reset_rows();
    }
}

void FavoritesContainer::on_item_click(zentra::VList&, int index) {
    call(index);
}

std::unique_ptr<zentra::VListElement> FavoritesContainer::create_element(zentra::VList&, int) {
    return std::make_unique<FavoriteElement>(*this, m_properties);
}

// A row

FavoriteElement::FavoriteElement(FavoritesContainer& container,
                                 const zentra::Properties& properties)
    : m_container(container) {
    if (!zentra::load_from_skin(*this, properties, u"FavoritesListElement")) {
        throw zentra::NodeNotFoundInSkin{u"FavoritesListElement"};
    }
    m_photo = FavoritePhoto(find<zentra::ImageNode>(u"photo"));
    m_big = &find(u"big");
    m_small = &find(u"small");
    m_fav = &find<zentra::ButtonNode>(u"btnFav");
    m_fav->set_listener(this);
}

void FavoriteElement::bind(zentra::VList&, int, int index) {
    m_index = index;
    const FavoriteRow* row = favorite_at(index);
    const FavoriteTexts texts = row != nullptr ? favorite_texts(*row) : FavoriteTexts{};
    m_big->set_text(m_big->name(), texts.name);
    m_small->set_text(m_small->name(), texts.value);
    m_photo.show(row != nullptr && row->entry != nullptr ? row->entry->contact.object_id : 0);
}

bool FavoriteElement::on_click(zentra::ButtonNode& button, const zentra::ButtonEvent&) {
    if (&button != m_fav) {
        return false;
    }
    m_container.open_card(m_index);
    return true;
}

}  // namespace velvane
