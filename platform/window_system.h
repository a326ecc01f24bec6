#pragma once
// Shared state behind window.h and messages.h: window classes, windows, and each thread's
// message queue, all under one lock. Internal to the platform layer.

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/messages.h"

namespace platform::detail {

struct Queue;

struct WindowTimer {
    uint32_t interval = 0;
    uint32_t due = 0;
    uint64_t order = 0;  // start order, so timers due together come in the order they were set
    TimerCallback callback;
};

// A message sent from another thread, waiting for the owner thread to run it.
struct SentCall {
    Message message;
    intptr_t result = 0;
    bool done = false;
    std::shared_ptr<Queue> sender;
};

struct Queue {
    explicit Queue(ThreadId owner_thread) : owner(owner_thread) {}

    ThreadId owner;
    std::deque<Message> posted;
    std::deque<std::shared_ptr<SentCall>> sent;
    // Keyed by (window id, timer id).
    std::map<std::pair<uint32_t, uintptr_t>, WindowTimer> timers;
    bool quit = false;
    int quit_code = 0;
    // Woken by posts, sends, finished sends to this thread, and timer changes.
    std::condition_variable cv;
};

struct WindowClass {
    WString name;
    std::shared_ptr<const WindowProc> proc;
};

struct WindowRecord {
    WString class_name;
    WString title;
    uint32_t parent = 0;
    ThreadId owner = 0;
    std::shared_ptr<const WindowProc> proc;
    bool destroying = false;
};

struct WindowSystem {
    std::mutex mutex;
    std::vector<WindowClass> classes;
    // Ordered by id, which is creation order.
    std::map<uint32_t, WindowRecord> windows;
    std::unordered_map<ThreadId, std::shared_ptr<Queue>> queues;
    uint32_t next_window = 1;
    uint64_t next_timer_order = 0;
};

// The one instance; never destroyed, so threads ending after main still find it.
WindowSystem& window_system();

// The calling thread's queue, made (and set to be released when the thread ends) on first
// use. The caller holds the lock.
std::shared_ptr<Queue> own_queue_locked();

// The record of a live window, or null. The caller holds the lock.
WindowRecord* find_window_locked(WindowHandle window);

// The queue of the thread that owns a window, or null. The caller holds the lock.
std::shared_ptr<Queue> owner_queue_locked(const WindowRecord& record);

}  // namespace platform::detail
