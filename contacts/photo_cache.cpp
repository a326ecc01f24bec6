#include "contacts/photo_cache.h"

#include <utility>

namespace velvane {

const zentra::ImageRef* PhotoCache::use(uint32_t object_id, int64_t now) {
    const auto found = m_entries.find(object_id);
    if (found == m_entries.end()) {
        return nullptr;
    }
    found->second.last_use = now;
    return &found->second.picture;
}

void PhotoCache::insert(uint32_t object_id, zentra::ImageRef picture, int64_t now) {
    m_entries[object_id] = Entry{std::move(picture), now};
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
    m_entries.erase(object_id);
}

void PhotoCache::clear() {
    m_entries.clear();
}

}  // namespace velvane
