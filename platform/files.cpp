#include "platform/files.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/native_file.h"

namespace platform {

namespace {

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string home() {
    std::string h = env("HOME");
    if (!h.empty()) {
        return h;
    }
    struct passwd pw {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::getuid(), &pw, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return "/";
}

std::string strip_trailing_slashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// An XDG variable counts only when it holds an absolute path, as the XDG rules say.
std::string xdg(const char* name, const char* below_home) {
    std::string value = env(name);
    if (!value.empty() && value[0] == '/') {
        return strip_trailing_slashes(value);
    }
    return home() + below_home;
}

std::string data_home() { return xdg("XDG_DATA_HOME", "/.local/share"); }
std::string config_home() { return xdg("XDG_CONFIG_HOME", "/.config"); }

std::string documents_native() { return xdg("XDG_DOCUMENTS_DIR", "/Documents"); }

std::string temp_native() {
    std::string t = env("TMPDIR");
    return t.empty() ? std::string("/tmp") : t;
}

std::string parent_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool lexists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// File names are UTF-8 bytes; folding only ASCII letters leaves multi-byte sequences intact.
bool same_ignoring_ascii_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) {
            return false;
        }
    }
    return true;
}

// The entry of folder whose name equals name without regard to case. Linux allows several
// such entries; the smallest by byte order wins so the choice does not depend on readdir.
bool find_entry_ignoring_case(const std::string& folder, const std::string& name,
                              std::string& found) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return false;
    }
    bool any = false;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view candidate(entry->d_name);
        if (same_ignoring_ascii_case(candidate, name) && (!any || candidate < found)) {
            found.assign(candidate);
            any = true;
        }
    }
    ::closedir(dir);
    return any;
}

std::string join(const std::string& folder, const std::string& name, bool absolute) {
    if (folder.empty()) {
        return absolute ? "/" + name : name;
    }
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string resolve_case(const std::string& path) {
    if (path.empty() || lexists(path)) {
        return path;
    }
    const bool absolute = path[0] == '/';
    const bool trailing = path.back() == '/';
    std::string current;
    bool lost = false;  // once a component matches nothing, the rest cannot exist either
    size_t pos = 0;
    while (pos < path.size()) {
        size_t end = path.find('/', pos);
        if (end == std::string::npos) {
            end = path.size();
        }
        const std::string component = path.substr(pos, end - pos);
        pos = end + 1;
        if (component.empty()) {
            continue;
        }
        const std::string exact = join(current, component, absolute);
        std::string match;
        if (lost || lexists(exact)) {
            current = exact;
        } else if (find_entry_ignoring_case(
                       current.empty() ? (absolute ? std::string("/") : std::string("."))
                                       : current,
                       component, match)) {
            current = join(current, match, absolute);
        } else {
            lost = true;
            current = exact;
        }
    }
    if (current.empty() && absolute) {
        current = "/";
    }
    if (trailing && current.back() != '/') {
        current += '/';
    }
    return current;
}

// "\My Documents\..." and "\Temp\..." stand for the documents and temporary folders.
std::string map_handheld_folder(const std::string& path) {
    if (path.empty() || path[0] != '/') {
        return path;
    }
    size_t end = path.find('/', 1);
    if (end == std::string::npos) {
        end = path.size();
    }
    const std::string_view first(path.data() + 1, end - 1);
    const std::string rest = path.substr(end);
    if (same_ignoring_ascii_case(first, "My Documents")) {
        return strip_trailing_slashes(documents_native()) + rest;
    }
    if (same_ignoring_ascii_case(first, "Temp")) {
        return strip_trailing_slashes(temp_native()) + rest;
    }
    return path;
}

std::string velvane_below(const std::string& base) { return base + "/velvane"; }

std::string module_native() {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) {
            return {};
        }
        if (static_cast<size_t>(n) < buffer.size()) {
            buffer.resize(static_cast<size_t>(n));
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    // A program rebuilt while it runs still names its old file, marked as deleted.
    constexpr std::string_view kDeleted = " (deleted)";
    if (buffer.size() > kDeleted.size() && buffer.ends_with(kDeleted)) {
        buffer.resize(buffer.size() - kDeleted.size());
    }
    return buffer;
}

bool private_folder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    struct stat st {};
    // lstat: a symbolic link planted in a shared /tmp must not be followed.
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
        return false;
    }
    if ((st.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0) {
        return false;
    }
    return true;
}

}  // namespace

WString module_file_name() { return from_utf8(module_native()); }

WString special_folder(int id) {
    std::string folder;
    switch (id) {
        case kFolderPrograms:
        case kFolderStartMenu:
            folder = data_home() + "/applications";
            break;
        case kFolderPersonal:
            folder = documents_native();
            break;
        case kFolderFavorites:
            folder = velvane_below(data_home()) + "/favorites";
            break;
        case kFolderStartup:
            folder = config_home() + "/autostart";
            break;
        case kFolderAppData:
            folder = velvane_below(data_home());
            break;
        case kFolderWindows:
            folder = velvane_below(data_home()) + "/windows";
            break;
        case kFolderProgramFiles:
            // The program folder's parent; the root folder comes out as "".
            return from_utf8(parent_of(parent_of(module_native())));
        default:
            return {};
    }
    return from_utf8(strip_trailing_slashes(folder));
}

WString documents_folder() { return from_utf8(strip_trailing_slashes(documents_native())); }
WString temp_folder() { return from_utf8(strip_trailing_slashes(temp_native())); }
WString user_data_folder() { return from_utf8(velvane_below(data_home())); }
WString config_folder() {
    std::string folder;
    config_folder_native(folder);
    return from_utf8(folder);
}

void config_folder_native(std::string& out) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        out.assign(config);
        while (out.size() > 1 && out.back() == '/') {
            out.pop_back();
        }
    } else {
        const char* h = std::getenv("HOME");
        if (h != nullptr && h[0] != '\0') {
            out.assign(h);
        } else {
            out = home();
        }
        out += "/.config";
    }
    out += "/velvane";
}

WString runtime_folder() {
    const std::string runtime = env("XDG_RUNTIME_DIR");
    // Without XDG_RUNTIME_DIR the folder stays directly in /tmp rather than $TMPDIR, so
    // socket paths stay well below the 108-byte limit.
    const std::string folder = (!runtime.empty() && runtime[0] == '/')
                                   ? strip_trailing_slashes(runtime) + "/velvane"
                                   : "/tmp/velvane-" + std::to_string(::getuid());
    return private_folder(folder) ? from_utf8(folder) : WString();
}

std::string native_path(WStringView path) {
    std::string p = to_utf8(path);
    std::replace(p.begin(), p.end(), '\\', '/');
    return resolve_case(map_handheld_folder(p));
}

bool file_exists(WStringView path) {
    struct stat st {};
    return ::stat(native_path(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool folder_exists(WStringView path) {
    struct stat st {};
    return ::stat(native_path(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool is_program_file(WStringView path) {
    struct stat st {};
    return ::stat(native_path(path).c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           (st.st_mode & S_IXUSR) != 0;
}

bool create_folders(WStringView path) { return make_folders_native(native_path(path)); }

std::optional<std::string> read_file(WStringView path) {
    NativeRead r = read_native(native_path(path));
    if (r.status != ReadStatus::ok) {
        return std::nullopt;
    }
    return std::move(r.bytes);
}

LimitedRead read_file_limited(WStringView path, size_t max_bytes) {
    NativeRead r = read_native(native_path(path), max_bytes);
    switch (r.status) {
        case ReadStatus::ok:
            return {FileRead::ok, std::move(r.bytes)};
        case ReadStatus::missing:
            return {FileRead::missing, {}};
        case ReadStatus::too_large:
            return {FileRead::too_large, {}};
        case ReadStatus::failed:
            break;
    }
    return {FileRead::failed, {}};
}

bool write_file(WStringView path, std::string_view bytes) {
    return replace_native(native_path(path), bytes);
}

bool replace_file(const std::string& native_path, std::string_view bytes, std::string& error) {
    if (replace_native(native_path, bytes)) {
        return true;
    }
    error = std::strerror(errno);
    return false;
}

bool matches_pattern(WStringView name, WStringView pattern) {
    if (pattern == u"*.*") {
        return true;  // the handheld's "every file", dot or not
    }
    // Greedy match with one backtrack point: the last "*" seen.
    size_t n = 0, p = 0;
    size_t star = WStringView::npos, star_n = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == u'?' || ascii_lower(pattern[p]) == ascii_lower(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            star_n = n;
        } else if (star != WStringView::npos) {
            p = star + 1;
            n = ++star_n;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') {
        ++p;
    }
    return p == pattern.size();
}

std::vector<FoundFile> find_files(WStringView pattern) {
    std::vector<FoundFile> found;
    const size_t cut = pattern.find_last_of(u"\\/");
    const WStringView folder = cut == WStringView::npos ? WStringView() : pattern.substr(0, cut + 1);
    const WStringView name_pattern = cut == WStringView::npos ? pattern : pattern.substr(cut + 1);
    if (name_pattern.empty()) {
        return found;
    }
    const std::string native = folder.empty() ? std::string(".") : native_path(folder);
    DIR* dir = ::opendir(native.c_str());
    if (dir == nullptr) {
        return found;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view raw(entry->d_name);
        if (raw == "." || raw == "..") {
            continue;
        }
        WString name = from_utf8(raw);
        if (!matches_pattern(name, name_pattern)) {
            continue;
        }
        struct stat st {};
        const std::string full = join(native, std::string(raw), true);
        const bool is_folder = ::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        found.push_back({WString(folder) + name, name, is_folder});
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end(), [](const FoundFile& a, const FoundFile& b) {
        const size_t n = std::min(a.name.size(), b.name.size());
        for (size_t i = 0; i < n; ++i) {
            const char16_t x = ascii_lower(a.name[i]);
            const char16_t y = ascii_lower(b.name[i]);
            if (x != y) {
                return x < y;
            }
        }
        return a.name.size() != b.name.size() ? a.name.size() < b.name.size() : a.name < b.name;
    });
    return found;
}

}  // namespace platform
