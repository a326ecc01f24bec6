#pragma once
// Windows as message targets: a class name, a title, a parent, the thread that owns them and
// the procedure of their class. Nothing is drawn here; the display back end draws.
//
// Handles are ids that are never reused, so a destroyed window's handle is simply invalid:
// every operation on it fails or answers empty.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/threads.h"
#include "platform/ustring.h"

namespace platform {

struct WindowHandle {
    uint32_t id = 0;

    explicit operator bool() const { return id != 0; }
    friend bool operator==(WindowHandle, WindowHandle) = default;
};

using WindowProc = std::function<intptr_t(WindowHandle, uint32_t message, uintptr_t wparam,
                                          intptr_t lparam)>;

// Called by dispatch_message for WM_TIMER of a timer set with a callback, instead of the
// window procedure: window, WM_TIMER, timer id, message time.
using TimerCallback = std::function<void(WindowHandle, uint32_t message, uintptr_t id,
                                         uint32_t time)>;

// Class names are matched without regard to ASCII case, as the handheld did. False when the
// name is taken or the procedure is empty.
bool register_window_class(WStringView class_name, WindowProc proc);
// False when the class is unknown or windows of it still exist.
bool unregister_window_class(WStringView class_name);

// Creates a window owned by the calling thread (which gets a message queue if it had none)
// and sends it WM_CREATE with create_param as lparam. Null when the class is unknown, the
// parent is given but invalid, or the procedure answers WM_CREATE with -1.
WindowHandle create_window(WStringView class_name, WStringView title,
                           WindowHandle parent = {}, intptr_t create_param = 0);

// Sends WM_DESTROY, then destroys the children the same way, then removes the window with
// its timers and its messages still in the queue. Only the owner thread may destroy a window;
// false otherwise or when the handle is invalid.
bool destroy_window(WindowHandle window);

// For helpers that set up a window on one thread for another: a top-level window owned by
// owner, which must already have a message queue. Its procedure runs only on its owner, so it
// gets no WM_CREATE. Null when the class is unknown or the owner has no queue.
WindowHandle create_window_for_thread(ThreadId owner, WStringView class_name);
// Takes a window without children away from any thread, with its timers and its messages
// still in the queue, without WM_DESTROY: for windows whose procedure has nothing to undo.
// False when the handle is invalid, the window has children or is being destroyed.
bool discard_window(WindowHandle window);

bool is_window(WindowHandle window);
// Empty for an invalid handle.
WString window_class_name(WindowHandle window);
WString window_title(WindowHandle window);
bool set_window_title(WindowHandle window, WStringView title);
WindowHandle window_parent(WindowHandle window);
// 0 for an invalid handle.
ThreadId window_thread_id(WindowHandle window);

// The first top-level window (in creation order) whose class and title match; nothing given
// matches any. The class is matched without regard to ASCII case, the title exactly.
WindowHandle find_window(std::optional<WStringView> class_name,
                         std::optional<WStringView> title);
// Every top-level window of every thread, in creation order.
std::vector<WindowHandle> top_level_windows();

// The platform's default processing: WM_CLOSE destroys the window; everything else gives 0.
intptr_t def_window_proc(WindowHandle window, uint32_t message, uintptr_t wparam,
                         intptr_t lparam);

// Starts or restarts the window's timer id: from interval_ms from now on, the owner thread
// finds one WM_TIMER (wparam id) in its queue whenever the timer is due and it looks. Missed
// periods do not pile up. An interval of 0 is taken as 1 ms. False for an invalid window.
bool set_timer(WindowHandle window, uintptr_t id, uint32_t interval_ms,
               TimerCallback callback = nullptr);
// False when the window has no such timer.
bool kill_timer(WindowHandle window, uintptr_t id);

}  // namespace platform
