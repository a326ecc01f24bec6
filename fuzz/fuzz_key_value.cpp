// Language files, the keypad map and the favourites are edited by hand; whatever they hold,
// reading must not crash, and no entry may come out with an empty key.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/key_value.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    velvane::KeyValues map;
    velvane::parse_key_values(bytes, map);
    for (const auto& [key, text] : map) {
        if (key.empty() || key.find_first_of(u"\r\n =\t") != std::u16string::npos) {
            std::abort();
        }
    }
    return 0;
}
