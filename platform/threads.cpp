#include "platform/threads.h"

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <system_error>
#include <thread>

namespace platform {

namespace {
std::atomic<ThreadId> g_next_thread_id{1};
thread_local ThreadId t_thread_id = 0;

ThreadId allocate_thread_id() {
    return g_next_thread_id.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

ThreadId current_thread_id() {
    if (t_thread_id == 0) {
        t_thread_id = allocate_thread_id();
    }
    return t_thread_id;
}

struct NativeThread::State {
    std::thread thread;
    Event finished{true, false};
    std::atomic<bool> done{false};
    std::mutex join_mutex;
};

std::shared_ptr<NativeThread> NativeThread::start(std::function<void()> body) {
    std::shared_ptr<NativeThread> handle(new NativeThread());
    handle->m_id = allocate_thread_id();
    handle->m_state = std::make_shared<State>();
    // The body holds the state, not the handle, so a detached thread outlives its handle.
    auto state = handle->m_state;
    const ThreadId id = handle->m_id;
    try {
        state->thread = std::thread([state, id, body = std::move(body)] {
            t_thread_id = id;
            body();
            state->done.store(true, std::memory_order_release);
            state->finished.set();
        });
    } catch (const std::system_error&) {
        return nullptr;
    }
    return handle;
}

NativeThread::~NativeThread() {
    std::lock_guard guard(m_state->join_mutex);
    if (!m_state->thread.joinable()) {
        return;
    }
    // The last handle may be dropped by the thread itself, which cannot join itself.
    if (m_state->done.load(std::memory_order_acquire) &&
        m_state->thread.get_id() != std::this_thread::get_id()) {
        m_state->thread.join();
    } else {
        m_state->thread.detach();
    }
}

bool NativeThread::join(std::optional<uint32_t> timeout_ms) {
    if (current_thread_id() == m_id) {
        return false;
    }
    if (!m_state->finished.wait(timeout_ms)) {
        return false;
    }
    // The body has returned; joining also waits for the thread's own clean-up (its
    // thread-local objects, such as its message queue).
    std::lock_guard guard(m_state->join_mutex);
    if (m_state->thread.joinable()) {
        m_state->thread.join();
    }
    return true;
}

bool NativeThread::has_finished() const {
    return m_state->done.load(std::memory_order_acquire);
}

Event::Event(bool manual_reset, bool initially_set)
    : m_manual_reset(manual_reset), m_set(initially_set) {}

void Event::set() {
    // Notified under the lock: a waiter that wakes may destroy the event at once, as one
    // may close a handheld event right after its wait returns.
    std::lock_guard guard(m_mutex);
    m_set = true;
    if (m_manual_reset) {
        m_cv.notify_all();
    } else {
        m_cv.notify_one();
    }
}

void Event::reset() {
    std::lock_guard guard(m_mutex);
    m_set = false;
}

bool Event::wait(std::optional<uint32_t> timeout_ms) {
    std::unique_lock lock(m_mutex);
    const auto is_set = [this] { return m_set; };
    if (timeout_ms) {
        if (!m_cv.wait_for(lock, std::chrono::milliseconds(*timeout_ms), is_set)) {
            return false;
        }
    } else {
        m_cv.wait(lock, is_set);
    }
    if (!m_manual_reset) {
        m_set = false;
    }
    return true;
}

static_assert(sizeof(pthread_key_t) <= sizeof(unsigned int));

ThreadLocalSlot::ThreadLocalSlot() {
    pthread_key_t key;
    if (pthread_key_create(&key, nullptr) != 0) {
        // Keys run out only after thousands of slots; the program makes a handful.
        std::terminate();
    }
    m_key = static_cast<unsigned int>(key);
}

ThreadLocalSlot::~ThreadLocalSlot() {
    pthread_key_delete(static_cast<pthread_key_t>(m_key));
}

void* ThreadLocalSlot::get() const {
    return pthread_getspecific(static_cast<pthread_key_t>(m_key));
}

void ThreadLocalSlot::set(void* value) {
    pthread_setspecific(static_cast<pthread_key_t>(m_key), value);
}

}  // namespace platform
