#include "platform/window.h"

#include <algorithm>

#include "platform/clock.h"
#include "platform/window_system.h"

namespace platform {

using detail::window_system;
using detail::WindowRecord;
using detail::WindowSystem;

namespace {

detail::WindowClass* find_class_locked(WStringView name) {
    auto& classes = window_system().classes;
    auto found = std::find_if(classes.begin(), classes.end(), [name](const auto& c) {
        return equals_ignore_ascii_case(c.name, name);
    });
    return found == classes.end() ? nullptr : &*found;
}

// Removes the record with its timers and the messages queued for it. The caller holds the
// lock.
void remove_window_locked(WindowHandle window) {
    WindowSystem& system = window_system();
    auto found = system.windows.find(window.id);
    if (found == system.windows.end()) {
        return;
    }
    std::shared_ptr<detail::Queue> queue = detail::owner_queue_locked(found->second);
    system.windows.erase(found);
    if (queue) {
        std::erase_if(queue->posted, [window](const Message& m) { return m.window == window; });
        std::erase_if(queue->timers,
                      [window](const auto& entry) { return entry.first.first == window.id; });
    }
}

// Destroys a window and its children. Children are destroyed whatever thread owns them,
// as the handheld did when a parent went away.
void destroy_tree(WindowHandle window) {
    WindowSystem& system = window_system();
    std::shared_ptr<const WindowProc> proc;
    {
        std::lock_guard guard(system.mutex);
        WindowRecord* record = detail::find_window_locked(window);
        if (record == nullptr || record->destroying) {
            return;
        }
        record->destroying = true;
        proc = record->proc;
    }
    // The window stays valid while its procedure handles WM_DESTROY.
    (*proc)(window, WM_DESTROY, 0, 0);

    std::vector<WindowHandle> children;
    {
        std::lock_guard guard(system.mutex);
        for (const auto& [id, record] : system.windows) {
            if (record.parent == window.id) {
                children.push_back(WindowHandle{id});
            }
        }
    }
    for (WindowHandle child : children) {
        destroy_tree(child);
    }

    std::lock_guard guard(system.mutex);
    remove_window_locked(window);
}

}  // namespace

bool register_window_class(WStringView class_name, WindowProc proc) {
    if (!proc) {
        return false;
    }
    WindowSystem& system = window_system();
    std::lock_guard guard(system.mutex);
    if (find_class_locked(class_name) != nullptr) {
        return false;
    }
    system.classes.push_back(
        {WString(class_name), std::make_shared<const WindowProc>(std::move(proc))});
    return true;
}

bool unregister_window_class(WStringView class_name) {
    WindowSystem& system = window_system();
    std::lock_guard guard(system.mutex);
    detail::WindowClass* window_class = find_class_locked(class_name);
    if (window_class == nullptr) {
        return false;
    }
    for (const auto& [id, record] : system.windows) {
        if (equals_ignore_ascii_case(record.class_name, class_name)) {
            return false;
        }
    }
    system.classes.erase(system.classes.begin() + (window_class - system.classes.data()));
    return true;
}

WindowHandle create_window(WStringView class_name, WStringView title, WindowHandle parent,
                           intptr_t create_param) {
    WindowSystem& system = window_system();
    WindowHandle window;
    std::shared_ptr<const WindowProc> proc;
    {
        std::lock_guard guard(system.mutex);
        detail::WindowClass* window_class = find_class_locked(class_name);
        if (window_class == nullptr) {
            return {};
        }
        if (parent && detail::find_window_locked(parent) == nullptr) {
            return {};
        }
        detail::own_queue_locked();
        window = WindowHandle{system.next_window++};
        proc = window_class->proc;
        system.windows.emplace(window.id, WindowRecord{window_class->name, WString(title),
                                                       parent.id, current_thread_id(), proc});
    }
    if ((*proc)(window, WM_CREATE, 0, create_param) == -1) {
        destroy_tree(window);
        return {};
    }
    return window;
}

bool destroy_window(WindowHandle window) {
    {
        WindowSystem& system = window_system();
        std::lock_guard guard(system.mutex);
        WindowRecord* record = detail::find_window_locked(window);
        if (record == nullptr || record->destroying || record->owner != current_thread_id()) {
            return false;
        }
    }
    destroy_tree(window);
    return true;
}

WindowHandle create_window_for_thread(ThreadId owner, WStringView class_name) {
    WindowSystem& system = window_system();
    std::lock_guard guard(system.mutex);
    detail::WindowClass* window_class = find_class_locked(class_name);
    if (window_class == nullptr || system.queues.find(owner) == system.queues.end()) {
        return {};
    }
    const WindowHandle window{system.next_window++};
    system.windows.emplace(window.id,
                           WindowRecord{window_class->name, WString(), 0, owner, window_class->proc});
    return window;
}

bool discard_window(WindowHandle window) {
    WindowSystem& system = window_system();
    std::lock_guard guard(system.mutex);
    const WindowRecord* record = detail::find_window_locked(window);
    if (record == nullptr || record->destroying) {
        return false;
    }
    for (const auto& [id, other] : system.windows) {
        if (other.parent == window.id) {
            return false;
        }
    }
    remove_window_locked(window);
    return true;
}

bool is_window(WindowHandle window) {
    std::lock_guard guard(window_system().mutex);
    return detail::find_window_locked(window) != nullptr;
}

WString window_class_name(WindowHandle window) {
    std::lock_guard guard(window_system().mutex);
    WindowRecord* record = detail::find_window_locked(window);
    return record ? record->class_name : WString();
}

WString window_title(WindowHandle window) {
    std::lock_guard guard(window_system().mutex);
    WindowRecord* record = detail::find_window_locked(window);
    return record ? record->title : WString();
}

bool set_window_title(WindowHandle window, WStringView title) {
    std::lock_guard guard(window_system().mutex);
    WindowRecord* record = detail::find_window_locked(window);
    if (record == nullptr) {
        return false;
    }
    record->title = WString(title);
    return true;
}

WindowHandle window_parent(WindowHandle window) {
    std::lock_guard guard(window_system().mutex);
    WindowRecord* record = detail::find_window_locked(window);
    return record ? WindowHandle{record->parent} : WindowHandle{};
}

ThreadId window_thread_id(WindowHandle window) {
    std::lock_guard guard(window_system().mutex);
    WindowRecord* record = detail::find_window_locked(window);
    return record ? record->owner : 0;
}

WindowHandle find_window(std::optional<WStringView> class_name,
                         std::optional<WStringView> title) {
    WindowSystem& system = window_system();
    std::lock_guard guard(system.mutex);
    for (const auto& [id, record] : system.windows) {
        if (record.parent != 0) {
            continue;
        }
        if (class_name && !equals_ignore_ascii_case(record.class_name, *class_name)) {
            continue;
        }
        if (title && record.title != *title) {
            continue;
        }
        return WindowHandle{id};
    }
    return {};
}

std::vector<WindowHandle> top_level_windows() {
    WindowSystem& system = window_system();
    std::lock_guard guard(system.mutex);
    std::vector<WindowHandle> result;
    for (const auto& [id, record] : system.windows) {
        if (record.parent == 0) {
            result.push_back(WindowHandle{id});
        }
    }
    return result;
}

intptr_t def_window_proc(WindowHandle window, uint32_t message, uintptr_t, intptr_t) {
    if (message == WM_CLOSE) {
        destroy_window(window);
    }
    return 0;
}

bool set_timer(WindowHandle window, uintptr_t id, uint32_t interval_ms,
               TimerCallback callback) {
    WindowSystem& system = window_system();
    std::lock_guard guard(system.mutex);
    WindowRecord* record = detail::find_window_locked(window);
    if (record == nullptr) {
        return false;
    }
    std::shared_ptr<detail::Queue> queue = detail::owner_queue_locked(*record);
    if (!queue) {
        return false;
    }
    // A zero interval would make the timer due at every look and starve the loop.
    const uint32_t interval = std::max<uint32_t>(interval_ms, 1);
    queue->timers[{window.id, id}] = detail::WindowTimer{
        interval, tick_count() + interval, system.next_timer_order++, std::move(callback)};
    // A waiting owner must recompute how long it may sleep.
    queue->cv.notify_all();
    return true;
}

bool kill_timer(WindowHandle window, uintptr_t id) {
    WindowSystem& system = window_system();
    std::lock_guard guard(system.mutex);
    WindowRecord* record = detail::find_window_locked(window);
    if (record == nullptr) {
        return false;
    }
    std::shared_ptr<detail::Queue> queue = detail::owner_queue_locked(*record);
    return queue && queue->timers.erase({window.id, id}) > 0;
}

}  // namespace platform
