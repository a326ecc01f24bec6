#pragma once
// One item of the contact database: its properties as saved with this object's unsaved
// changes, its picture, and the save and remove that write them.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/pim_stream.h"
#include "platform/pim_types.h"

namespace platform::pim {

struct SessionState;
class PimSession;
class PimItems;

class PimItem {
public:
    ~PimItem();
    // 0 until a new item is saved.
    uint32_t oid() const { return m_oid; }
    uint32_t type() const { return m_type; }

    // Values as saved, with this item's unsaved changes applied; kPropObjectId gives the oid.
    Code get_props(std::span<const uint32_t> ids, std::vector<PropValue>& out);
    // Changes held until save. A value flagged kPropDelete removes the property; a value
    // whose type does not fit its id, or a read-only property, fails the whole call.
    Code set_props(std::span<const PropValue> values);
    // Writes the changes in one transaction and posts the created or changed notice.
    Code save();
    // Deletes the item with its picture and posts the deleted notice.
    Code remove();
    // kPropPicture only. A write stream replaces the picture when committed and saved.
    Code open_property(uint32_t id, uint32_t mode, std::unique_ptr<PimStream>& out);

private:
    friend class PimSession;
    friend class PimItems;
    friend class PimStream;
    struct Pending;
    PimItem(std::shared_ptr<SessionState> state, uint32_t oid, uint32_t type);
    // What a committed write stream hands over; saved with the item.
    void hold_picture(std::vector<uint8_t> bytes);
    static Code fetch(const std::shared_ptr<SessionState>& state, uint32_t oid,
                      std::unique_ptr<PimItem>& out);
    std::shared_ptr<SessionState> m_state;
    uint32_t m_oid;
    uint32_t m_type;
    std::unique_ptr<Pending> m_pending;
};

}  // namespace platform::pim
