#include "platform/messages.h"

#include <chrono>
#include <optional>
#include <set>

#include "platform/clock.h"
#include "platform/window_system.h"

namespace platform {

using detail::Queue;
using detail::window_system;
using detail::WindowSystem;

namespace {

struct Filter {
    WindowHandle window;
    uint32_t min = 0;
    uint32_t max = 0;

    bool admits(WindowHandle target, uint32_t message) const {
        if (window && target != window) {
            return false;
        }
        return (min == 0 && max == 0) || (message >= min && message <= max);
    }
};

std::shared_ptr<const WindowProc> proc_locked(WindowHandle window) {
    detail::WindowRecord* record = detail::find_window_locked(window);
    return record ? record->proc : nullptr;
}

// Runs the messages other threads sent to this one. Unlocks around each procedure call.
void deliver_sent(std::unique_lock<std::mutex>& lock, Queue& queue) {
    while (!queue.sent.empty()) {
        std::shared_ptr<detail::SentCall> call = queue.sent.front();
        queue.sent.pop_front();
        std::shared_ptr<const WindowProc> proc = proc_locked(call->message.window);
        intptr_t result = 0;
        if (proc) {
            lock.unlock();
            const Message& m = call->message;
            result = (*proc)(m.window, m.message, m.wparam, m.lparam);
            lock.lock();
        }
        call->result = result;
        call->done = true;
        call->sender->cv.notify_all();
    }
}

// The due timer that a look at the queue reports first: the most overdue, then the one set
// first.
std::map<std::pair<uint32_t, uintptr_t>, detail::WindowTimer>::iterator due_timer(
    Queue& queue, const Filter& filter, uint32_t now) {
    auto best = queue.timers.end();
    for (auto it = queue.timers.begin(); it != queue.timers.end(); ++it) {
        if (!filter.admits(WindowHandle{it->first.first}, WM_TIMER)) {
            continue;
        }
        const int32_t left = ticks_until(it->second.due, now);
        if (left > 0) {
            continue;
        }
        if (best == queue.timers.end()) {
            best = it;
            continue;
        }
        const int32_t best_left = ticks_until(best->second.due, now);
        if (left < best_left || (left == best_left && it->second.order < best->second.order)) {
            best = it;
        }
    }
    return best;
}

// The earliest due time among the timers the filter admits.
std::optional<uint32_t> next_timer_due(const Queue& queue, const Filter& filter,
                                       uint32_t now) {
    std::optional<uint32_t> next;
    for (const auto& [key, timer] : queue.timers) {
        if (!filter.admits(WindowHandle{key.first}, WM_TIMER)) {
            continue;
        }
        if (!next || ticks_until(timer.due, now) < ticks_until(*next, now)) {
            next = timer.due;
        }
    }
    return next;
}

bool take_locked(Queue& queue, Message& out, const Filter& filter, bool remove) {
    for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
        if (filter.admits(it->window, it->message)) {
            out = *it;
            if (remove) {
                queue.posted.erase(it);
            }
            return true;
        }
    }
    if (queue.quit && filter.admits(WindowHandle{}, WM_QUIT)) {
        out = Message{WindowHandle{}, WM_QUIT, static_cast<uintptr_t>(queue.quit_code), 0,
                      tick_count()};
        if (remove) {
            queue.quit = false;
        }
        return true;
    }
    const uint32_t now = tick_count();
    auto timer = due_timer(queue, filter, now);
    if (timer == queue.timers.end()) {
        return false;
    }
    // lparam flags a timer with a callback; dispatch_message looks the callback up.
    out = Message{WindowHandle{timer->first.first}, WM_TIMER, timer->first.second,
                  timer->second.callback ? 1 : 0, now};
    if (remove) {
        // Missed periods are dropped: the timer is due again one period after the due time
        // just reported, or one period from now when that has passed too.
        detail::WindowTimer& t = timer->second;
        t.due += t.interval;
        if (ticks_until(t.due, now) <= 0) {
            t.due = now + t.interval;
        }
    }
    return true;
}

bool wait_and_take(Message& out, const Filter& filter, bool remove) {
    WindowSystem& system = window_system();
    std::unique_lock lock(system.mutex);
    std::shared_ptr<Queue> queue = detail::own_queue_locked();
    for (;;) {
        deliver_sent(lock, *queue);
        if (take_locked(*queue, out, filter, remove)) {
            return true;
        }
        const uint32_t now = tick_count();
        std::optional<uint32_t> next = next_timer_due(*queue, filter, now);
        if (!next) {
            queue->cv.wait(lock);
            continue;
        }
        const int32_t left = ticks_until(*next, now);
        if (left <= 0) {
            continue;
        }
        if (virtual_clock_in_use()) {
            // Nothing else can happen before the timer under a clock that only moves when
            // told to: move it.
            advance_virtual_clock_to(*next);
            continue;
        }
        queue->cv.wait_for(lock, std::chrono::milliseconds(left));
    }
}

bool post_locked(Queue& queue, WindowHandle window, uint32_t message, uintptr_t wparam,
                 intptr_t lparam) {
    queue.posted.push_back(Message{window, message, wparam, lparam, tick_count()});
    queue.cv.notify_all();
    return true;
}

}  // namespace

bool post_message(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    WindowSystem& system = window_system();
    std::lock_guard guard(system.mutex);
    if (!window) {
        return post_locked(*detail::own_queue_locked(), window, message, wparam, lparam);
    }
    detail::WindowRecord* record = detail::find_window_locked(window);
    if (record == nullptr) {
        return false;
    }
    std::shared_ptr<Queue> queue = detail::owner_queue_locked(*record);
    return queue && post_locked(*queue, window, message, wparam, lparam);
}

bool post_thread_message(ThreadId thread, uint32_t message, uintptr_t wparam,
                         intptr_t lparam) {
    WindowSystem& system = window_system();
    std::lock_guard guard(system.mutex);
    auto found = system.queues.find(thread);
    if (found == system.queues.end()) {
        return false;
    }
    return post_locked(*found->second, WindowHandle{}, message, wparam, lparam);
}

intptr_t send_message(WindowHandle window, uint32_t message, uintptr_t wparam,
                      intptr_t lparam) {
    WindowSystem& system = window_system();
    std::unique_lock lock(system.mutex);
    detail::WindowRecord* record = detail::find_window_locked(window);
    if (record == nullptr) {
        return 0;
    }
    if (record->owner == current_thread_id()) {
        std::shared_ptr<const WindowProc> proc = record->proc;
        lock.unlock();
        return (*proc)(window, message, wparam, lparam);
    }
    std::shared_ptr<Queue> target = detail::owner_queue_locked(*record);
    if (!target) {
        return 0;
    }
    std::shared_ptr<Queue> own = detail::own_queue_locked();
    auto call = std::make_shared<detail::SentCall>();
    call->message = Message{window, message, wparam, lparam, tick_count()};
    call->sender = own;
    target->sent.push_back(call);
    target->cv.notify_all();
    // Two threads sending to each other would deadlock unless each runs the other's call
    // while it waits.
    while (!call->done) {
        deliver_sent(lock, *own);
        if (!call->done) {
            own->cv.wait(lock);
        }
    }
    return call->result;
}

bool peek_message(Message& out, WindowHandle window, uint32_t min, uint32_t max, bool remove) {
    WindowSystem& system = window_system();
    std::unique_lock lock(system.mutex);
    std::shared_ptr<Queue> queue = detail::own_queue_locked();
    deliver_sent(lock, *queue);
    return take_locked(*queue, out, Filter{window, min, max}, remove);
}

bool get_message(Message& out, WindowHandle window, uint32_t min, uint32_t max) {
    wait_and_take(out, Filter{window, min, max}, true);
    return out.message != WM_QUIT;
}

void wait_message() {
    Message ignored;
    wait_and_take(ignored, Filter{}, false);
}

intptr_t dispatch_message(const Message& message) {
    if (!message.window) {
        return 0;
    }
    WindowSystem& system = window_system();
    std::unique_lock lock(system.mutex);
    detail::WindowRecord* record = detail::find_window_locked(message.window);
    if (record == nullptr) {
        return 0;
    }
    if (message.message == WM_TIMER && message.lparam != 0) {
        std::shared_ptr<Queue> queue = detail::owner_queue_locked(*record);
        if (!queue) {
            return 0;
        }
        auto timer = queue->timers.find({message.window.id, message.wparam});
        // A timer killed since the message was taken has nothing left to call.
        if (timer == queue->timers.end() || !timer->second.callback) {
            return 0;
        }
        TimerCallback callback = timer->second.callback;
        lock.unlock();
        callback(message.window, WM_TIMER, message.wparam, message.time);
        return 0;
    }
    std::shared_ptr<const WindowProc> proc = record->proc;
    lock.unlock();
    return (*proc)(message.window, message.message, message.wparam, message.lparam);
}

void post_quit_message(int exit_code) {
    WindowSystem& system = window_system();
    std::lock_guard guard(system.mutex);
    std::shared_ptr<Queue> queue = detail::own_queue_locked();
    queue->quit = true;
    queue->quit_code = exit_code;
    queue->cv.notify_all();
}

int dispatch_pending_messages() {
    // Each timer is dispatched at most once per call, so a timer that falls due again while
    // its handler runs cannot keep the call going for ever.
    std::set<std::pair<uint32_t, uintptr_t>> timers_seen;
    int count = 0;
    Message message;
    while (peek_message(message, {}, 0, 0, false)) {
        if (message.message == WM_TIMER &&
            timers_seen.contains({message.window.id, message.wparam})) {
            break;
        }
        if (!peek_message(message)) {
            break;
        }
        if (message.message == WM_QUIT) {
            post_quit_message(static_cast<int>(message.wparam));
            break;
        }
        if (message.message == WM_TIMER) {
            timers_seen.insert({message.window.id, message.wparam});
        }
        dispatch_message(message);
        ++count;
    }
    return count;
}

}  // namespace platform
