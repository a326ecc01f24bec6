#pragma once
// The contacts folder: its items and its folder properties.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/pim_items.h"
#include "platform/pim_types.h"

namespace platform::pim {

struct SessionState;
class PimSession;

class PimFolder {
public:
    uint32_t id() const { return m_id; }
    // The folder's items of its type, in the order they were created.
    Code items(std::unique_ptr<PimItems>& out);
    // Folder properties: the notification setting (for this session only) and the category
    // list (stored). Missing values come back flagged kPropNotFound.
    Code get_props(std::span<const uint32_t> ids, std::vector<PropValue>& out);
    Code set_props(std::span<const PropValue> values);

private:
    friend class PimSession;
    PimFolder(std::shared_ptr<SessionState> state, uint32_t id) : m_state(std::move(state)), m_id(id) {}
    std::shared_ptr<SessionState> m_state;
    uint32_t m_id;
};

}  // namespace platform::pim
