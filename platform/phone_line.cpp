#include "platform/phone_line.h"

#include <algorithm>
#include <bit>

#include "platform/call_history.h"

namespace platform {

namespace {

constexpr size_t kMaxEnded = 16;

bool valid_digits(WStringView digits) {
    return !digits.empty() && std::all_of(digits.begin(), digits.end(), [](char16_t c) {
        return (c >= u'0' && c <= u'9') || c == u'*' || c == u'#' || (c >= u'A' && c <= u'D');
    });
}

uint32_t text_bytes(const WString& text) {
    return text.empty() ? 0 : static_cast<uint32_t>((text.size() + 1) * 2);
}

}  // namespace

PhoneLine::PhoneLine(Rules rules)
    : m_rules(std::move(rules)), m_next_handle(m_rules.first_handle) {}

PhoneLine::~PhoneLine() {
    for (auto& [handle, app] : m_apps) {
        destroy_line_event_window(app->window);
    }
}

// --- Bookkeeping ------------------------------------------------------------------------

PhoneLine::App* PhoneLine::find_app_locked(LineAppHandle app) {
    auto found = m_apps.find(app);
    return found == m_apps.end() ? nullptr : found->second.get();
}

PhoneLine::Call* PhoneLine::find_call_locked(CallHandle call) {
    auto found = m_calls.find(call);
    // A handle every application let go of is no longer theirs to use.
    if (found == m_calls.end() || found->second->holders.empty()) {
        return nullptr;
    }
    return found->second.get();
}

bool PhoneLine::is_open_line_locked(LineHandle line) const {
    return line != 0 && std::any_of(m_apps.begin(), m_apps.end(),
                                    [line](const auto& app) { return app.second->line == line; });
}

void PhoneLine::post_locked(App& app, const Event& event) {
    app.events.push_back(event);
    if (!post_line_event(app.window, app.handle)) {
        app.events.pop_back();
    }
}

void PhoneLine::emit_locked(Call& call, uint32_t message, uintptr_t param1, uintptr_t param2,
                            uintptr_t param3) {
    for (LineAppHandle holder : call.holders) {
        App* app = find_app_locked(holder);
        if (app != nullptr && app->line != 0) {
            post_locked(*app, {call.handle, message, app->instance, param1, param2, param3});
        }
    }
}

void PhoneLine::hand_over_locked(Call& call, App& app) {
    call.holders.insert(app.handle);
    const uint32_t privilege = (app.privileges & LINECALLPRIVILEGE_OWNER) != 0
                                   ? LINECALLPRIVILEGE_OWNER
                                   : LINECALLPRIVILEGE_MONITOR;
    post_locked(app, {app.line, LINE_APPNEWCALL, app.instance, 0, call.handle, privilege});
}

void PhoneLine::describe_locked(Call& call) {
    emit_locked(call, LINE_CALLINFO,
                call.outgoing ? LINECALLINFOSTATE_CALLEDID : LINECALLINFOSTATE_CALLERID);
    emit_locked(call, LINE_CALLSTATE, call.state);
}

PhoneLine::Call& PhoneLine::add_call_locked(std::unique_ptr<Call> entry) {
    entry->handle = m_next_handle++;
    entry->start = filetime_now();
    Call& call = *entry;
    m_calls.emplace(call.handle, std::move(entry));
    for (auto& [handle, app] : m_apps) {
        if (app->line != 0) {
            hand_over_locked(call, *app);
        }
    }
    // With no line open the call is still the engine's, and still ends in the history.
    describe_locked(call);
    return call;
}

void PhoneLine::set_state_locked(Call& call, uint32_t state, uint32_t mode) {
    call.state = state;
    if (state == LINECALLSTATE_CONNECTED) {
        call.connected_once = true;
    }
    emit_locked(call, LINE_CALLSTATE, state, mode);
}

void PhoneLine::end_call_locked(Call& call, const std::vector<LineStep>& steps) {
    // An end may be reported twice (by us and by the far side): one entry per call.
    if (call.ended) {
        return;
    }
    call.ended = true;
    // Written before the line reports the end, so a reader woken by it finds the entry.
    write_history_locked(call);
    for (const LineStep& step : steps) {
        set_state_locked(call, step.state, step.mode);
    }
    m_ended.push_back("ended " + std::to_string(call.handle) + " " +
                      (call.outgoing         ? "outgoing"
                       : call.connected_once ? "incoming"
                                             : "missed") +
                      " " + (call.number.empty() ? std::string("hidden") : to_utf8(call.number)) +
                      call.detail());
    if (m_ended.size() > kMaxEnded) {
        m_ended.pop_front();
    }
    call_ended_locked(call);
    forget_if_done_locked(call.handle);
}

void PhoneLine::write_history_locked(const Call& call) {
    CallLogEntry entry;
    entry.start = call.start;
    entry.end = filetime_now();
    entry.number = call.number;
    entry.name = call.name;
    const bool missed = !call.outgoing && !call.connected_once;
    entry.direction = call.outgoing ? kCallOutgoing : missed ? kCallMissed : kCallIncoming;
    std::string error;
    if (!record_ended_call(entry, m_rules.history_file, error)) {
        m_history_error = "call history: " + error;
        line_trouble(m_history_error);
    }
}

void PhoneLine::forget_if_done_locked(CallHandle handle) {
    auto found = m_calls.find(handle);
    if (found != m_calls.end() && found->second->ended && found->second->holders.empty()) {
        m_calls.erase(found);
    }
}

void PhoneLine::release_calls_locked(LineAppHandle app) {
    std::vector<CallHandle> released;
    for (auto& [handle, call] : m_calls) {
        if (call->holders.erase(app) > 0) {
            released.push_back(handle);
        }
    }
    for (CallHandle call : released) {
        forget_if_done_locked(call);
    }
}

std::string PhoneLine::status() const {
    std::lock_guard lock(m_mutex);
    size_t live = 0;
    std::string calls;
    for (const auto& [handle, call] : m_calls) {
        if (call->ended) {
            continue;
        }
        ++live;
        calls += "call " + std::to_string(handle) + " " +
                 (call->outgoing ? "outgoing " : "incoming ") +
                 (call->number.empty() ? std::string("hidden") : to_utf8(call->number)) + " " +
                 call_state_name(call->state) + call->detail();
        if (!call->name.empty()) {
            calls += " name=" + to_utf8(call->name);
        }
        calls += "\n";
    }
    std::string text = status_head_locked() + "calls " + std::to_string(live) + "\n" + calls;
    for (const std::string& line : m_ended) {
        text += line + "\n";
    }
    text += status_tail_locked();
    if (!m_history_error.empty()) {
        text += m_history_error + "\n";
    }
    return text;
}

void PhoneLine::deliver(LineAppHandle handle) {
    Event event{};
    LineCallback callback;
    {
        std::lock_guard lock(m_mutex);
        App* app = find_app_locked(handle);
        if (app == nullptr || app->events.empty()) {
            return;
        }
        event = app->events.front();
        app->events.pop_front();
        callback = app->callback;
    }
    callback(event.device, event.message, event.instance, event.param1, event.param2, event.param3);
}

// --- Line operations --------------------------------------------------------------------

int32_t PhoneLine::line_initialize_ex(LineAppHandle& app, LineCallback callback, WStringView,
                                      uint32_t& device_count, uint32_t& api_version,
                                      const LineInitializeParams& params) {
    app = 0;
    if (!callback) {
        return LINEERR_INVALPOINTER;
    }
    if (params.total_size < 24 || params.options != LINEINITIALIZEEXOPTION_USEHIDDENWINDOW) {
        return LINEERR_INVALPARAM;
    }
    if (api_version < kLineApiVersionLow) {
        return LINEERR_INCOMPATIBLEAPIVERSION;
    }
    std::weak_ptr<PhoneLine> weak = weak_from_this();
    if (weak.expired()) {
        return LINEERR_OPERATIONFAILED;  // not held by a shared_ptr: events could outlive it
    }
    // The application's handle is only known once it is entered below; the window's
    // messages carry it.
    const WindowHandle window =
        create_line_event_window(params.callback_thread, [weak](uintptr_t handle) {
            if (std::shared_ptr<PhoneLine> self = weak.lock()) {
                self->deliver(static_cast<LineAppHandle>(handle));
            }
        });
    if (!window) {
        return LINEERR_OPERATIONFAILED;
    }
    auto entry = std::make_unique<App>();
    entry->callback = std::move(callback);
    entry->window = window;
    {
        std::lock_guard lock(m_mutex);
        entry->handle = m_next_handle++;
        app = entry->handle;
        m_apps.emplace(app, std::move(entry));
    }
    device_count = 1;
    api_version = std::min(api_version, kLineApiVersionHigh);
    return LINE_OK;
}

int32_t PhoneLine::line_negotiate_api_version(LineAppHandle app, uint32_t device,
                                              uint32_t low_version, uint32_t high_version,
                                              uint32_t& api_version, LineExtensionId& extension) {
    std::lock_guard lock(m_mutex);
    if (find_app_locked(app) == nullptr) {
        return LINEERR_INVALAPPHANDLE;
    }
    if (device != 0) {
        return LINEERR_BADDEVICEID;
    }
    if (low_version > high_version || high_version < kLineApiVersionLow ||
        low_version > kLineApiVersionHigh) {
        return LINEERR_INCOMPATIBLEAPIVERSION;
    }
    api_version = std::min(high_version, kLineApiVersionHigh);
    extension = {};
    return LINE_OK;
}

int32_t PhoneLine::line_open(LineAppHandle app, uint32_t device, LineHandle& line,
                             uint32_t api_version, uint32_t extension_version,
                             uintptr_t callback_instance, uint32_t privileges,
                             uint32_t media_modes) {
    line = 0;
    std::lock_guard lock(m_mutex);
    App* entry = find_app_locked(app);
    if (entry == nullptr) {
        return LINEERR_INVALAPPHANDLE;
    }
    if (device != 0) {
        return LINEERR_BADDEVICEID;
    }
    if (api_version < kLineApiVersionLow || api_version > kLineApiVersionHigh) {
        return LINEERR_INCOMPATIBLEAPIVERSION;
    }
    if (extension_version != 0) {
        return LINEERR_INCOMPATIBLEEXTVERSION;
    }
    constexpr uint32_t kKnown =
        LINECALLPRIVILEGE_NONE | LINECALLPRIVILEGE_MONITOR | LINECALLPRIVILEGE_OWNER;
    if (privileges == 0 || (privileges & ~kKnown) != 0) {
        return LINEERR_INVALPRIVSELECT;
    }
    if ((privileges & LINECALLPRIVILEGE_OWNER) != 0 &&
        (media_modes & LINEMEDIAMODE_INTERACTIVEVOICE) == 0) {
        return LINEERR_INVALMEDIAMODE;
    }
    if (entry->line != 0) {
        return LINEERR_ALLOCATED;
    }
    entry->line = m_next_handle++;
    entry->instance = callback_instance;
    entry->privileges = privileges;
    line = entry->line;
    // With a stock phone program a call nobody holds is the program's. Without one, a call
    // that rang while the line handler was between two lines (it resets its line after every
    // call) is nobody's yet: the new line gets it, or it would ring unseen.
    if (!has_stock_phone()) {
        for (auto& [handle, call] : m_calls) {
            if (!call->ended && call->holders.empty()) {
                hand_over_locked(*call, *entry);
                describe_locked(*call);
            }
        }
    }
    return LINE_OK;
}

int32_t PhoneLine::line_get_call_info(CallHandle handle, LineCallInfo& info) {
    std::lock_guard lock(m_mutex);
    const Call* call = find_call_locked(handle);
    if (call == nullptr) {
        return LINEERR_INVALCALLHANDLE;
    }
    WString caller;
    WString called;
    uint32_t caller_flags = LINECALLPARTYID_UNKNOWN;
    uint32_t called_flags = LINECALLPARTYID_UNKNOWN;
    if (call->outgoing) {
        called = call->number;
        called_flags = LINECALLPARTYID_ADDRESS;
    } else if (call->number.empty()) {
        caller_flags = m_rules.withheld_caller_flags;
    } else {
        caller = call->number;
        caller_flags = LINECALLPARTYID_ADDRESS;
    }
    info.needed_size = kLineCallInfoFixedSize + text_bytes(caller) + text_bytes(called);
    if (info.total_size < kLineCallInfoFixedSize) {
        info.used_size = 0;
        return LINEERR_STRUCTURETOOSMALL;
    }
    const App* holder = find_app_locked(*call->holders.begin());
    info.line = holder != nullptr ? holder->line : 0;
    info.origin = call->outgoing ? LINECALLORIGIN_OUTBOUND : LINECALLORIGIN_INBOUND;
    info.media_mode = LINEMEDIAMODE_INTERACTIVEVOICE;
    info.caller_id_flags = caller_flags;
    info.called_id_flags = called_flags;
    const bool whole = info.total_size >= info.needed_size;
    info.caller_id = whole ? caller : WString();
    info.caller_id_size = whole ? text_bytes(caller) : 0;
    info.called_id = whole ? called : WString();
    info.called_id_size = whole ? text_bytes(called) : 0;
    info.used_size = whole ? info.needed_size : kLineCallInfoFixedSize;
    return LINE_OK;
}

int32_t PhoneLine::line_set_call_privilege(CallHandle handle, uint32_t privilege) {
    std::lock_guard lock(m_mutex);
    if (find_call_locked(handle) == nullptr) {
        return LINEERR_INVALCALLHANDLE;
    }
    if (privilege != LINECALLPRIVILEGE_OWNER && privilege != LINECALLPRIVILEGE_MONITOR) {
        return LINEERR_INVALCALLPRIVILEGE;
    }
    return LINE_OK;
}

int32_t PhoneLine::line_accept(CallHandle handle) {
    std::lock_guard lock(m_mutex);
    const Call* call = find_call_locked(handle);
    if (call == nullptr) {
        return LINEERR_INVALCALLHANDLE;
    }
    // Accepting only claims the offered call; it rings on until it is answered, so the
    // state does not change.
    return call->state == LINECALLSTATE_OFFERING ? LINE_OK : LINEERR_INVALCALLSTATE;
}

int32_t PhoneLine::line_drop(CallHandle handle) {
    std::lock_guard lock(m_mutex);
    Call* call = find_call_locked(handle);
    if (call == nullptr) {
        return LINEERR_INVALCALLHANDLE;
    }
    if (call->ended) {
        return LINE_OK;
    }
    hang_up_locked(*call);
    // Ended here at once rather than when the far side confirms: the line handler reads the
    // call history straight after dropping a call that never connected.
    end_call_locked(*call, call->state == LINECALLSTATE_OFFERING ? LINEDISCONNECTMODE_REJECT
                                                                 : LINEDISCONNECTMODE_NORMAL);
    return LINE_OK;
}

int32_t PhoneLine::line_deallocate_call(CallHandle handle) {
    std::lock_guard lock(m_mutex);
    Call* call = find_call_locked(handle);
    if (call == nullptr) {
        return LINEERR_INVALCALLHANDLE;
    }
    // A live call goes on without us: the engine (or its phone program) still has it.
    call->holders.clear();
    forget_if_done_locked(handle);
    return LINE_OK;
}

int32_t PhoneLine::line_hold(CallHandle handle) {
    return switch_hold(handle, LINECALLSTATE_CONNECTED, LINECALLSTATE_ONHOLD);
}

int32_t PhoneLine::line_unhold(CallHandle handle) {
    return switch_hold(handle, LINECALLSTATE_ONHOLD, LINECALLSTATE_CONNECTED);
}

int32_t PhoneLine::switch_hold(CallHandle handle, uint32_t from, uint32_t to) {
    std::lock_guard lock(m_mutex);
    Call* call = find_call_locked(handle);
    if (call == nullptr) {
        return LINEERR_INVALCALLHANDLE;
    }
    if (call->state != from) {
        return LINEERR_INVALCALLSTATE;
    }
    if (!hold_call_locked(*call, to == LINECALLSTATE_ONHOLD)) {
        return LINEERR_RESOURCEUNAVAIL;
    }
    set_state_locked(*call, to);
    return LINE_OK;
}

int32_t PhoneLine::line_generate_digits(CallHandle handle, uint32_t digit_mode, WStringView digits,
                                        uint32_t) {
    std::lock_guard lock(m_mutex);
    Call* call = find_call_locked(handle);
    if (call == nullptr) {
        return LINEERR_INVALCALLHANDLE;
    }
    if (!std::has_single_bit(digit_mode) || (digit_mode & m_rules.digit_modes) == 0) {
        return LINEERR_INVALDIGITMODE;
    }
    if (!valid_digits(digits)) {
        return LINEERR_INVALDIGITS;
    }
    if (call->state != LINECALLSTATE_CONNECTED) {
        return LINEERR_INVALCALLSTATE;
    }
    return send_digits_locked(*call, digits) ? LINE_OK : LINEERR_RESOURCEUNAVAIL;
}

int32_t PhoneLine::line_close(LineHandle line) {
    std::lock_guard lock(m_mutex);
    for (auto& [handle, app] : m_apps) {
        if (line != 0 && app->line == line) {
            app->line = 0;
            app->events.clear();
            release_calls_locked(handle);
            return LINE_OK;
        }
    }
    return LINEERR_INVALLINEHANDLE;
}

int32_t PhoneLine::line_shutdown(LineAppHandle handle) {
    std::unique_ptr<App> app;
    {
        std::lock_guard lock(m_mutex);
        auto found = m_apps.find(handle);
        if (found == m_apps.end()) {
            return LINEERR_INVALAPPHANDLE;
        }
        app = std::move(found->second);
        m_apps.erase(found);
        release_calls_locked(handle);
    }
    // Outside the lock: the window may be the one whose message is being handled now.
    destroy_line_event_window(app->window);
    return LINE_OK;
}

}  // namespace platform
