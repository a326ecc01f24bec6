#pragma once
// The contact pictures the favourites screens have decoded and framed, by contact and frame,
// so each is made once. The least recently used one goes when the cache grows past its bound.

#include <compare>
#include <cstddef>
#include <cstdint>
#include <map>

#include "skin/image_ref.h"

namespace velvane {

class PhotoCache {
public:
    // At most this many pictures remain after an insertion.
    static constexpr size_t kKeptAfterInsert = 19;

    // A picture is combined with the frame of the node that shows it, and the list and the
    // grid frame theirs with pictures of their own (of other sizes, on other grounds): one
    // layout's picture is wrong in the other's node, so each frame keeps its own.
    struct Key {
        uint32_t object_id = 0;
        uintptr_t frame = 0;  // the frame's picture; 0 for none
        friend auto operator<=>(const Key&, const Key&) = default;
    };
    struct Entry {
        zentra::ImageRef picture;
        int64_t last_use = 0;
        // Kept so the key's picture lives as long as the entry.
        zentra::ImageRef frame;
    };

    // The contact's picture made with frame, its last use now; null when the cache has none.
    const zentra::ImageRef* use(uint32_t object_id, const zentra::ImageRef& frame, int64_t now);
    // Stores (or replaces) the contact's picture made with frame, with last use now, then
    // evicts the oldest entries (on equal times the smallest contact id) until
    // kKeptAfterInsert remain.
    void insert(uint32_t object_id, const zentra::ImageRef& frame, zentra::ImageRef picture,
                int64_t now);
    // Forgets the contact's pictures, with every frame (it changed in the store).
    void drop(uint32_t object_id);
    void clear();

    size_t size() const { return m_entries.size(); }
    // Whether the contact has a picture with any frame.
    bool contains(uint32_t object_id) const;
    const std::map<Key, Entry>& entries() const { return m_entries; }

private:
    // Ordered by id, so the first of the oldest found is the one with the smallest id.
    std::map<Key, Entry> m_entries;
};

}  // namespace velvane
