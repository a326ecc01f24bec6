#include "app/skins.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "core/log.h"
#include "core/paths.h"
#include "core/registry.h"
#include "app/languages.h"
#include "platform/files.h"

namespace velvane {

namespace {

WString skins_folder(WStringView base) {
    WString folder = base.empty() ? WString(u"%app_path%") : WString(base);
    folder += u"/skins/bin";
    return folder;
}

WString skin_file(WStringView base, WStringView title) {
    WString path = skins_folder(base);
    path += u'/';
    path += title;
    path += u".skin";
    return expand_path(path);
}

// The start-up splash and the today screen have skins of their own that are never the main one.
bool is_reserved(WStringView title) {
    WString lower(title);
    for (char16_t& c : lower) {
        c = platform::ascii_lower(c);
    }
    return lower.starts_with(u"splash") || lower.starts_with(u"today");
}

// The skin and the stored choice that the last switch from the menu replaced.
struct SkinSwitch {
    WString path;
    WString app_name;
    std::optional<WString> stored;
};

std::optional<SkinSwitch>& last_switch() {
    static std::optional<SkinSwitch> replaced;
    return replaced;
}

bool load(zentra::Properties& properties, const WString& path,
          const zentra::ScreenMetrics& metrics) {
    if (!platform::file_exists(path)) {
        return false;
    }
    const bool loaded = properties.load_skin(path, metrics);
    if (!loaded) {
        log() << u"choose_skin: cannot load " << path << u"\n";
    }
    return loaded;
}

}  // namespace

std::vector<WString> list_skins(WStringView base) {
    std::vector<WString> paths;
    for (const platform::FoundFile& found :
         platform::find_files(expand_path(skins_folder(base) + u"/*.skin"))) {
        if (!found.is_folder && !is_reserved(title_of(found.name))) {
            paths.push_back(found.path);
        }
    }
    return paths;
}

bool skin_choice_available(WStringView base) { return list_skins(base).size() > 1; }

std::vector<WString> skin_candidates(WStringView app_name, WStringView base) {
    std::vector<WString> paths;
    const auto add = [&paths](WString path) {
        if (std::find(paths.begin(), paths.end(), path) == paths.end()) {
            paths.push_back(std::move(path));
        }
    };
    WString chosen;
    if (read_string(settings_key(app_name), u"Skin", chosen) && !chosen.empty()) {
        add(skin_file(base, chosen));
    }
    add(skin_file(base, u"default"));
    for (WString& path : list_skins(base)) {
        add(std::move(path));
    }
    return paths;
}

bool choose_skin(zentra::Properties& properties, WStringView app_name, WStringView base,
                 const zentra::ScreenMetrics& metrics, WString* missing_choice) {
    WString chosen;
    read_string(settings_key(app_name), u"Skin", chosen);
    const WString chosen_path = chosen.empty() ? WString() : skin_file(base, chosen);
    for (const WString& path : skin_candidates(app_name, base)) {
        if (!load(properties, path, metrics)) {
            continue;
        }
        // A choice that names nothing loadable would fail on every start: what is really
        // used becomes the choice, and the user is told once.
        if (!chosen.empty() && path != chosen_path) {
            const WString used = title_on_disk(path);
            log() << u"choose_skin: the skin " << chosen << u" cannot be loaded, using " << used
                  << u"\n";
            write_string(settings_key(app_name), u"Skin", used);
            if (missing_choice != nullptr) {
                *missing_choice = chosen;
            }
        }
        return true;
    }
    log() << "choose_skin: no skin could be loaded\n";
    return false;
}

bool skin_menu(zentra::Properties& properties, WStringView app_name, WStringView item_key,
               std::vector<zentra::MenuItem>& menu, WStringView element_name,
               const zentra::ScreenMetrics& metrics, WStringView base) {
    if (item_key == u"Skin") {
        std::vector<WString> paths = list_skins(base);
        std::sort(paths.begin(), paths.end());
        const WString current = title_of(properties.skin_path());
        for (const WString& path : paths) {
            const WString title = title_of(path);
            zentra::MenuItem item;
            item.key = u"Skin#" + title;
            // A language file may give the skin a display name.
            const auto named = properties.dictionary().find(item.key);
            item.label = named != properties.dictionary().end() ? named->second : title;
            item.checked = properties.is_loaded() &&
                           platform::equals_ignore_ascii_case(title, current);
            menu.push_back(std::move(item));
        }
        menu.push_back(zentra::cancel_item(element_name));
    }
    constexpr WStringView kPrefix = u"Skin#";
    if (item_key.starts_with(kPrefix)) {
        const WStringView title = item_key.substr(kPrefix.size());
        const WString path = skin_file(base, title);
        if (platform::equals_ignore_ascii_case(path, properties.skin_path())) {
            return false;
        }
        SkinSwitch replaced{properties.skin_path(), WString(app_name), std::nullopt};
        if (WString stored; read_string(settings_key(app_name), u"Skin", stored)) {
            replaced.stored = std::move(stored);
        }
        if (!load(properties, path, metrics)) {
            return false;
        }
        last_switch() = std::move(replaced);
        write_string(settings_key(app_name), u"Skin", title);
        return true;
    }
    return false;
}

bool restore_previous_skin(zentra::Properties& properties, const zentra::ScreenMetrics& metrics) {
    std::optional<SkinSwitch> replaced = std::exchange(last_switch(), std::nullopt);
    if (!replaced || replaced->path.empty() || !load(properties, replaced->path, metrics)) {
        return false;
    }
    const WString key = settings_key(replaced->app_name);
    if (replaced->stored) {
        write_string(key, u"Skin", *replaced->stored);
    } else {
        delete_value(key, u"Skin");
    }
    log() << u"restore_previous_skin: back to " << replaced->path << u"\n";
    return true;
}

}  // namespace velvane
