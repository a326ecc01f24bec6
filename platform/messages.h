#pragma once
// Per-thread message queues. Any thread may post; the owner thread peeks, waits and
// dispatches. A thread gets its queue the first time it creates a window or looks at its
// queue, and loses it (with its windows, which get no WM_DESTROY then) when it ends.
//
// What a look at the queue finds, in order: messages sent from other threads are delivered
// to their procedures first (never returned); then posted messages in posting order; then
// WM_QUIT; then WM_TIMER of a due window timer, made on demand.
//
// Filters: a null window matches every message, thread messages included; a window matches
// that window's messages only. The range min..max is inclusive; 0, 0 matches every number.

#include <cstdint>

#include "platform/message_ids.h"
#include "platform/threads.h"
#include "platform/window.h"

namespace platform {

struct Message {
    WindowHandle window;  // null for a thread message and WM_QUIT
    uint32_t message = WM_NULL;
    uintptr_t wparam = 0;
    intptr_t lparam = 0;
    uint32_t time = 0;  // tick count when posted (or made, for WM_TIMER)
};

// Posts to the window's owner thread. A null window posts to the calling thread as a thread
// message. False for an invalid window.
bool post_message(WindowHandle window, uint32_t message, uintptr_t wparam = 0,
                  intptr_t lparam = 0);
// False when the thread has no message queue.
bool post_thread_message(ThreadId thread, uint32_t message, uintptr_t wparam = 0,
                         intptr_t lparam = 0);

// On the owner thread the procedure is called directly. From another thread the message is
// handed to the owner, which runs it the next time it looks at its queue; meanwhile the
// sender still runs messages sent to itself. 0 for an invalid window or when the owner
// thread ends first.
intptr_t send_message(WindowHandle window, uint32_t message, uintptr_t wparam = 0,
                      intptr_t lparam = 0);

// Takes (or, with remove false, only copies) the first message that matches the filters.
bool peek_message(Message& out, WindowHandle window = {}, uint32_t min = 0, uint32_t max = 0,
                  bool remove = true);

// Blocks until a message matches the filters and takes it. False when it is WM_QUIT (the
// quit code is in wparam). Under the virtual clock, when nothing matches but a matching
// window timer is pending, the clock jumps to its due time instead of blocking; with no such
// timer it blocks until something is posted or sent.
bool get_message(Message& out, WindowHandle window = {}, uint32_t min = 0, uint32_t max = 0);

// Blocks until the queue holds something (the same wait as get_message), takes nothing.
void wait_message();

// Calls the target window's procedure, or the timer's callback for WM_TIMER of a timer that
// has one. 0 for thread messages and invalid windows.
intptr_t dispatch_message(const Message& message);

// Makes the calling thread's queue report WM_QUIT with the code once the posted messages
// before it are taken.
void post_quit_message(int exit_code);

// Dispatches every message that is ready now, timers due now included, and gives the count.
// Stops at WM_QUIT and leaves it in the queue. For headless loops and tests.
int dispatch_pending_messages();

}  // namespace platform
