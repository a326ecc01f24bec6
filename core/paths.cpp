#include "core/paths.h"

#include <algorithm>

#include "core/log.h"
#include "platform/files.h"

namespace velvane {

namespace {

constexpr size_t kMaxPath = 1023;  // the handheld's 1024-character buffer, less the terminator

WString backslashed(WStringView text) {
    WString out(text);
    std::replace(out.begin(), out.end(), u'/', u'\\');
    return out;
}

struct Macro {
    WStringView name;
    int special_folder;  // 0 for the program's own paths
};

constexpr Macro kMacros[] = {
    {u"%app_full_name%", 0},
    {u"%app_path%", 0},
    {u"%app_name%", 0},
    {u"%my_documents%", platform::kFolderPersonal},
    {u"%windows%", platform::kFolderWindows},
    {u"%startup%", platform::kFolderStartup},
    {u"%favorites%", platform::kFolderFavorites},
    {u"%programs%", platform::kFolderPrograms},
    {u"%start_menu%", platform::kFolderStartMenu},
    {u"%appdata%", platform::kFolderAppData},
    {u"%program_files%", platform::kFolderProgramFiles},
};

WString replacement(const Macro& macro) {
    if (macro.special_folder != 0) {
        return platform::special_folder(macro.special_folder);
    }
    if (macro.name == u"%app_full_name%") {
        return get_app_path();
    }
    return macro.name == u"%app_path%" ? app_folder() : app_name();
}

size_t last_separator(WStringView path) { return path.find_last_of(u"\\/"); }

}  // namespace

WString expand_path(WStringView text) {
    WString out;
    for (const Macro& macro : kMacros) {
        if (text.starts_with(macro.name)) {
            out = replacement(macro);
            text.remove_prefix(macro.name.size());
            // "%app_path%" ends with its separator and paths are written "%app_path%/skins":
            // one separator at the seam, so equal paths are equal strings.
            if (!out.empty() && (out.back() == u'\\' || out.back() == u'/') && !text.empty() &&
                (text.front() == u'\\' || text.front() == u'/')) {
                text.remove_prefix(1);
            }
            break;
        }
    }
    out += text;
    return backslashed(out);
}

WString program_path_from(WStringView module_name) {
    if (module_name.size() > kMaxPath) {
        fatal(u"get_app_path()", u"path is more then MAX_PATH long");
    }
    return backslashed(module_name);
}

const WString& get_app_path() {
    static const WString path = program_path_from(platform::module_file_name());
    return path;
}

const WString& app_folder() {
    static const WString folder = folder_of(get_app_path());
    return folder;
}

const WString& app_name() {
    static const WString name = file_name_of(get_app_path());
    return name;
}

WString folder_of(WStringView path) {
    const size_t cut = last_separator(path);
    return cut == WStringView::npos ? WString() : WString(path.substr(0, cut + 1));
}

WString file_name_of(WStringView path) {
    const size_t cut = last_separator(path);
    return WString(cut == WStringView::npos ? path : path.substr(cut + 1));
}

WString title_of(WStringView path) {
    const WString name = file_name_of(path);
    const size_t dot = name.find_last_of(u'.');
    return dot == WString::npos ? name : name.substr(0, dot);
}

}  // namespace velvane
