#pragma once
// The contact pictures the favourites screens have decoded and framed, by contact, so each is
// made once. The least recently used one goes when the cache grows past its bound.

#include <cstddef>
#include <cstdint>
#include <map>

#include "skin/image_ref.h"

namespace velvane {

class PhotoCache {
public:
    // At most this many pictures remain after an insertion.
    static constexpr size_t kKeptAfterInsert = 19;

    struct Entry {
        zentra::ImageRef picture;
        int64_t last_use = 0;
    };

    // The contact's picture, its last use now; null when the cache has none.
    const zentra::ImageRef* use(uint32_t object_id, int64_t now);
    // Stores (or replaces) the contact's picture with last use now, then evicts the oldest
    // entries (on equal times the smallest contact id) until kKeptAfterInsert remain.
    void insert(uint32_t object_id, zentra::ImageRef picture, int64_t now);
    // Forgets the contact's picture (it changed in the store).
    void drop(uint32_t object_id);
    void clear();

    size_t size() const { return m_entries.size(); }
    bool contains(uint32_t object_id) const { return m_entries.count(object_id) != 0; }
    const std::map<uint32_t, Entry>& entries() const { return m_entries; }

private:
    // Ordered by id, so the first of the oldest found is the one with the smallest id.
    std::map<uint32_t, Entry> m_entries;
};

}  // namespace velvane
