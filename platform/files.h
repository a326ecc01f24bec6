#pragma once
// Files and folders as the program sees them: handheld-form paths ("\" or "/" separators,
// "\My Documents\", "\Temp\"), names matched without regard to case, special folders by
// the handheld's numbers. Every location follows the environment (HOME, XDG_*, TMPDIR) at
// the time of the call.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ustring.h"

namespace platform {

// The handheld's special folder numbers that the program asks for.
enum SpecialFolder : int {
    kFolderPrograms = 2,
    kFolderPersonal = 5,
    kFolderFavorites = 6,
    kFolderStartup = 7,
    kFolderStartMenu = 11,
    kFolderAppData = 26,
    kFolderWindows = 36,
    kFolderProgramFiles = 38,
};

// Full Linux path of the running program file; empty when it cannot be found.
WString module_file_name();

// Linux folder standing for a special folder, without a trailing "/"; empty for a number
// that has no stand-in.
WString special_folder(int id);

// $XDG_DOCUMENTS_DIR, else ~/Documents; stands for "\My Documents\".
WString documents_folder();
// $TMPDIR, else /tmp; stands for "\Temp\".
WString temp_folder();
// $XDG_DATA_HOME/velvane: contacts, call history, the per-user overlay.
WString user_data_folder();
// $XDG_CONFIG_HOME/velvane: the registry file.
WString config_folder();
// $XDG_RUNTIME_DIR/velvane, else /tmp/velvane-UID; created owner-only on demand. Empty when
// it cannot be created or is not private to this user.
WString runtime_folder();

// Turns a program path into a Linux path (UTF-8): both separators, the handheld's absolute
// folders, and, for names that do not exist exactly, a case-insensitive match component by
// component. Components that match nothing are kept as written, so the result also names
// files about to be created.
std::string native_path(WStringView path);

bool file_exists(WStringView path);    // exists and is not a folder
bool folder_exists(WStringView path);  // exists and is a folder
// A plain file its owner may run.
bool is_program_file(WStringView path);
// Creates the folder and every missing parent; true when the folder exists afterwards.
bool create_folders(WStringView path);

// The whole file; nothing when it cannot be read (missing, a folder, no permission).
std::optional<std::string> read_file(WStringView path);

// Why read_file_limited gave no bytes.
enum class FileRead { ok, missing, too_large, failed };
struct LimitedRead {
    FileRead status = FileRead::failed;
    std::string bytes;  // empty unless status is ok
};
// The whole file when it holds at most max_bytes: files of a known kind that nobody should
// make large, so a huge or endless one is refused instead of filling memory.
LimitedRead read_file_limited(WStringView path, size_t max_bytes);

// All-or-nothing write: a temporary file beside the target, flushed to disk and renamed over
// it, then the folder flushed, so a crash leaves the old file or the new one, never half of
// either. The folder must exist.
bool write_file(WStringView path, std::string_view bytes);
// The same for a Linux path (UTF-8), as the tools name their files. On failure error says why
// and the old file is as it was.
bool replace_file(const std::string& native_path, std::string_view bytes, std::string& error);

struct FoundFile {
    WString path;  // the pattern's folder as written, followed by the found name
    WString name;
    bool is_folder = false;
};

// Entries of one folder whose names match the last component of the pattern ("*" any run,
// "?" one character, without regard to case; "*.*" matches every name). Sorted by name
// without regard to case, so listings do not depend on the file system's order.
std::vector<FoundFile> find_files(WStringView pattern);

// Wildcard match of a name against a pattern, as find_files does it.
bool matches_pattern(WStringView name, WStringView pattern);

}  // namespace platform
