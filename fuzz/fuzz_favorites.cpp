// favorits.dat is edited by hand and by other copies of the program. Whatever it holds,
// reading must not crash or invent rows, and the rows read must write out and read back
// unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <list>
#include <string_view>

#include "contacts/favorites.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<velvane::FavoriteRecord> records = velvane::parse_favorites(bytes);
    // Every row takes two lines of at least four bytes.
    if (records.size() > size / 8) {
        std::abort();
    }
    std::list<velvane::ContactEntry> entries;
    std::vector<velvane::FavoriteRow> rows;
    for (const velvane::FavoriteRecord& r : records) {
        if (r.kind < 0 || r.kind >= velvane::kStoredKindCount) {
            std::abort();
        }
        velvane::ContactEntry& entry = entries.emplace_back();
        entry.contact.object_id = r.object_id;
        rows.push_back({&entry, r.kind});
    }
    if (velvane::parse_favorites(velvane::format_favorites(rows)) != records) {
        std::abort();
    }
    return 0;
}
