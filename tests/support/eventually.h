#pragma once
// Waiting in tests for what another thread or process does: look until it has happened. The
// time-out is long; only a fault reaches it, so a busy machine never fails a test.

#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace test_support {

inline constexpr std::chrono::seconds kEventTimeout{60};

// Looks again and again until ready() holds; false after the time-out.
template <typename Ready>
bool eventually(const Ready& ready, std::chrono::milliseconds timeout = kEventTimeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!ready()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// True while the thread (of this process unless another is named) waits in the kernel: on a
// lock, a condition, a read.
inline bool thread_waits(pid_t thread, pid_t process = ::getpid()) {
    std::ifstream stat("/proc/" + std::to_string(process) + "/task/" + std::to_string(thread) +
                       "/stat");
    std::string line;
    std::getline(stat, line);
    // The state follows the command name, which is in parentheses and may hold blanks.
    const size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'S';
}

}  // namespace test_support
