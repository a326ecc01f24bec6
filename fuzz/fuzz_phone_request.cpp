// The phone tool's requests come over a socket from another process: whatever they hold,
// splitting them must not crash, and every word taken must be valid text within the limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/phone_engine_control.h"
#include "platform/ustring.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > platform::kMaxPhoneRequestBytes * 2) {
        return 0;
    }
    std::vector<std::string> words;
    if (!platform::parse_phone_request(reinterpret_cast<const char*>(data),
                                       static_cast<uint32_t>(size), words)) {
        return 0;
    }
    if (words.size() > platform::kMaxPhoneWords) {
        std::abort();
    }
    for (const std::string& word : words) {
        for (unsigned char c : word) {
            if (c < 0x20 || c == 0x7F) {
                std::abort();
            }
        }
        // Valid UTF-8 survives a round trip through the program's own strings.
        if (platform::to_utf8(platform::from_utf8(word)) != word) {
            std::abort();
        }
    }
    return 0;
}
