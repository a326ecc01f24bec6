#include "app/languages.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>

#include "core/key_value.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/registry.h"
#include "platform/files.h"

namespace velvane {

namespace {

constexpr int kLanguageCount = 99;

struct NamedLanguage {
    int id;
    const char16_t* name;
    // ISO 639-1 codes that the environment's locale uses for it.
    const char* codes;
};

// The platform's published primary language identifiers.
constexpr NamedLanguage kLanguages[] = {
    {1, u"ARABIC", "ar"},        {2, u"BULGARIAN", "bg"},   {3, u"CATALAN", "ca"},
    {4, u"CHINESE", "zh"},       {5, u"CZECH", "cs"},       {6, u"DANISH", "da"},
    {7, u"GERMAN", "de"},        {8, u"GREEK", "el"},       {9, u"ENGLISH", "en"},
    {10, u"SPANISH", "es"},      {11, u"FINNISH", "fi"},    {12, u"FRENCH", "fr"},
    {13, u"HEBREW", "he iw"},    {14, u"HUNGARIAN", "hu"},  {15, u"ICELANDIC", "is"},
    {16, u"ITALIAN", "it"},      {17, u"JAPANESE", "ja"},   {18, u"KOREAN", "ko"},
    {19, u"DUTCH", "nl"},        {20, u"NORWEGIAN", "no nb nn"}, {21, u"POLISH", "pl"},
    {22, u"PORTUGUESE", "pt"},   {24, u"ROMANIAN", "ro"},   {25, u"RUSSIAN", "ru"},
    {26, u"CROATIAN", "hr"},     {27, u"SLOVAK", "sk"},     {28, u"ALBANIAN", "sq"},
    {29, u"SWEDISH", "sv"},      {30, u"THAI", "th"},       {31, u"TURKISH", "tr"},
    {32, u"URDU", "ur"},         {33, u"INDONESIAN", "id"}, {34, u"UKRAINIAN", "uk"},
    {35, u"BYELORUSSIAN", "be"}, {36, u"SLOVENIAN", "sl"},  {37, u"ESTONIAN", "et"},
    {38, u"LATVIAN", "lv"},      {39, u"LITHUANIAN", "lt"}, {41, u"PERSIAN", "fa"},
    {42, u"VIETNAMESE", "vi"},   {43, u"ARMENIAN", "hy"},   {44, u"AZERBAIJANI", "az"},
    {45, u"BASQUE", "eu"},       {47, u"MACEDONIAN", "mk"}, {54, u"AFRIKAANS", "af"},
    {55, u"GEORGIAN", "ka"},     {56, u"FAROESE", "fo"},    {57, u"HINDI", "hi"},
    {62, u"MALAY", "ms"},        {63, u"KAZAKH", "kk"},     {65, u"SWAHILI", "sw"},
    {67, u"UZBEK", "uz"},        {68, u"TATAR", "tt"},      {69, u"BENGALI", "bn"},
    {70, u"PUNJABI", "pa"},      {71, u"GUJARATI", "gu"},   {72, u"ORIYA", "or"},
    {73, u"TAMIL", "ta"},        {74, u"TELUGU", "te"},     {75, u"KANNADA", "kn"},
    {76, u"MALAYALAM", "ml"},    {77, u"ASSAMESE", "as"},   {78, u"MARATHI", "mr"},
    {79, u"SANSKRIT", "sa"},     {89, u"SINDHI", "sd"},     {96, u"KASHMIRI", "ks"},
    {97, u"NEPALI", "ne"},
};

WString& language_path_state() {
    static WString path;
    return path;
}

WString language_file(WStringView folder, WStringView name) {
    WString path(folder);
    path += u'/';
    path += name;
    path += u".lng";
    return expand_path(path);
}

WString upper(WStringView text) {
    WString out(text);
    for (char16_t& c : out) {
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - u'a' + u'A');
        }
    }
    return out;
}

// A language file names its own language ("Русский"), so a reader of any language finds
// theirs in the menu; a file that does not is shown by its title.
WString own_name(WStringView path, WStringView title) {
    KeyValues pairs;
    if (read_key_values(path, pairs)) {
        const auto found = pairs.find(WString(kLanguageNameKey));
        if (found != pairs.end() && !found->second.empty()) {
            return found->second;
        }
    }
    return WString(title);
}

}  // namespace

WString settings_key(WStringView app_name) {
    WString key = u"HKEY_CURRENT_USER\\Software\\Quorr\\";
    key += app_name;
    return key;
}

bool load_language(zentra::Properties& properties, WStringView path) {
    KeyValues dictionary;
    if (!read_key_values(path, dictionary)) {
        return false;
    }
    properties.set_dictionary(std::move(dictionary));
    // Stored expanded, so the menu compares like with like.
    language_path_state() = expand_path(path);
    log() << u"load_language: " << path << u"\n";
    return true;
}

const WString& loaded_language_path() { return language_path_state(); }

WString text(const zentra::Properties& properties, WStringView key) {
    return properties.translate(key);
}

WString text(const zentra::Properties& properties, WStringView key,
             std::initializer_list<WString> values) {
    WString out = properties.translate(key);
    const auto is_mark = [&out](size_t at) {
        return out[at] == u'%' && (out[at + 1] == u'd' || out[at + 1] == u's');
    };
    size_t at = 0;
    for (const WString& value : values) {
        while (at + 1 < out.size() && !is_mark(at)) {
            ++at;
        }
        if (at + 1 >= out.size()) {
            break;
        }
        out.replace(at, 2, value);
        // A value that holds a mark itself is not filled in again.
        at += value.size();
    }
    return out;
}

WString language_name(int primary_id) {
    for (const NamedLanguage& language : kLanguages) {
        if (language.id == primary_id) {
            return language.name;
        }
    }
    return {};
}

int primary_language_of_locale(std::string_view locale) {
    // "ll", "ll_CC", "ll_CC.charset@modifier": the language code is the letters before the
    // first "_", "." or "@".
    const size_t end = locale.find_first_of("_.@");
    std::string code(locale.substr(0, end));
    for (char& c : code) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    if (code.size() < 2 || code.size() > 3) {
        return 0;
    }
    for (const NamedLanguage& language : kLanguages) {
        std::string_view codes(language.codes);
        while (!codes.empty()) {
            const size_t space = codes.find(' ');
            if (codes.substr(0, space) == code) {
                return language.id & 0x3FF;
            }
            codes = space == std::string_view::npos ? std::string_view() : codes.substr(space + 1);
        }
    }
    return 0;
}

WString system_language() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            const int id = primary_language_of_locale(value);
            return id < kLanguageCount ? language_name(id) : WString();
        }
    }
    return {};
}

std::vector<WString> list_language_files(WStringView folder) {
    std::vector<WString> paths;
    WString pattern(folder);
    pattern += u"/*.lng";
    for (const platform::FoundFile& found : platform::find_files(expand_path(pattern))) {
        if (!found.is_folder) {
            paths.push_back(found.path);
        }
    }
    return paths;
}

bool language_choice_available(WStringView folder) {
    return list_language_files(folder).size() > 1;
}

bool choose_language(zentra::Properties& properties, WStringView app_name, WStringView folder,
                     WString* missing_choice) {
    WString chosen;
    if (read_string(settings_key(app_name), u"Language", chosen) && !chosen.empty() &&
        load_language(properties, language_file(folder, chosen))) {
        return true;
    }
    const auto loaded = [&] {
        // A choice that names nothing loadable would fail on every start: what is really used
        // becomes the choice, and the user is told once.
        if (!chosen.empty()) {
            const WString used = title_on_disk(loaded_language_path());
            log() << u"choose_language: the language " << chosen << u" cannot be loaded, using "
                  << used << u"\n";
            write_string(settings_key(app_name), u"Language", used);
            if (missing_choice != nullptr) {
                *missing_choice = chosen;
            }
        }
        return true;
    };
    const WString system = system_language();
    if (!system.empty() && load_language(properties, language_file(folder, system))) {
        return loaded();
    }
    if (load_language(properties, language_file(folder, u"english"))) {
        return loaded();
    }
    for (const WString& path : list_language_files(folder)) {
        if (load_language(properties, path)) {
            return loaded();
        }
    }
    log() << "choose_language: no language file could be loaded\n";
    return false;
}

WString title_on_disk(WStringView path) {
    return title_of(platform::from_utf8(platform::native_path(path)));
}

bool language_menu(zentra::Properties& properties, WStringView app_name, WStringView item_key,
                   std::vector<zentra::MenuItem>& menu, WStringView element_name,
                   WStringView folder) {
    if (item_key == u"Language") {
        std::vector<WString> paths = list_language_files(folder);
        std::sort(paths.begin(), paths.end());
        const WString current = upper(title_of(loaded_language_path()));
        for (const WString& path : paths) {
            const WString title = title_of(path);
            zentra::MenuItem item;
            item.key = u"Language#" + title;
            item.label = own_name(path, title);
            item.checked = !loaded_language_path().empty() && upper(title) == current;
            menu.push_back(std::move(item));
        }
        menu.push_back(zentra::cancel_item(element_name));
    }
    constexpr WStringView kPrefix = u"Language#";
    if (item_key.starts_with(kPrefix)) {
        const WStringView name = item_key.substr(kPrefix.size());
        const WString path = language_file(folder, name);
        // File names ignore case, so the same file may be named in another case.
        if (platform::equals_ignore_ascii_case(path, loaded_language_path()) ||
            !load_language(properties, path)) {
            return false;
        }
        write_string(settings_key(app_name), u"Language", name);
        return true;
    }
    return false;
}

}  // namespace velvane
