#pragma once
// Program paths in the handheld's form: backslash separators, a leading macro such as
// "%app_path%" expanded once. The platform's file functions turn them into Linux paths.

#include "platform/ustring.h"

namespace velvane {

using platform::WString;
using platform::WStringView;

// Replaces a macro at the very beginning of text ("%app_path%", "%app_name%",
// "%app_full_name%", "%my_documents%", "%windows%", "%startup%", "%favorites%",
// "%programs%", "%start_menu%", "%appdata%", "%program_files%") and turns every "/" and "\"
// after it, and in the replacement, into "\". Where the replacement ends with a separator
// and the text goes on with one, one of them is dropped. A macro anywhere else is copied as
// it is.
WString expand_path(WStringView text);

// Full path of the running program file, with backslashes; computed once.
const WString& get_app_path();
// The program's folder with its trailing "\" (what "%app_path%" stands for).
const WString& app_folder();
// The program's file name (what "%app_name%" stands for).
const WString& app_name();

// The cached program path made from a module file name: separators turned into "\". A name
// longer than 1023 characters is a fatal error, as the handheld's MAX_PATH buffer was.
WString program_path_from(WStringView module_name);

// Everything up to and including the last "\" or "/"; empty when there is none.
WString folder_of(WStringView path);
// Everything after the last "\" or "/"; the whole path when there is none.
WString file_name_of(WStringView path);
// The file name without its extension (the part from its last ".").
WString title_of(WStringView path);

}  // namespace velvane
