#include "screens/favorite_item.h"

#include "platform/clock.h"
#include "skin/form_host.h"
#include "skin/image_node.h"
#include "skin/photo_frame.h"

namespace velvane {

namespace {

// The frame is a mask: key pixels stay transparent, marked ones let the photo through.
constexpr uint32_t kFrameFlags = 0;

void show_source(zentra::ImageNode& node, const zentra::ImageRef& source) {
    // A new source lays the row out again; the same one must not.
    if (source.picture != node.source().picture || source.pairs != node.source().pairs) {
        node.set_source(source);
    }
}

}  // namespace

const FavoriteRow* favorite_at(int index) {
    Document* document = Document::get_instance();
    if (document == nullptr || index < 0 ||
        static_cast<size_t>(index) >= document->favorites().size()) {
        return nullptr;
    }
    return &document->favorites()[static_cast<size_t>(index)];
}

int favorite_count() {
    Document* document = Document::get_instance();
    return document != nullptr ? static_cast<int>(document->favorites().size()) : 0;
}

FavoriteTexts favorite_texts(const FavoriteRow& row) {
    FavoriteTexts texts;
    if (row.entry == nullptr) {
        return texts;
    }
    const Contact& contact = row.entry->contact;
    texts.name = Document::display_name(contact);
    for (const ContactField& field : contact.fields) {
        if (static_cast<int32_t>(field.kind) == row.kind) {
            texts.value = field.value;
            break;
        }
    }
    return texts;
}

FavoritePhoto::FavoritePhoto(zentra::ImageNode& node) : m_node(&node), m_default(node.source()) {}

void FavoritePhoto::show(uint32_t object_id) {
    if (m_node == nullptr) {
        return;
    }
    Document* document = Document::get_instance();
    if (document == nullptr || object_id == 0) {
        show_source(*m_node, m_default);
        return;
    }
    const int64_t now = platform::tick_count();
    PhotoCache& cache = document->photo_cache();
    if (const zentra::ImageRef* cached = cache.use(object_id, m_default, now)) {
        show_source(*m_node, *cached);
        return;
    }
    zentra::Size box = m_node->size();
    if (box.w <= 0 || box.h <= 0) {
        // Not laid out yet: the size the skin asks for.
        const zentra::FormHost* host = zentra::FormHost::instance();
        const int shift = host != nullptr ? host->screen_metrics().scale_shift() : 0;
        box = {m_node->design_size().w << shift, m_node->design_size().h << shift};
    }
    ContactSource* store = document->store();
    const zentra::ImageRef picture = store != nullptr && box.w > 0 && box.h > 0
                                         ? store->picture(object_id, box.w, box.h)
                                         : zentra::ImageRef{};
    if (picture.empty()) {
        show_source(*m_node, m_default);
        return;
    }
    zentra::ImageRef framed = zentra::framed_photo(picture, m_default, kFrameFlags);
    show_source(*m_node, framed);
    cache.insert(object_id, m_default, std::move(framed), now);
}

}  // namespace velvane
