#include "platform/charset.h"

#include <errno.h>
#include <iconv.h>
#include <uchardet.h>

namespace platform {

std::optional<std::string> convert_to_utf8(std::string_view bytes, const std::string& charset) {
    iconv_t cd = ::iconv_open("UTF-8", charset.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::string out;
    std::string input(bytes);
    char* in = input.data();
    size_t in_left = input.size();
    char buffer[4096];
    bool ok = true;
    while (in_left > 0) {
        char* o = buffer;
        size_t o_left = sizeof buffer;
        const size_t rc = ::iconv(cd, &in, &in_left, &o, &o_left);
        out.append(buffer, sizeof buffer - o_left);
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            ok = false;
            break;
        }
    }
    ::iconv_close(cd);
    return ok ? std::optional<std::string>(std::move(out)) : std::nullopt;
}

std::string guess_charset(std::string_view bytes) {
    uchardet_t detector = ::uchardet_new();
    if (detector == nullptr) {
        return {};
    }
    std::string name;
    if (::uchardet_handle_data(detector, bytes.data(), bytes.size()) == 0) {
        ::uchardet_data_end(detector);
        if (const char* found = ::uchardet_get_charset(detector); found != nullptr) {
            name = found;
        }
    }
    ::uchardet_delete(detector);
    if (name == "ASCII" || name == "UTF-8") {
        return {};  // nothing 8-bit to choose a charset for
    }
    return name;
}

}  // namespace platform
