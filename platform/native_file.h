#pragma once
// File primitives on Linux paths (UTF-8), shared by files.cpp and the registry store.
// Nothing above the platform layer includes this header.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Identifies one version of a file. Replacing a file by rename gives it a new inode; an
// in-place edit changes its size or modification time.
struct FileStamp {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long size = -1;
    long long mtime_sec = 0;
    long long mtime_nsec = 0;
    bool operator==(const FileStamp&) const = default;
};

enum class ReadStatus { ok, missing, too_large, failed };

struct NativeRead {
    ReadStatus status = ReadStatus::failed;
    std::string bytes;
    FileStamp stamp;  // of the file that was read, taken from the open descriptor
};

// The whole file; ReadStatus::too_large, without its bytes, when it holds more than max_bytes.
NativeRead read_native(const std::string& path, uint64_t max_bytes = UINT64_MAX);
// The stamp of the file now at path; ReadStatus::missing when there is none.
ReadStatus stamp_native(const std::string& path, FileStamp& stamp);
// Writes a temporary file beside path, flushes it to disk and renames it over path, then
// flushes the folder. written, when given, receives the new file's stamp. On failure the old
// file is untouched, no temporary is left and errno says why.
bool replace_native(const std::string& path, std::string_view bytes, FileStamp* written = nullptr);
// $XDG_CONFIG_HOME/velvane (as config_folder) into out, reusing its storage: the registry
// asks for it on every read.
void config_folder_native(std::string& out);

// mkdir -p; true when the folder exists afterwards.
bool make_folders_native(const std::string& path, unsigned mode = 0777);

}  // namespace platform
