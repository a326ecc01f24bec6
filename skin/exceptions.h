#pragma once
// The skin engine's exceptions. They carry names only, no message text, and nothing inside
// the engine catches them: they reach the code that built the screen.

#include "platform/ustring.h"

namespace zentra {

// A screen asked to fill itself from a definition the skin does not have.
struct NodeNotFoundInSkin {
    platform::WString name;
};

// A named descendant that must exist is missing (or is not of the expected class).
struct NodeNotFound {
    platform::WString parent_name;
    platform::WString name;
};

// A record's type names no registered node type; the empty name included.
struct NodeNotRegistered {
    platform::WString type;
};

// A node type name was registered twice.
struct NodeAlreadyRegistered {
    platform::WString type;
};

}  // namespace zentra
