#pragma once

#include <cstdint>
#include <string>

#include "platform/pim_session.h"

namespace velvane {

// The bytes of a contact's stored picture; empty when it has none (a cleared picture is one
// zero byte).
std::string read_stored_picture(platform::pim::PimSession& session, uint32_t object_id);

// Stores bytes as the contact's picture; empty bytes clear it.
bool write_stored_picture(platform::pim::PimSession& session, uint32_t object_id,
                          const std::string& bytes);

}  // namespace velvane
