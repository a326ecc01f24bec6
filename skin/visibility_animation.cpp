#include "skin/visibility_animation.h"

#include "app/core/log.h"

namespace zentra {

std::unique_ptr<VisibilityAnimation> create_visibility_animation(platform::WStringView name) {
    // No kind is registered yet; each one adds its name here as it arrives.
    velvane::log() << "create_visibility_animation unknown animation {" << name << "}\n";
    return nullptr;
}

}  // namespace zentra
