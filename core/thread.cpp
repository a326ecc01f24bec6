#include "core/thread.h"

namespace velvane {

Thread::~Thread() {
    // Dropping the handle lets a thread that is still running go on detached.
    std::lock_guard guard(m_mutex);
    m_handle.reset();
}

bool Thread::start() {
    // Held while the thread is created, so a run() that ends at once cannot clear the handle
    // before it is stored.
    std::lock_guard guard(m_mutex);
    if (m_handle) {
        return false;
    }
    m_stop.store(0);
    m_handle = platform::NativeThread::start([this] { thread_main(); });
    if (!m_handle) {
        return false;
    }
    m_thread_id.store(m_handle->id());
    return true;
}

void Thread::thread_main() {
    // The handheld initialised COM around run() for the contact database; nothing on Linux
    // needs per-thread initialisation.
    run();
    std::shared_ptr<platform::NativeThread> own;
    std::lock_guard guard(m_mutex);
    // Moved out and released after the lock: the last handle may be this one, and releasing
    // it detaches this thread.
    own = std::move(m_handle);
}

bool Thread::join(std::optional<uint32_t> timeout_ms) {
    std::shared_ptr<platform::NativeThread> handle;
    {
        std::lock_guard guard(m_mutex);
        handle = m_handle;
    }
    if (!handle) {
        return true;
    }
    if (!handle->join(timeout_ms)) {
        return false;
    }
    std::lock_guard guard(m_mutex);
    if (m_handle == handle) {
        m_handle.reset();
    }
    return true;
}

bool Thread::is_running() const {
    std::lock_guard guard(m_mutex);
    return m_handle != nullptr;
}

}  // namespace velvane
