#pragma once
// Placing a call: the phone's make-call function. The phone engine installs the real one;
// until it does, no call can be placed and make_call says so.

#include <functional>

#include "platform/ustring.h"

namespace platform {

using MakeCallFunction = std::function<bool(WStringView number)>;

// Installs the function that places calls; an empty one removes it. Gives the previous one.
MakeCallFunction set_make_call_function(MakeCallFunction function);

// Places a call to number; false when no phone can place it.
bool make_call(WStringView number);

}  // namespace platform
