#include "core/log.h"

#include <cstdlib>
#include <string>

#include "core/paths.h"
#include "core/registry.h"
#include "platform/files.h"

namespace velvane {

namespace {

constexpr WStringView kSwitchKey = u"HKEY_CURRENT_USER\\Software\\Quorr";
constexpr WStringView kSwitchName = u"Log";

void append_unit(std::string& out, char16_t unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
}

std::string utf16le(WStringView text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (char16_t c : text) {
        append_unit(out, c);
    }
    return out;
}

// Same widening as platform::widen, straight into file bytes.
std::string utf16le(std::string_view narrow) {
    std::string out;
    out.reserve(narrow.size() * 2);
    for (char c : narrow) {
        append_unit(out, static_cast<unsigned char>(c));
    }
    return out;
}

}  // namespace

void LogStream::write_bytes(std::string_view bytes, bool line_end) {
    std::lock_guard lock(m_mutex);
    if (m_file == nullptr) {
        return;
    }
    std::fwrite(bytes.data(), 1, bytes.size(), m_file);
    // A line reaches the file when it ends, so a crash loses at most the line in progress.
    if (line_end) {
        std::fflush(m_file);
    }
}

LogStream& LogStream::operator<<(platform::WStringView text) {
    if (enabled()) {
        write_bytes(utf16le(text), !text.empty() && text.back() == u'\n');
    }
    return *this;
}

LogStream& LogStream::operator<<(std::string_view text) {
    if (enabled()) {
        write_bytes(utf16le(text), !text.empty() && text.back() == '\n');
    }
    return *this;
}

LogStream& LogStream::write_integer(long long value) {
    if (enabled()) {
        write_bytes(utf16le(std::to_string(value)), false);
    }
    return *this;
}

LogStream& LogStream::operator<<(double value) {
    if (enabled()) {
        char buffer[32];
        const int n = std::snprintf(buffer, sizeof buffer, "%g", value);
        write_bytes(utf16le(std::string_view(buffer, n > 0 ? static_cast<size_t>(n) : 0)), false);
    }
    return *this;
}

void LogStream::flush() {
    std::lock_guard lock(m_mutex);
    if (m_file != nullptr) {
        std::fflush(m_file);
    }
}

void LogStream::set_enabled(bool on, platform::WStringView file) {
    std::lock_guard lock(m_mutex);
    if (switched_to(on)) {
        return;  // another thread saw the same change first
    }
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (on) {
        // A fresh home has no documents folder yet; the handheld always had one.
        platform::create_folders(folder_of(file));
        m_file = std::fopen(platform::native_path(file).c_str(), "wb");
        if (m_file != nullptr) {
            std::fwrite("\xFF\xFE", 1, 2, m_file);
            std::fflush(m_file);
        }
    }
    m_state.store(on ? kOn : kOff, std::memory_order_release);
}

LogStream& log() {
    // Never destroyed: destructors of other statics may still log on the way out, and the C
    // runtime flushes the open file at exit.
    static LogStream* const stream = new LogStream;
    std::uint32_t value = 0;
    read_dword(kSwitchKey, kSwitchName, value);
    const bool on = value != 0;
    if (!stream->switched_to(on)) {
        // Built before the stream's lock is taken: expand_path may itself end in fatal().
        const WString file = on ? u"/My Documents/" + expand_path(u"%app_name%.txt") : WString();
        stream->set_enabled(on, file);
    }
    return *stream;
}

void fatal(platform::WStringView place, platform::WStringView message) {
    LogStream& out = log();
    out << u"Gluck: " << message << u" @ " << place << u"\n";
    out.flush();
    // Also on standard error: the log is off by default, and a run that ends without a word
    // helps nobody.
    const std::string line =
        "Gluck: " + platform::to_utf8(message) + " @ " + platform::to_utf8(place) + "\n";
    std::fputs(line.c_str(), stderr);
    // Exit code 1: a failure must not pass for success. _Exit skips static destructors; fatal
    // is reached from broken states in which running them would only fail again.
    std::_Exit(1);
}

}  // namespace velvane
