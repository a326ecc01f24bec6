#include "platform/window_system.h"

namespace platform::detail {

namespace {

// Ends a thread's queue with the thread: its windows vanish (no procedure is called while
// the thread's other objects are being torn down) and senders waiting on it get 0.
void release_queue(ThreadId thread) {
    WindowSystem& system = window_system();
    std::lock_guard guard(system.mutex);
    auto found = system.queues.find(thread);
    if (found == system.queues.end()) {
        return;
    }
    std::shared_ptr<Queue> queue = found->second;
    system.queues.erase(found);
    std::erase_if(system.windows, [thread](const auto& entry) {
        return entry.second.owner == thread;
    });
    for (const auto& call : queue->sent) {
        call->done = true;
        call->sender->cv.notify_all();
    }
    queue->sent.clear();
}

struct QueueReleaser {
    ThreadId thread = 0;
    ~QueueReleaser() {
        if (thread != 0) {
            release_queue(thread);
        }
    }
};

}  // namespace

WindowSystem& window_system() {
    static WindowSystem* system = new WindowSystem();
    return *system;
}

std::shared_ptr<Queue> own_queue_locked() {
    WindowSystem& system = window_system();
    const ThreadId thread = current_thread_id();
    auto found = system.queues.find(thread);
    if (found != system.queues.end()) {
        return found->second;
    }
    auto queue = std::make_shared<Queue>(thread);
    system.queues.emplace(thread, queue);
    thread_local QueueReleaser releaser;
    releaser.thread = thread;
    return queue;
}

WindowRecord* find_window_locked(WindowHandle window) {
    WindowSystem& system = window_system();
    auto found = system.windows.find(window.id);
    return found == system.windows.end() ? nullptr : &found->second;
}

std::shared_ptr<Queue> owner_queue_locked(const WindowRecord& record) {
    WindowSystem& system = window_system();
    auto found = system.queues.find(record.owner);
    return found == system.queues.end() ? nullptr : found->second;
}

}  // namespace platform::detail
