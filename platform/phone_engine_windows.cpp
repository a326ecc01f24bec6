#include "platform/phone_engine_windows.h"

#include <map>
#include <mutex>

#include "platform/messages.h"
#include "platform/phone_engine.h"

namespace platform {

namespace {

struct ShellState {
    bool visible = true;
    bool minimized = false;
    bool enabled = true;
    WString image;
    uint32_t menu_bar = 0;
};

std::mutex g_mutex;
std::map<uint32_t, ShellState> g_states;

// Entries of windows that are gone would pile up over a long run.
void prune_locked() {
    std::erase_if(g_states,
                  [](const auto& entry) { return !is_window(WindowHandle{entry.first}); });
}

ShellState* state_locked(WindowHandle window) {
    if (!is_window(window)) {
        return nullptr;
    }
    if (g_states.size() > 256) {
        prune_locked();
    }
    return &g_states[window.id];
}

intptr_t plain_proc(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    return def_window_proc(window, message, wparam, lparam);
}

void register_classes() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Someone else may have the class already; its windows serve as well.
        register_window_class(kStockDialogClass, plain_proc);
        register_window_class(kMenuBarClass, plain_proc);
    });
}

}  // namespace

bool show_window(WindowHandle window, int command, bool* was_visible) {
    std::lock_guard lock(g_mutex);
    ShellState* state = state_locked(window);
    if (state == nullptr) {
        return false;
    }
    if (was_visible != nullptr) {
        *was_visible = state->visible && !state->minimized;
    }
    switch (command) {
        case SW_HIDE:
            state->visible = false;
            break;
        case SW_MINIMIZE:
        case SW_SHOWMINIMIZED:
            state->visible = true;
            state->minimized = true;
            break;
        default:
            state->visible = true;
            state->minimized = false;
            break;
    }
    return true;
}

bool is_window_visible(WindowHandle window) {
    std::lock_guard lock(g_mutex);
    const ShellState* state = state_locked(window);
    return state != nullptr && state->visible && !state->minimized;
}

bool is_window_minimized(WindowHandle window) {
    std::lock_guard lock(g_mutex);
    const ShellState* state = state_locked(window);
    return state != nullptr && state->minimized;
}

bool enable_window(WindowHandle window, bool enable) {
    std::lock_guard lock(g_mutex);
    ShellState* state = state_locked(window);
    if (state == nullptr) {
        return false;
    }
    state->enabled = enable;
    return true;
}

bool is_window_enabled(WindowHandle window) {
    std::lock_guard lock(g_mutex);
    const ShellState* state = state_locked(window);
    return state != nullptr && state->enabled;
}

WindowHandle find_menu_bar(WindowHandle window) {
    std::lock_guard lock(g_mutex);
    const ShellState* state = state_locked(window);
    if (state == nullptr || !is_window(WindowHandle{state->menu_bar})) {
        return {};
    }
    return WindowHandle{state->menu_bar};
}

WString window_image_path(WindowHandle window) {
    std::lock_guard lock(g_mutex);
    const ShellState* state = state_locked(window);
    return state != nullptr ? state->image : WString();
}

void set_window_image_path(WindowHandle window, WStringView image) {
    std::lock_guard lock(g_mutex);
    if (ShellState* state = state_locked(window)) {
        state->image = WString(image);
    }
}

void keybd_event(uint8_t virtual_key, uint32_t flags) {
    if (virtual_key != VK_TTALK && virtual_key != VK_TEND) {
        return;
    }
    if (std::shared_ptr<PhoneEngine> engine = current_phone_engine()) {
        engine->phone_key(virtual_key, (flags & KEYEVENTF_KEYUP) != 0);
    }
}

StockPhoneWindows::StockPhoneWindows() : m_owner(current_thread_id()) {
    register_classes();
    // Made in this order so that the incoming window comes first among the top-level
    // windows, as the phone program had it.
    m_incoming = create_window(kStockDialogClass, kStockIncomingTitle);
    m_outgoing = create_window(kStockDialogClass, kStockOutgoingTitle);
    for (WindowHandle window : {m_incoming, m_outgoing}) {
        if (!window) {
            continue;
        }
        set_window_image_path(window, kStockPhoneImage);
        const WindowHandle menu_bar = create_window(kMenuBarClass, u"", window);
        set_window_image_path(menu_bar, kStockPhoneImage);
        {
            std::lock_guard lock(g_mutex);
            if (ShellState* state = state_locked(window)) {
                state->menu_bar = menu_bar.id;
            }
        }
        show_window(window, SW_HIDE);
        show_window(menu_bar, SW_HIDE);
    }
}

StockPhoneWindows::~StockPhoneWindows() {
    // Windows of a thread that has ended went with it; another thread cannot destroy them,
    // so they stay hidden until their thread ends.
    if (current_thread_id() == m_owner) {
        destroy_window(m_incoming);
        destroy_window(m_outgoing);
    } else {
        show_incoming(false);
        show_outgoing(false);
    }
}

void StockPhoneWindows::show_incoming(bool show) {
    show_window(m_incoming, show ? SW_SHOW : SW_HIDE);
    show_window(find_menu_bar(m_incoming), show ? SW_SHOW : SW_HIDE);
}

void StockPhoneWindows::show_outgoing(bool show) {
    show_window(m_outgoing, show ? SW_SHOW : SW_HIDE);
    show_window(find_menu_bar(m_outgoing), show ? SW_SHOW : SW_HIDE);
}

}  // namespace platform
