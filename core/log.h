#pragma once
// The process-wide log: one stream, switched on and off at run time by the registry
// value Log under HKEY_CURRENT_USER\Software\Quorr.

#include <atomic>
#include <concepts>
#include <cstdio>
#include <mutex>
#include <string_view>

#include "platform/ustring.h"

namespace velvane {

// Writes UTF-16LE text to the log file while logging is on, and nothing while it is off.
// Each piece is written atomically; pieces of lines from two threads may interleave.
class LogStream {
public:
    LogStream& operator<<(platform::WStringView text);
    LogStream& operator<<(const char16_t* text) { return *this << platform::WStringView(text); }
    // Narrow text is widened byte by byte.
    LogStream& operator<<(std::string_view text);
    LogStream& operator<<(const char* text) { return *this << std::string_view(text); }
    // Single characters are text too; without these they would convert to double.
    LogStream& operator<<(char16_t c) { return *this << platform::WStringView(&c, 1); }
    LogStream& operator<<(char c) { return *this << std::string_view(&c, 1); }
    template <std::integral T>
        requires(!std::same_as<T, bool> && !std::same_as<T, char> && !std::same_as<T, char16_t>)
    LogStream& operator<<(T value) {
        return write_integer(static_cast<long long>(value));
    }
    // Elapsed seconds and other measures.
    LogStream& operator<<(double value);
    void flush();

    // Whether the stream is currently writing to a file.
    bool enabled() const { return m_state.load(std::memory_order_acquire) == kOn; }

private:
    static constexpr int kUnset = -1, kOff = 0, kOn = 1;
    friend LogStream& log();

    // Follows the switch: switching on truncates the file and starts it with the byte-order
    // mark, switching off closes it. Writers on other threads see the old or the new sink.
    void set_enabled(bool on, platform::WStringView file);

    LogStream& write_integer(long long value);
    // One piece, already in file bytes; line_end flushes it to the file.
    void write_bytes(std::string_view bytes, bool line_end);
    bool switched_to(bool on) const {
        return m_state.load(std::memory_order_acquire) == (on ? kOn : kOff);
    }

    std::mutex m_mutex;  // held for every piece and for the switch
    std::FILE* m_file = nullptr;
    std::atomic<int> m_state{kUnset};
};

// The current stream; reads Log first and starts a new file on every switch-on. The
// reference is the same object for the whole run.
LogStream& log();

// Logs "Gluck: " + message + " @ " + place, flushes and ends the process with a failure code.
[[noreturn]] void fatal(platform::WStringView place, platform::WStringView message);

}  // namespace velvane
