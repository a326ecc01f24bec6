#pragma once
// The registry of node types: the skin's type name to a creator of an empty node of that
// type. Process-wide; the application fills it at start-up and empties it at the end.

#include <memory>

#include "platform/ustring.h"

namespace zentra {

class Node;

using NodeCreator = std::unique_ptr<Node> (*)();

template <typename T>
std::unique_ptr<Node> create_node() {
    return std::make_unique<T>();
}

class NodeFactory {
public:
    // Raises NodeAlreadyRegistered when the name is taken.
    static void register_type(platform::WStringView type, NodeCreator creator);
    // No error when the name is not registered.
    static void unregister_type(platform::WStringView type);
    static bool is_registered(platform::WStringView type);
    // Raises NodeNotRegistered for a name nobody registered, the empty name included.
    static std::unique_ptr<Node> create(platform::WStringView type);
};

}  // namespace zentra
