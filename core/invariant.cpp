#include "core/invariant.h"

#include <string>

namespace velvane {

void invariant_failed(const char* file, int line, const char* condition) {
    const std::string place = std::string(file) + ":" + std::to_string(line);
    fatal(platform::from_utf8(place), platform::from_utf8(std::string("assert ") + condition));
}

}  // namespace velvane
