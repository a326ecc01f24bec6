// velvane-reg: reads and writes the settings: the user's registry file, and the machine's for
// HKEY_LOCAL_MACHINE (which only its owner, root, can change).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/registry.h"
#include "platform/ustring.h"

namespace {

constexpr int kUsageError = 2;

int usage() {
    std::fputs(
        "usage: velvane-reg get PATH NAME\n"
        "       velvane-reg set PATH NAME dword|string VALUE\n"
        "       velvane-reg delete PATH NAME\n"
        "PATH starts with HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE, HKEY_USERS or\n"
        "HKEY_CURRENT_USER, e.g. 'HKEY_CURRENT_USER\\Software\\Quorr'.\n"
        "A dword VALUE is decimal or 0x hexadecimal.\n",
        stderr);
    return kUsageError;
}

bool parse_dword(std::string_view text, std::uint32_t& out) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() > 10) {
        return false;
    }
    std::uint64_t value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return false;
        }
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (value > 0xFFFFFFFFu) {
            return false;
        }
    }
    out = static_cast<std::uint32_t>(value);
    return true;
}

int fail(std::string_view what, std::string_view path, std::string_view name) {
    std::fprintf(stderr, "velvane-reg: %.*s %.*s under %.*s\n", static_cast<int>(what.size()),
                 what.data(), static_cast<int>(name.size()), name.data(),
                 static_cast<int>(path.size()), path.data());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return usage();
    }
    const std::string_view command = argv[1];
    if ((command == "get" || command == "delete") && argc == 4) {
        const std::string_view path = argv[2], name = argv[3];
        const platform::WString wpath = platform::from_utf8(path);
        const platform::WString wname = platform::from_utf8(name);
        if (command == "delete") {
            return velvane::delete_value(wpath, wname) ? 0 : fail("no value", path, name);
        }
        std::uint32_t number = 0;
        platform::WString text;
        if (velvane::read_dword(wpath, wname, number)) {
            std::printf("%u\n", static_cast<unsigned>(number));
            return 0;
        }
        if (velvane::read_string(wpath, wname, text)) {
            std::printf("%s\n", platform::to_utf8(text).c_str());
            return 0;
        }
        return fail("no value", path, name);
    }
    if (command == "set" && argc == 6) {
        const std::string_view path = argv[2], name = argv[3], type = argv[4], value = argv[5];
        const platform::WString wpath = platform::from_utf8(path);
        const platform::WString wname = platform::from_utf8(name);
        bool written;
        if (type == "dword") {
            std::uint32_t number = 0;
            if (!parse_dword(value, number)) {
                return usage();
            }
            written = velvane::write_dword(wpath, wname, number);
        } else if (type == "string") {
            written = velvane::write_string(wpath, wname, platform::from_utf8(value));
        } else {
            return usage();
        }
        return written ? 0 : fail("cannot write", path, name);
    }
    return usage();
}
