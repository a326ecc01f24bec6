#pragma once
// The vCard property lines a contact has no field for, kept with the contact in the database
// so that an export gives back what an import took in.

#include <cstdint>
#include <string>
#include <vector>

namespace platform::pim {
class PimSession;
}

namespace velvane {

// Text property of a contact item holding its extra lines; removed with the item.
inline constexpr uint32_t kExtraVCardPropertiesId = 0x00F1001F;

// Replaces the contact's extra lines (none deletes the property). False when the item cannot
// be had or written.
bool store_extra_properties(platform::pim::PimSession& session, uint32_t object_id,
                            const std::vector<std::string>& lines);
// The contact's extra lines; none when it has none or cannot be read.
std::vector<std::string> read_extra_properties(platform::pim::PimSession& session,
                                               uint32_t object_id);

// The stored form: lines joined by LF, every byte one UTF-16 unit, so that lines in any
// charset come back byte for byte.
std::u16string pack_extra_properties(const std::vector<std::string>& lines);
std::vector<std::string> unpack_extra_properties(std::u16string_view packed);

}  // namespace velvane
