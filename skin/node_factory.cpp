#include "skin/node_factory.h"

#include <cassert>
#include <map>

#include "skin/exceptions.h"
#include "skin/node.h"

namespace zentra {

namespace {
// Used from the UI thread only (and by start-up before the UI runs), so no lock.
std::map<platform::WString, NodeCreator, std::less<>>& registry() {
    static std::map<platform::WString, NodeCreator, std::less<>> types;
    return types;
}
}  // namespace

void NodeFactory::register_type(platform::WStringView type, NodeCreator creator) {
    assert(creator != nullptr);
    auto [it, inserted] = registry().emplace(platform::WString(type), creator);
    if (!inserted) {
        throw NodeAlreadyRegistered{platform::WString(type)};
    }
}

void NodeFactory::unregister_type(platform::WStringView type) {
    auto& types = registry();
    if (auto it = types.find(type); it != types.end()) {
        types.erase(it);
    }
}

bool NodeFactory::is_registered(platform::WStringView type) {
    return registry().find(type) != registry().end();
}

std::unique_ptr<Node> NodeFactory::create(platform::WStringView type) {
    auto& types = registry();
    auto it = types.find(type);
    if (it == types.end()) {
        throw NodeNotRegistered{platform::WString(type)};
    }
    return it->second();
}

}  // namespace zentra
