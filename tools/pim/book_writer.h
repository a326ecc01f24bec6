#pragma once
// The tool's side of writing many new contacts at once: progress on the terminal.

#include <functional>

#include "contacts/vcard_import.h"
#include "tools/pim/tool.h"

namespace pim_tool {

// Progress on standard error while it is a terminal, refreshed in place.
std::function<void(size_t, size_t)> terminal_progress(const char* verb);

}  // namespace pim_tool
