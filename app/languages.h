#pragma once
// Language files: the dictionary of the main Properties, the language chosen at start-up and
// the language menu. Files are "<name>.lng" directly in the program folder.

#include <initializer_list>
#include <string_view>
#include <vector>

#include "platform/ustring.h"
#include "skin/menu.h"
#include "skin/properties.h"

namespace velvane {

using platform::WString;
using platform::WStringView;

// The key of a language file's text that names its language in that language.
inline constexpr WStringView kLanguageNameKey = u"LanguageName";

// The folder the language files live in; callers other than tests keep the default.
inline constexpr WStringView kProgramFolder = u"%app_path%";

// Replaces the dictionary with the file's pairs and remembers the path; on failure changes
// nothing.
bool load_language(zentra::Properties& properties, WStringView path);
// Path of the last language file loaded; empty before the first. Properties keeps only the
// dictionary, so the path is kept here, for the one main Properties object.
const WString& loaded_language_path();

// The dictionary's text for key, or key itself.
WString text(const zentra::Properties& properties, WStringView key);
// The same with its marks ("%d", "%s") replaced by values in order; a mark without a value
// stays, and a value without a mark is left out.
WString text(const zentra::Properties& properties, WStringView key,
             std::initializer_list<WString> values);

// Upper-case English name for a primary language identifier (0..98); empty when it has none.
WString language_name(int primary_id);
// Primary language identifier of a POSIX locale name ("ru_RU.UTF-8" -> 25); 0 when unknown.
int primary_language_of_locale(std::string_view locale);
// The name of the environment's language (LC_ALL, else LC_MESSAGES, else LANG); empty when
// none is set or it is not in the table.
WString system_language();

// Paths of the "*.lng" files in folder, in the order of the file search.
std::vector<WString> list_language_files(WStringView folder = kProgramFolder);
bool language_choice_available(WStringView folder = kProgramFolder);

// Start-up: the registry's Language, then the system language, then english, then every file
// listed; the first that loads wins. When Language names a file that cannot be loaded, the
// language used instead is stored in its place (a line in the log says so) and missing_choice,
// when given, gets the name that failed; otherwise nothing is written.
bool choose_language(zentra::Properties& properties, WStringView app_name,
                     WStringView folder = kProgramFolder, WString* missing_choice = nullptr);

// The title of the file a path names as it is on disk ("ENGLISH.lng" finds english.lng).
WString title_on_disk(WStringView path);

// "Language" fills menu with one item per file, labelled with the file's own name for its
// language (else its title), and a Cancel item; "Language#<name>" loads that
// language and stores it as the user's choice, true when it replaced the one loaded.
bool language_menu(zentra::Properties& properties, WStringView app_name, WStringView item_key,
                   std::vector<zentra::MenuItem>& menu, WStringView element_name,
                   WStringView folder = kProgramFolder);

// Registry key of the program's own settings.
WString settings_key(WStringView app_name);

}  // namespace velvane
