#include "platform/phone_engine.h"

#include <cstdio>
#include <map>
#include <mutex>

#include "platform/call_history.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/phone_call.h"
#include "platform/registry_store.h"

namespace platform {

namespace {

std::mutex g_mutex;
std::shared_ptr<PhoneEngine> g_engine;
// Whatever placed calls before the first engine came, so it comes back when the engine goes.
MakeCallFunction g_saved_make_call;

constexpr WStringView kHiddenClass = u"LineHiddenWindow";
constexpr uint32_t kLineEventMessage = WM_USER + 0x1A0;

// Hidden windows to the delivery of their engine. Kept apart from the engine so that a
// message still queued for a window whose engine is gone finds nothing.
std::mutex g_hidden_mutex;
std::map<uint32_t, std::function<void(uintptr_t)>> g_hidden;

intptr_t hidden_proc(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    if (message != kLineEventMessage) {
        return def_window_proc(window, message, wparam, lparam);
    }
    std::function<void(uintptr_t)> deliver;
    {
        std::lock_guard lock(g_hidden_mutex);
        auto found = g_hidden.find(window.id);
        if (found != g_hidden.end()) {
            deliver = found->second;
        }
    }
    if (deliver) {
        deliver(wparam);
    }
    return 0;
}

bool is_grouping(char16_t c) {
    return c == u' ' || c == u'-' || c == u'.' || c == u'/' || c == u'(' || c == u')';
}

bool make_call_through_engine(WStringView number) {
    std::shared_ptr<PhoneEngine> engine = current_phone_engine();
    return engine && engine->make_call(number);
}

}  // namespace

std::shared_ptr<PhoneEngine> current_phone_engine() {
    std::lock_guard lock(g_mutex);
    return g_engine;
}

std::shared_ptr<PhoneEngine> set_current_phone_engine(std::shared_ptr<PhoneEngine> engine) {
    std::lock_guard lock(g_mutex);
    const bool had = g_engine != nullptr;
    if (engine && !had) {
        g_saved_make_call = set_make_call_function(make_call_through_engine);
    } else if (!engine && had) {
        set_make_call_function(std::move(g_saved_make_call));
        g_saved_make_call = nullptr;
    }
    std::swap(g_engine, engine);
    return engine;
}

bool PhoneEngine::command(const std::vector<std::string>& words, std::string& reply) {
    reply = words.empty() ? "no command" : "unknown command: " + words[0].substr(0, 32);
    return false;
}

WindowHandle create_line_event_window(ThreadId thread, std::function<void(uintptr_t)> deliver) {
    static std::once_flag once;
    std::call_once(once, [] { register_window_class(kHiddenClass, hidden_proc); });
    // The window must belong to the thread the application named even when another thread
    // sets the line up.
    const WindowHandle window = thread == 0 || thread == current_thread_id()
                                    ? create_window(kHiddenClass, u"")
                                    : create_window_for_thread(thread, kHiddenClass);
    if (window) {
        std::lock_guard lock(g_hidden_mutex);
        g_hidden[window.id] = std::move(deliver);
    }
    return window;
}

bool post_line_event(WindowHandle window, uintptr_t value) {
    return post_message(window, kLineEventMessage, value);
}

void destroy_line_event_window(WindowHandle window) {
    {
        std::lock_guard lock(g_hidden_mutex);
        g_hidden.erase(window.id);
    }
    // Only the owner may destroy a window; this one has no children and its procedure does
    // nothing on WM_DESTROY, so from another thread it is simply taken away.
    if (window_thread_id(window) == current_thread_id()) {
        destroy_window(window);
    } else {
        discard_window(window);
    }
}

WString dialled_number(WStringView number) {
    WString digits;
    for (const char16_t c : number) {
        if (!is_grouping(c)) {
            digits.push_back(c);
        }
    }
    return digits;
}

uint64_t filetime_now() {
    return static_cast<uint64_t>(calendar_now_ms()) * 10000 + 116444736000000000ULL;
}

bool record_ended_call(const CallLogEntry& entry, const std::string& history_file,
                       std::string& error) {
    bool written = true;
    CallHistory history(history_file.empty() ? CallHistory::default_file() : history_file);
    if (!history.is_open() || history.add(entry) == 0) {
        error = to_utf8(history.error());
        written = false;
    }
    if (entry.direction == kCallMissed) {
        RegistryStore& registry = RegistryStore::user();
        uint32_t count = 0;
        if (auto value = registry.get(kPhoneStateKey, kMissedCallCount);
            value && value->type == RegistryType::dword) {
            count = value->dword;
        }
        if (count < UINT32_MAX) {
            ++count;
        }
        registry.set(kPhoneStateKey, kMissedCallCount, RegistryValue::of_dword(count));
    }
    return written;
}

std::string call_state_name(uint32_t state) {
    switch (state) {
        case LINECALLSTATE_IDLE:
            return "IDLE";
        case LINECALLSTATE_OFFERING:
            return "OFFERING";
        case LINECALLSTATE_ACCEPTED:
            return "ACCEPTED";
        case LINECALLSTATE_DIALTONE:
            return "DIALTONE";
        case LINECALLSTATE_DIALING:
            return "DIALING";
        case LINECALLSTATE_RINGBACK:
            return "RINGBACK";
        case LINECALLSTATE_BUSY:
            return "BUSY";
        case LINECALLSTATE_SPECIALINFO:
            return "SPECIALINFO";
        case LINECALLSTATE_CONNECTED:
            return "CONNECTED";
        case LINECALLSTATE_PROCEEDING:
            return "PROCEEDING";
        case LINECALLSTATE_ONHOLD:
            return "ONHOLD";
        case LINECALLSTATE_DISCONNECTED:
            return "DISCONNECTED";
        case LINECALLSTATE_UNKNOWN:
            return "UNKNOWN";
        default:
            break;
    }
    char text[16];
    std::snprintf(text, sizeof(text), "0x%X", state);
    return text;
}

std::vector<LineStep> closing_steps(uint32_t mode) {
    std::vector<LineStep> steps;
    if (mode == LINEDISCONNECTMODE_BUSY) {
        steps.push_back({LINECALLSTATE_BUSY, 0});
    } else if (mode == LINEDISCONNECTMODE_UNREACHABLE || mode == LINEDISCONNECTMODE_BADADDRESS) {
        steps.push_back({LINECALLSTATE_SPECIALINFO, 0});
    }
    steps.push_back({LINECALLSTATE_DISCONNECTED, mode});
    steps.push_back({LINECALLSTATE_IDLE, 0});
    return steps;
}

}  // namespace platform
