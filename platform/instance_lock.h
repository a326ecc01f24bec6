#pragma once
// The named mutex that keeps two starting copies of the program apart: an exclusive lock on
// a file in the per-user runtime folder. The lock belongs to the open file, so a process that
// ends for any reason lets go of it, and two objects in one process are two holders.

#include <string>
#include <string_view>

#include "platform/ustring.h"

namespace platform {

// "<runtime folder>/<name><suffix>" in UTF-8, the name reduced to [A-Za-z0-9_.-]. Empty when
// the runtime folder is unusable or nothing of the name is left.
std::string runtime_file_path(WStringView name, std::string_view suffix);

// One holder of a named mutex.
class InstanceMutex {
public:
    InstanceMutex() = default;
    ~InstanceMutex();
    InstanceMutex(const InstanceMutex&) = delete;
    InstanceMutex& operator=(const InstanceMutex&) = delete;

    // Creates or opens the mutex "<runtime folder>/<name>.lock", not owned. False on failure,
    // with the reason in error().
    bool open(WStringView name);
    bool is_open() const { return m_fd >= 0; }

    // Blocks until this holder owns the mutex. Owning it already is not an error.
    bool wait();
    // Owns the mutex only when nobody else does; never blocks.
    bool try_wait();
    void release();
    // Releases and forgets the mutex.
    void close();

    bool owned() const { return m_owned; }
    const std::string& error() const { return m_error; }

private:
    bool lock(bool block);

    int m_fd = -1;
    bool m_owned = false;
    std::string m_error;
};

}  // namespace platform
