#pragma once
// What the two favourites layouts share: a favourite's texts, and its contact's photo from
// the Document's photo cache, framed by the photo node's own picture.

#include <cstdint>

#include "contacts/document.h"
#include "platform/ustring.h"
#include "skin/image_ref.h"

namespace zentra {
class ImageNode;
}

namespace velvane {

// The favourite at index of the Document's table; null outside it or without a Document.
const FavoriteRow* favorite_at(int index);
int favorite_count();

// The contact's display name, and the value of its first field of the row's kind (empty when
// it has none).
struct FavoriteTexts {
    WString name;
    WString value;
};
FavoriteTexts favorite_texts(const FavoriteRow& row);

// The photo node of a favourite, with the skin's picture kept as its default and its frame.
class FavoritePhoto {
public:
    FavoritePhoto() = default;
    explicit FavoritePhoto(zentra::ImageNode& node);

    // Shows the contact's picture: from the photo cache when it is there for this node's
    // frame (its last use becomes now), else fetched from the store at the node's size,
    // framed and cached.
    // Without a picture the default one shows and nothing is cached.
    void show(uint32_t object_id);
    zentra::ImageNode* node() const { return m_node; }

private:
    zentra::ImageNode* m_node = nullptr;
    zentra::ImageRef m_default;
};

}  // namespace velvane
