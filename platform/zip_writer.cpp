#include "platform/zip_writer.h"

#include <zip.h>

#include <climits>
#include <ctime>

#include "platform/clock.h"
#include "platform/files.h"

namespace platform {

namespace {

constexpr const char* kComment = "no comment";

zipFile handle(void* zip) { return static_cast<zipFile>(zip); }

// Entries carry the local time they were written at, as archivers expect.
zip_fileinfo now_info() {
    zip_fileinfo info{};
    const std::time_t now = static_cast<std::time_t>(calendar_now_ms() / 1000);
    std::tm local{};
    if (::localtime_r(&now, &local) != nullptr) {
        info.tmz_date.tm_sec = static_cast<uInt>(local.tm_sec);
        info.tmz_date.tm_min = static_cast<uInt>(local.tm_min);
        info.tmz_date.tm_hour = static_cast<uInt>(local.tm_hour);
        info.tmz_date.tm_mday = static_cast<uInt>(local.tm_mday);
        info.tmz_date.tm_mon = static_cast<uInt>(local.tm_mon);
        info.tmz_date.tm_year = static_cast<uInt>(local.tm_year + 1900);
    }
    return info;
}

}  // namespace

ZipWriter::~ZipWriter() { close(); }

bool ZipWriter::open(WStringView path) {
    close();
    m_zip = zipOpen(native_path(path).c_str(), APPEND_STATUS_CREATE);
    return m_zip != nullptr;
}

bool ZipWriter::open_entry(const std::string& name) {
    const zip_fileinfo info = now_info();
    const int result = zipOpenNewFileInZip(handle(m_zip), name.c_str(), &info, nullptr, 0,
                                           nullptr, 0, kComment, Z_DEFLATED,
                                           Z_DEFAULT_COMPRESSION);
    m_in_entry = result == ZIP_OK;
    return m_in_entry;
}

bool ZipWriter::add_folders(std::string_view name) {
    bool ok = true;
    for (size_t slash = name.find('/'); slash != std::string_view::npos;
         slash = name.find('/', slash + 1)) {
        std::string folder(name.substr(0, slash + 1));
        if (!m_folders.insert(folder).second)
            continue;
        ok = open_entry(folder) && ok;
        if (m_in_entry) {
            zipCloseFileInZip(handle(m_zip));
            m_in_entry = false;
        }
    }
    return ok;
}

bool ZipWriter::begin_entry(std::string_view name) {
    if (m_zip == nullptr)
        return false;
    if (m_in_entry) {
        zipCloseFileInZip(handle(m_zip));
        m_in_entry = false;
    }
    const bool folders_ok = add_folders(name);
    return open_entry(std::string(name)) && folders_ok;
}

bool ZipWriter::write(const void* data, size_t size) {
    if (!m_in_entry)
        return false;
    // minizip takes the length as unsigned int; a frame never comes near that, but a
    // larger block is passed in pieces rather than truncated.
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const unsigned piece = size > UINT_MAX ? UINT_MAX : static_cast<unsigned>(size);
        if (zipWriteInFileInZip(handle(m_zip), bytes, piece) != ZIP_OK)
            return false;
        bytes += piece;
        size -= piece;
    }
    return true;
}

void ZipWriter::close() {
    if (m_zip == nullptr)
        return;
    if (m_in_entry)
        zipCloseFileInZip(handle(m_zip));
    zipClose(handle(m_zip), kComment);
    m_zip = nullptr;
    m_in_entry = false;
    m_folders.clear();
}

}  // namespace platform
