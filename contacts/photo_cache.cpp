#include "contacts/photo_cache.h"

#include <utility>

namespace velvane {

namespace {

PhotoCache::Key key_of(uint32_t object_id, const zentra::ImageRef& frame) {
    return {object_id, reinterpret_cast<uintptr_t>(frame.picture.get())};
}

// One picture may hold several frames; the part taken counts too.
bool same_frame(const zentra::ImageRef& a, const zentra::ImageRef& b) {
    return a.picture == b.picture && a.pairs == b.pairs && a.scale_shift == b.scale_shift;
}

}  // namespace

const zentra::ImageRef* PhotoCache::use(uint32_t object_id, const zentra::ImageRef& frame,
                                        int64_t now) {
    const auto found = m_entries.find(key_of(object_id, frame));
    if (found == m_entries.end() || !same_frame(found->second.frame, frame)) {
        return nullptr;
    }
    found->second.last_use = now;
    return &found->second.picture;
}

void PhotoCache::insert(uint32_t object_id, const zentra::ImageRef& frame, zentra::ImageRef picture,
                        int64_t now) {
    m_entries[key_of(object_id, frame)] = Entry{std::move(picture), now, frame};
    while (m_entries.size() > kKeptAfterInsert) {
        auto oldest = m_entries.begin();
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->second.last_use < oldest->second.last_use) {
                oldest = it;
            }
        }
        m_entries.erase(oldest);
    }
}

void PhotoCache::drop(uint32_t object_id) {
    auto it = m_entries.lower_bound(Key{object_id, 0});
    while (it != m_entries.end() && it->first.object_id == object_id) {
        it = m_entries.erase(it);
    }
}

bool PhotoCache::contains(uint32_t object_id) const {
    const auto it = m_entries.lower_bound(Key{object_id, 0});
    return it != m_entries.end() && it->first.object_id == object_id;
}

void PhotoCache::clear() {
    m_entries.clear();
}

}  // namespace velvane
