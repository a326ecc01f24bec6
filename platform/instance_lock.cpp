#include "platform/instance_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"

namespace platform {

namespace {

std::string errno_text(const char* what) {
    return std::string(what) + ": " + ::strerror(errno);
}

}  // namespace

std::string runtime_file_path(WStringView name, std::string_view suffix) {
    std::string safe;
    for (char16_t c : name) {
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
            c == u'_' || c == u'.' || c == u'-') {
            safe += static_cast<char>(c);
        }
    }
    // Only dots left would name the folder itself or its parent.
    if (safe.find_first_not_of('.') == std::string::npos) {
        return {};
    }
    const WString folder = runtime_folder();
    if (folder.empty()) {
        return {};
    }
    return to_utf8(folder) + "/" + safe + std::string(suffix);
}

InstanceMutex::~InstanceMutex() {
    close();
}

bool InstanceMutex::open(WStringView name) {
    close();
    m_error.clear();
    const std::string path = runtime_file_path(name, ".lock");
    if (path.empty()) {
        m_error = "no private runtime folder or unusable name";
        return false;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        m_error = errno_text(path.c_str());
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        m_error = path + ": not a lock file of ours";
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

bool InstanceMutex::lock(bool block) {
    if (m_fd < 0) {
        m_error = "not open";
        return false;
    }
    if (m_owned) {
        return true;
    }
    const int operation = block ? LOCK_EX : LOCK_EX | LOCK_NB;
    int result;
    do {
        result = ::flock(m_fd, operation);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        if (errno != EWOULDBLOCK) {
            m_error = errno_text("flock");
        }
        return false;
    }
    m_owned = true;
    return true;
}

bool InstanceMutex::wait() {
    return lock(true);
}

bool InstanceMutex::try_wait() {
    return lock(false);
}

void InstanceMutex::release() {
    if (m_fd >= 0 && m_owned) {
        ::flock(m_fd, LOCK_UN);
    }
    m_owned = false;
}

void InstanceMutex::close() {
    release();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

}  // namespace platform
