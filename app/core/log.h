#pragma once
// The process-wide log: one stream, switched on and off at run time by the registry
// value Log under HKEY_CURRENT_USER\Software\Quorr.

#include <concepts>
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
    template <std::integral T>
        requires(!std::same_as<T, bool> && !std::same_as<T, char> && !std::same_as<T, char16_t>)
    LogStream& operator<<(T value) {
        return write_integer(static_cast<long long>(value));
    }
    // Elapsed seconds and other measures.
    LogStream& operator<<(double value);
    void flush();

private:
    LogStream& write_integer(long long value);
};

// The current stream; reads Log first and starts a new file on every switch-on.
LogStream& log();

// Logs "Gluck: " + message + " @ " + place, flushes and ends the process with a failure code.
[[noreturn]] void fatal(platform::WStringView place, platform::WStringView message);

}  // namespace velvane
