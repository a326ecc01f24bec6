#pragma once
// A snapshot of a folder's items, read by position.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/pim_item.h"
#include "platform/pim_types.h"

namespace platform::pim {

struct SessionState;
class PimFolder;

// A snapshot of a folder's items: the count and the 1-based positions stay as they were when
// it was taken. Reads by position fetch every item's properties with one query the first
// time and hand each item's values out once; a position read again, or read after a write of
// this session, is read from the database on its own.
class PimItems {
public:
    ~PimItems();
    int count() const;
    Code item(int index, std::unique_ptr<PimItem>& out);
    Code get_props(int index, std::span<const uint32_t> ids, std::vector<PropValue>& out);

private:
    friend class PimFolder;
    struct Cache;
    PimItems(std::shared_ptr<SessionState> state, std::vector<uint32_t> oids, uint64_t writes);
    std::shared_ptr<SessionState> m_state;
    std::vector<uint32_t> m_oids;
    uint64_t m_writes_at_snapshot;
    std::unique_ptr<Cache> m_cache;
};

}  // namespace platform::pim
