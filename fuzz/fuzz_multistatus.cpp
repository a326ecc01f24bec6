// A server's multistatus answer is outside input. Whatever it holds, reading must not crash,
// every address and status taken must be one the sync can use, and the packed form of the
// cards it carries must read back as it was written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sync/card_merge.h"
#include "sync/multistatus.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto parsed = velvane::sync::parse_multistatus(bytes, error);
    if (!parsed) {
        if (error.empty()) {
            std::abort();
        }
        return 0;
    }
    for (const velvane::sync::DavResponse& response : parsed->responses) {
        if (response.href.empty() || response.href.size() > velvane::sync::kMaxHrefBytes ||
            velvane::sync::clean_href(response.href) != response.href) {
            std::abort();
        }
        if (response.status != 0 && (response.status < 100 || response.status > 599)) {
            std::abort();
        }
        const platform::XmlElement* card =
            response.prop(velvane::sync::kCardDav, "address-data");
        if (card == nullptr) {
            continue;
        }
        const velvane::VCardRead read = velvane::read_vcards(card->text);
        for (const velvane::VCardContact& contact : read.contacts) {
            const velvane::sync::CardProps props = velvane::sync::card_props(contact);
            velvane::sync::CardProps back;
            if (!velvane::sync::unpack_props(velvane::sync::pack_props(props), back) || back != props) {
                std::abort();
            }
        }
    }
    return 0;
}
