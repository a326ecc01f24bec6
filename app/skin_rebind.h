#pragma once
// Screens bound to a skin that lacks what they need: at start-up the next skin start-up would
// choose is tried, after a switch the previous skin comes back. Either way the program goes on.

#include <functional>

#include "platform/ustring.h"
#include "skin/properties.h"

namespace velvane {

using platform::WStringView;

// Start-up: runs bind with the loaded skin; while the skin lacks a definition, node or node
// type that bind needs, logs why and loads the next of skin_candidates, without writing the
// registry. Raises the first skin's error when no skin binds.
void bind_with_fallback(zentra::Properties& properties, WStringView screen,
                        const std::function<void()>& bind);

// A reload (new skin or language): runs bind for the named screen. When the skin lacks what
// the screen needs, logs why, puts back the skin and the stored choice that the last switch
// replaced, binds every screen to it again and tells the user; false then.
bool rebind_after_reload(zentra::Properties& properties, WStringView screen,
                         const std::function<void()>& bind);

}  // namespace velvane
