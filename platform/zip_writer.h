#pragma once
// A zip archive written entry by entry, each entry deflated at the default level.

#include <cstddef>
#include <set>
#include <string>
#include <string_view>

#include "platform/ustring.h"

namespace platform {

// Creates one archive and streams entries into it; the archive is finished when the writer
// is closed or destroyed. Results of the archive calls are reported but nothing is retried.
class ZipWriter {
public:
    ZipWriter() = default;
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // Creates the archive at a program path, replacing any file there.
    bool open(WStringView path);
    bool is_open() const { return m_zip != nullptr; }

    // Finishes the entry being written, adds an entry for every parent folder of name
    // ("a/b/c.bmp" needs "a/" and "a/b/") not added before, then starts the entry name.
    bool begin_entry(std::string_view name);
    bool write(const void* data, size_t size);

    // Finishes the last entry and the archive, with the archive comment.
    void close();

private:
    bool add_folders(std::string_view name);
    bool open_entry(const std::string& name);

    void* m_zip = nullptr;  // minizip's handle, kept opaque so its header stays in here
    bool m_in_entry = false;
    std::set<std::string> m_folders;
};

}  // namespace platform
