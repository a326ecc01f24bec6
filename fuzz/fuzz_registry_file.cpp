// The settings file is plain text that users and other programs edit; whatever it holds,
// reading must not crash, and what we write back must read back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/registry_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto first = platform::RegistryDocument::parse(bytes);
    const std::string written = first.serialize();
    const auto second = platform::RegistryDocument::parse(written);
    if (second.serialize() != written) {
        std::abort();
    }
    return 0;
}
