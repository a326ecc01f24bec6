#include "platform/device_info.h"

#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace platform {

namespace {

std::string first_line(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    std::getline(in, line);
    // Device tree strings end with a NUL.
    while (!line.empty() && (line.back() == '\0' || line.back() == ' ' || line.back() == '\r')) {
        line.pop_back();
    }
    return line;
}

// Value in kB of one /proc/meminfo field, 0 when absent.
unsigned long long meminfo_kb(const std::string& field) {
    std::ifstream in("/proc/meminfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::strtoull(line.c_str() + field.size() + 1, nullptr, 10);
        }
    }
    return 0;
}

}  // namespace

WString device_name() {
    std::string text = first_line("/proc/device-tree/model");
    if (text.empty()) {
        std::string vendor = first_line("/sys/class/dmi/id/sys_vendor");
        std::string product = first_line("/sys/class/dmi/id/product_name");
        text = vendor.empty() ? product : product.empty() ? vendor : vendor + " " + product;
    }
    WString wide = from_utf8(text);
    if (wide.size() > 1024) {
        wide.resize(1024);
    }
    return wide;
}

int os_major_version() {
    utsname name{};
    if (::uname(&name) != 0) {
        return 0;
    }
    return std::atoi(name.release);
}

bool volume_megabytes(const std::string& path, unsigned long long& total,
                      unsigned long long& free) {
    struct statvfs info{};
    if (::statvfs(path.c_str(), &info) != 0) {
        return false;
    }
    total = static_cast<unsigned long long>(info.f_blocks) * info.f_frsize / (1024 * 1024);
    free = static_cast<unsigned long long>(info.f_bavail) * info.f_frsize / (1024 * 1024);
    return true;
}

WString device_description() {
    std::ostringstream out;
    utsname name{};
    if (::uname(&name) == 0) {
        out << "OS " << name.sysname << ' ' << name.release << " (" << name.machine << ')';
    }
    out << " mem " << meminfo_kb("MemTotal") / 1024 << "MB total "
        << meminfo_kb("MemAvailable") / 1024 << "MB free";
    out << " device \"" << to_utf8(device_name()) << '"';
    // Removable volumes stand in for storage cards.
    const char* user = ::getenv("USER");
    if (user != nullptr && *user != '\0') {
        for (const std::string& base : {std::string("/media/") + user,
                                       std::string("/run/media/") + user}) {
            std::error_code error;
            for (const auto& entry : std::filesystem::directory_iterator(base, error)) {
                unsigned long long total = 0, free = 0;
                if (volume_megabytes(entry.path().string(), total, free)) {
                    out << " card " << entry.path().filename().string() << ' ' << total
                        << "MB total " << free << "MB free";
                }
            }
        }
    }
    return from_utf8(out.str());
}

}  // namespace platform
