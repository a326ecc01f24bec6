// vCards come from other programs. Whatever a file holds, reading must not crash, a failed
// read keeps no card, every line left out is named, and what was read must write out and
// read back unchanged, the lines it keeps for writing back included.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "contacts/vcard.h"

namespace {

std::vector<std::string> sorted(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

bool same(const velvane::VCardContact& a, const velvane::VCardContact& b) {
    return a.contact.first_name == b.contact.first_name &&
           a.contact.last_name == b.contact.last_name && a.contact.company == b.contact.company &&
           a.contact.fields == b.contact.fields && a.photo == b.photo &&
           sorted(a.extra_properties) == sorted(b.extra_properties);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const velvane::VCardRead read = velvane::read_vcards(bytes);
    for (const velvane::VCardError& skipped : read.skipped) {
        if (skipped.line < 1 || skipped.message.empty()) {
            std::abort();
        }
    }
    if (read.error) {
        if (!read.contacts.empty() || read.error->line < 1) {
            std::abort();
        }
        return 0;
    }
    for (const velvane::VCardContact& card : read.contacts) {
        const auto& fields = card.contact.fields;
        for (size_t i = 0; i < fields.size(); ++i) {
            // One value per kind, in kind order, never empty, group following the kind.
            if (fields[i].value.empty() || fields[i].group != velvane::group_of(fields[i].kind) ||
                (i > 0 &&
                 static_cast<int>(fields[i - 1].kind) >= static_cast<int>(fields[i].kind))) {
                std::abort();
            }
        }
    }
    const velvane::VCardRead again = velvane::read_vcards(velvane::write_vcards(read.contacts));
    if (again.error || again.contacts.size() != read.contacts.size()) {
        std::abort();
    }
    // What was written reads back without a new complaint; a kept line the reader names on
    // every read (a picture given by its address) is named again.
    for (const velvane::VCardError& skipped : again.skipped) {
        if (std::none_of(read.skipped.begin(), read.skipped.end(),
                         [&](const velvane::VCardError& first) {
                             return first.message == skipped.message;
                         })) {
            std::abort();
        }
    }
    for (size_t i = 0; i < read.contacts.size(); ++i) {
        if (!same(read.contacts[i], again.contacts[i])) {
            std::abort();
        }
    }
    return 0;
}
