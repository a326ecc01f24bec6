#pragma once
// The program's entry: one running copy, the application and its window, the language, the
// splash and the start-up behind it, the loop, and the teardown in reverse order.

#include <functional>
#include <memory>

#include "app/startup_work.h"
#include "display/display.h"
#include "platform/ustring.h"

namespace velvane {

inline constexpr platform::WStringView kApplicationName = u"Velvane";
// The exit code when no display back end could be opened.
inline constexpr int kExitNoDisplay = 1;

// Opens the display back end once this copy knows it is the only one; null when there is no
// display to open.
using BackendFactory = std::function<std::unique_ptr<display::Backend>()>;

// 0 in every case but one: no display back end (kExitNoDisplay).
int win_main(platform::WStringView command_line, const BackendFactory& make_backend,
             const StartupWorkFactory& make_work);

}  // namespace velvane
