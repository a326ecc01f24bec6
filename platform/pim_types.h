#pragma once
// The contact database's vocabulary, with the handheld's numbers: property ids whose low 16
// bits are the value type, property flags, result codes, folder and item types, and the
// change notices posted to the logged-on window.

#include <cstdint>
#include <utility>

#include "platform/ustring.h"

namespace platform::pim {

// Result codes, shaped like the handheld's so the store's log lines read the same.
using Code = int32_t;
inline constexpr Code kOk = 0;
inline constexpr Code kFail = static_cast<Code>(0x80004005);
inline constexpr Code kInvalidArg = static_cast<Code>(0x80070057);
inline constexpr Code kOutOfMemory = static_cast<Code>(0x8007000E);
inline constexpr Code kNotFound = static_cast<Code>(0x80070490);
inline constexpr Code kAccessDenied = static_cast<Code>(0x80070005);
inline constexpr Code kBusy = static_cast<Code>(0x800700AA);
inline constexpr Code kCorrupt = static_cast<Code>(0x80070570);
inline constexpr Code kNotLoggedOn = static_cast<Code>(0x800401F0);

inline constexpr uint32_t kFolderContacts = 10;
inline constexpr uint32_t kItemAppointment = 1;
inline constexpr uint32_t kItemContact = 2;
inline constexpr uint32_t kItemTask = 3;

// Value types: the low 16 bits of a property id.
inline constexpr uint16_t kTypeUInt32 = 0x0013;
inline constexpr uint16_t kTypeText = 0x001F;
inline constexpr uint16_t kTypeFileTime = 0x0040;
inline constexpr uint16_t kTypeStream = 0x0064;
inline constexpr uint16_t kTypeObjectId = 0x0066;

constexpr uint16_t prop_type(uint32_t id) { return static_cast<uint16_t>(id & 0xFFFF); }

inline constexpr uint32_t kPropObjectId = 0x10000066;
inline constexpr uint32_t kPropPicture = 0x00FF0064;
inline constexpr uint32_t kPropFolderNotifications = 0x10010013;
inline constexpr uint32_t kPropFolderCategories = 0x101A001F;

// Flags of a property value.
inline constexpr uint16_t kPropNotFound = 0x0100;  // on a read: the item has no such value
inline constexpr uint16_t kPropDelete = 0x0200;    // on a write: remove the value

// Bits of the folder notification setting.
inline constexpr uint32_t kNotifyLocal = 1;
inline constexpr uint32_t kNotifyRemote = 2;

// Stream modes.
inline constexpr uint32_t kStreamRead = 0x80000000;
inline constexpr uint32_t kStreamWrite = 0x40000000;

// Change notices: wparam is the item's object id, lparam the folder.
inline constexpr uint32_t PIM_ITEM_CREATED_LOCAL = 0x8100;
inline constexpr uint32_t PIM_ITEM_DELETED_LOCAL = 0x8101;
inline constexpr uint32_t PIM_ITEM_CHANGED_LOCAL = 0x8102;
inline constexpr uint32_t PIM_ITEM_CREATED_REMOTE = 0x8105;
inline constexpr uint32_t PIM_ITEM_DELETED_REMOTE = 0x8106;
inline constexpr uint32_t PIM_ITEM_CHANGED_REMOTE = 0x8107;

// Kinds of the change journal's lines.
inline constexpr int kCreated = 1;
inline constexpr int kChanged = 2;
inline constexpr int kDeleted = 3;

// One property value on its way in or out. Text for text properties; number for file
// times, 32-bit numbers and object ids.
struct PropValue {
    uint32_t id = 0;
    uint16_t flags = 0;
    WString text;
    int64_t number = 0;

    static PropValue of_text(uint32_t id, WString text) {
        return PropValue{id, 0, std::move(text), 0};
    }
    static PropValue of_number(uint32_t id, int64_t number) { return PropValue{id, 0, {}, number}; }
    static PropValue deletion(uint32_t id) { return PropValue{id, kPropDelete, {}, 0}; }

    bool missing() const { return (flags & kPropNotFound) != 0; }
    bool operator==(const PropValue&) const = default;
};

}  // namespace platform::pim
