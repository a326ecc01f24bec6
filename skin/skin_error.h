#pragma once
// Names what a skin lacks, for code that must go on when a screen or a row cannot be built
// from the loaded skin.

#include "platform/ustring.h"

namespace zentra {

// Called inside a catch block: the exception being handled, when it is one of the skin's
// errors of a missing definition, node or node type, as words for the log; any other
// exception is thrown on.
platform::WString current_skin_error();

}  // namespace zentra
