#pragma once
// The one table of the skin's node types: adding a type is one line in node_types.cpp.

#include <span>

#include "skin/node_factory.h"

namespace zentra {

struct NodeType {
    const char16_t* name;  // as the skin's `type` property writes it
    NodeCreator creator;
};

// Every type of the table, in table order.
std::span<const NodeType> node_types();

// Registers every type of the table with NodeFactory; a name already registered raises
// NodeAlreadyRegistered, as a second registration would. The application calls this once at
// start-up.
void register_node_types();
// Unregisters every type of the table; names that are not registered are skipped.
void unregister_node_types();

}  // namespace zentra
