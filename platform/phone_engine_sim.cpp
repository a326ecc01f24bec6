#include "platform/phone_engine_sim.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <optional>
#include <set>

#include "platform/call_history.h"
#include "platform/clock.h"
#include "platform/window.h"

namespace platform {

namespace {

constexpr size_t kMaxLiveCalls = 8;
constexpr size_t kMaxEnded = 16;
constexpr size_t kMaxUssd = 16;
constexpr size_t kMaxUssdChars = 182;
constexpr size_t kMaxDigits = 64;
constexpr size_t kMaxNumber = 40;
constexpr size_t kMaxName = 64;

constexpr uint32_t kLiveStates =
    LINECALLSTATE_OFFERING | LINECALLSTATE_ACCEPTED | LINECALLSTATE_DIALING |
    LINECALLSTATE_PROCEEDING | LINECALLSTATE_CONNECTED | LINECALLSTATE_ONHOLD | LINECALLSTATE_BUSY;
constexpr uint32_t kTalkingStates = LINECALLSTATE_DIALING | LINECALLSTATE_PROCEEDING |
                                    LINECALLSTATE_CONNECTED | LINECALLSTATE_ONHOLD;

bool valid_number(WStringView number) {
    if (number.empty() || number.size() > kMaxNumber) {
        return false;
    }
    return std::all_of(number.begin(), number.end(), [](char16_t c) {
        return (c >= u'0' && c <= u'9') || c == u'+' || c == u'*' || c == u'#' || c == u'p' ||
               c == u'P' || c == u'w' || c == u'W' || c == u',';
    });
}

bool valid_digits(WStringView digits) {
    return !digits.empty() && std::all_of(digits.begin(), digits.end(), [](char16_t c) {
        return (c >= u'0' && c <= u'9') || c == u'*' || c == u'#' || (c >= u'A' && c <= u'D');
    });
}

uint32_t text_bytes(const WString& text) {
    return text.empty() ? 0 : static_cast<uint32_t>((text.size() + 1) * 2);
}

}  // namespace

struct SimulatedPhoneEngine::App {
    LineAppHandle handle = 0;
    LineCallback callback;
    WindowHandle window;
    LineHandle line = 0;
    uintptr_t instance = 0;
    uint32_t privileges = 0;
    std::deque<Event> events;
};

struct SimulatedPhoneEngine::Call {
    CallHandle handle = 0;
    bool outgoing = false;
    WString number;  // empty when withheld
    WString name;
    uint32_t state = LINECALLSTATE_IDLE;
    bool connected_once = false;
    bool ended = false;
    uint64_t start = 0;
    WString digits;
    std::set<LineAppHandle> holders;
};

SimulatedPhoneEngine::SimulatedPhoneEngine() : SimulatedPhoneEngine(Options{}) {}

SimulatedPhoneEngine::SimulatedPhoneEngine(Options options)
    : m_options(std::move(options)), m_windows(std::make_unique<StockPhoneWindows>()) {
    m_modem = NativeThread::start([this] { modem_loop(); });
}

SimulatedPhoneEngine::~SimulatedPhoneEngine() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_modem) {
        m_modem->join();
    }
    for (auto& [handle, app] : m_apps) {
        destroy_line_event_window(app->window);
    }
}

SimulatedPhoneEngine::App* SimulatedPhoneEngine::find_app_locked(LineAppHandle app) {
    auto found = m_apps.find(app);
    return found == m_apps.end() ? nullptr : found->second.get();
}

SimulatedPhoneEngine::Call* SimulatedPhoneEngine::find_call_locked(CallHandle call) {
    auto found = m_calls.find(call);
    // A handle every application let go of is no longer theirs to use.
    if (found == m_calls.end() || found->second->holders.empty()) {
        return nullptr;
    }
    return found->second.get();
}

SimulatedPhoneEngine::Call* SimulatedPhoneEngine::oldest_live_locked(uint32_t state_mask,
                                                                     bool outgoing_only) {
    for (auto& [handle, call] : m_calls) {
        if ((call->state & state_mask) != 0 && (!outgoing_only || call->outgoing)) {
            return call.get();
        }
    }
    return nullptr;
}

void SimulatedPhoneEngine::post_locked(App& app, const Event& event) {
    app.events.push_back(event);
    if (!post_line_event(app.window, app.handle)) {
        app.events.pop_back();
    }
}

void SimulatedPhoneEngine::emit_locked(Call& call, uint32_t message, uintptr_t param1,
                                       uintptr_t param2, uintptr_t param3) {
    for (LineAppHandle holder : call.holders) {
        App* app = find_app_locked(holder);
        if (app != nullptr && app->line != 0) {
            post_locked(*app, {call.handle, message, app->instance, param1, param2, param3});
        }
    }
}

void SimulatedPhoneEngine::new_call_locked(Call& call) {
    call.start = filetime_now();
    for (auto& [handle, app] : m_apps) {
        if (app->line == 0) {
            continue;
        }
        call.holders.insert(handle);
        const uint32_t privilege = (app->privileges & LINECALLPRIVILEGE_OWNER) != 0
                                       ? LINECALLPRIVILEGE_OWNER
                                       : LINECALLPRIVILEGE_MONITOR;
        post_locked(*app, {app->line, LINE_APPNEWCALL, app->instance, 0, call.handle, privilege});
    }
    emit_locked(call, LINE_CALLINFO,
                call.outgoing ? LINECALLINFOSTATE_CALLEDID : LINECALLINFOSTATE_CALLERID);
    emit_locked(call, LINE_CALLSTATE, call.state);
}

void SimulatedPhoneEngine::set_state_locked(Call& call, uint32_t state, uint32_t mode) {
    call.state = state;
    if (state == LINECALLSTATE_CONNECTED) {
        call.connected_once = true;
    }
    emit_locked(call, LINE_CALLSTATE, state, mode);
}

void SimulatedPhoneEngine::end_call_locked(Call& call, uint32_t mode) {
    if (call.ended) {
        return;
    }
    call.ended = true;
    // Written before the line reports the end, so a reader woken by it finds the entry.
    write_history_locked(call);
    set_state_locked(call, LINECALLSTATE_DISCONNECTED, mode);
    // The phone program drops its side at once; the line then reports the call idle.
    set_state_locked(call, LINECALLSTATE_IDLE);

    std::string line = "ended " + std::to_string(call.handle) + " " +
                       (call.outgoing         ? "outgoing"
                        : call.connected_once ? "incoming"
                                              : "missed") +
                       " " + (call.number.empty() ? std::string("hidden") : to_utf8(call.number));
    if (!call.digits.empty()) {
        line += " digits=" + to_utf8(call.digits);
    }
    m_ended.push_back(line);
    if (m_ended.size() > kMaxEnded) {
        m_ended.pop_front();
    }
    update_windows_locked();
    forget_if_done_locked(call.handle);
}

void SimulatedPhoneEngine::forget_if_done_locked(CallHandle handle) {
    auto found = m_calls.find(handle);
    if (found != m_calls.end() && found->second->state == LINECALLSTATE_IDLE &&
        found->second->holders.empty()) {
        m_calls.erase(found);
    }
}

void SimulatedPhoneEngine::write_history_locked(const Call& call) {
    CallLogEntry entry;
    entry.start = call.start;
    entry.end = filetime_now();
    entry.number = call.number;
    entry.name = call.name;
    const bool missed = !call.outgoing && !call.connected_once;
    entry.direction = call.outgoing ? kCallOutgoing : missed ? kCallMissed : kCallIncoming;
    std::string error;
    if (!record_ended_call(entry, m_options.history_file, error)) {
        m_history_error = "call history: " + error;
    }
}

void SimulatedPhoneEngine::update_windows_locked() {
    // The phone program takes its windows away once nothing is left for them to show; it
    // never shows them again on its own, so windows hidden by others stay hidden.
    if (oldest_live_locked(LINECALLSTATE_OFFERING, false) == nullptr) {
        m_windows->show_incoming(false);
    }
    if (oldest_live_locked(kTalkingStates, false) == nullptr) {
        m_windows->show_outgoing(false);
    }
}

void SimulatedPhoneEngine::run_due_steps() {
    std::lock_guard lock(m_mutex);
    run_due_steps_locked(tick_count());
}

void SimulatedPhoneEngine::run_due_steps_locked(uint32_t now) {
    std::vector<Step> due;
    std::erase_if(m_steps, [&](const Step& step) {
        if (ticks_until(step.due, now) > 0) {
            return false;
        }
        due.push_back(step);
        return true;
    });
    for (const Step& step : due) {
        auto found = m_calls.find(step.call);
        if (found != m_calls.end() && found->second->state == step.from_state) {
            set_state_locked(*found->second, step.to_state);
        }
    }
}

void SimulatedPhoneEngine::modem_loop() {
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        const uint32_t now = tick_count();
        // A driven virtual clock jumps frame by frame; this thread would see the jumps at
        // moments real time decides, so the driver runs the steps instead.
        if (!virtual_clock_driven()) {
            run_due_steps_locked(now);
        }
        if (m_steps.empty()) {
            m_wake.wait(lock);
            continue;
        }
        // Short waits: under the virtual clock time moves without telling anyone.
        int32_t wait = INT32_MAX;
        for (const Step& step : m_steps) {
            wait = std::min(wait, ticks_until(step.due, now));
        }
        m_wake.wait_for(lock, std::chrono::milliseconds(std::clamp(wait, 1, 10)));
    }
}

void SimulatedPhoneEngine::deliver(LineAppHandle handle) {
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

int32_t SimulatedPhoneEngine::line_initialize_ex(LineAppHandle& app, LineCallback callback,
                                                 WStringView, uint32_t& device_count,
                                                 uint32_t& api_version,
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
    std::weak_ptr<SimulatedPhoneEngine> weak = weak_from_this();
    if (weak.expired()) {
        return LINEERR_OPERATIONFAILED;  // not held by a shared_ptr: events could outlive it
    }
    // The application's handle is only known once it is entered below; the window's
    // messages carry it.
    const WindowHandle window =
        create_line_event_window(params.callback_thread, [weak](uintptr_t handle) {
            if (std::shared_ptr<SimulatedPhoneEngine> self = weak.lock()) {
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

int32_t SimulatedPhoneEngine::line_negotiate_api_version(LineAppHandle app, uint32_t device,
                                                         uint32_t low_version,
                                                         uint32_t high_version,
                                                         uint32_t& api_version,
                                                         LineExtensionId& extension) {
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

int32_t SimulatedPhoneEngine::line_open(LineAppHandle app, uint32_t device, LineHandle& line,
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
    return LINE_OK;
}

int32_t SimulatedPhoneEngine::line_get_call_info(CallHandle handle, LineCallInfo& info) {
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
        caller_flags = LINECALLPARTYID_BLOCKED;
    } else {
        caller = call->number;
        caller_flags = LINECALLPARTYID_ADDRESS;
    }
    info.needed_size = kLineCallInfoFixedSize + text_bytes(caller) + text_bytes(called);
    if (info.total_size < kLineCallInfoFixedSize) {
        info.used_size = 0;
        return LINEERR_STRUCTURETOOSMALL;
    }
    App* holder = find_app_locked(*call->holders.begin());
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

int32_t SimulatedPhoneEngine::line_set_call_privilege(CallHandle handle, uint32_t privilege) {
    std::lock_guard lock(m_mutex);
    if (find_call_locked(handle) == nullptr) {
        return LINEERR_INVALCALLHANDLE;
    }
    if (privilege != LINECALLPRIVILEGE_OWNER && privilege != LINECALLPRIVILEGE_MONITOR) {
        return LINEERR_INVALCALLPRIVILEGE;
    }
    return LINE_OK;
}

int32_t SimulatedPhoneEngine::line_accept(CallHandle handle) {
    std::lock_guard lock(m_mutex);
    Call* call = find_call_locked(handle);
    if (call == nullptr) {
        return LINEERR_INVALCALLHANDLE;
    }
    // Accepting only claims the offered call; the phone program keeps ringing until the
    // Talk key answers, so the state does not change.
    return call->state == LINECALLSTATE_OFFERING ? LINE_OK : LINEERR_INVALCALLSTATE;
}

int32_t SimulatedPhoneEngine::line_drop(CallHandle handle) {
    std::lock_guard lock(m_mutex);
    Call* call = find_call_locked(handle);
    if (call == nullptr) {
        return LINEERR_INVALCALLHANDLE;
    }
    if ((call->state & kLiveStates) != 0) {
        end_call_locked(*call, call->state == LINECALLSTATE_OFFERING ? LINEDISCONNECTMODE_REJECT
                                                                     : LINEDISCONNECTMODE_NORMAL);
    } else if (call->state == LINECALLSTATE_DISCONNECTED) {
        set_state_locked(*call, LINECALLSTATE_IDLE);
    }
    return LINE_OK;
}

int32_t SimulatedPhoneEngine::line_deallocate_call(CallHandle handle) {
    std::lock_guard lock(m_mutex);
    Call* call = find_call_locked(handle);
    if (call == nullptr) {
        return LINEERR_INVALCALLHANDLE;
    }
    // The phone program owns every call as well, so a live call goes on without us.
    call->holders.clear();
    forget_if_done_locked(handle);
    return LINE_OK;
}

int32_t SimulatedPhoneEngine::line_hold(CallHandle handle) {
    std::lock_guard lock(m_mutex);
    Call* call = find_call_locked(handle);
    if (call == nullptr) {
        return LINEERR_INVALCALLHANDLE;
    }
    if (call->state != LINECALLSTATE_CONNECTED) {
        return LINEERR_INVALCALLSTATE;
    }
    set_state_locked(*call, LINECALLSTATE_ONHOLD);
    return LINE_OK;
}

int32_t SimulatedPhoneEngine::line_unhold(CallHandle handle) {
    std::lock_guard lock(m_mutex);
    Call* call = find_call_locked(handle);
    if (call == nullptr) {
        return LINEERR_INVALCALLHANDLE;
    }
    if (call->state != LINECALLSTATE_ONHOLD) {
        return LINEERR_INVALCALLSTATE;
    }
    set_state_locked(*call, LINECALLSTATE_CONNECTED);
    return LINE_OK;
}

int32_t SimulatedPhoneEngine::line_generate_digits(CallHandle handle, uint32_t digit_mode,
                                                   WStringView digits, uint32_t) {
    std::lock_guard lock(m_mutex);
    Call* call = find_call_locked(handle);
    if (call == nullptr) {
        return LINEERR_INVALCALLHANDLE;
    }
    if (digit_mode != LINEDIGITMODE_DTMF && digit_mode != LINEDIGITMODE_PULSE) {
        return LINEERR_INVALDIGITMODE;
    }
    if (!valid_digits(digits)) {
        return LINEERR_INVALDIGITS;
    }
    if (call->state != LINECALLSTATE_CONNECTED) {
        return LINEERR_INVALCALLSTATE;
    }
    call->digits += digits;
    if (call->digits.size() > kMaxDigits) {
        call->digits.erase(0, call->digits.size() - kMaxDigits);
    }
    return LINE_OK;
}

int32_t SimulatedPhoneEngine::line_close(LineHandle line) {
    std::lock_guard lock(m_mutex);
    for (auto& [handle, app] : m_apps) {
        if (line == 0 || app->line != line) {
            continue;
        }
        app->line = 0;
        app->events.clear();
        std::vector<CallHandle> released;
        for (auto& [call_handle, call] : m_calls) {
            if (call->holders.erase(handle) > 0) {
                released.push_back(call_handle);
            }
        }
        for (CallHandle call : released) {
            forget_if_done_locked(call);
        }
        return LINE_OK;
    }
    return LINEERR_INVALLINEHANDLE;
}

int32_t SimulatedPhoneEngine::line_shutdown(LineAppHandle handle) {
    std::unique_ptr<App> app;
    {
        std::lock_guard lock(m_mutex);
        auto found = m_apps.find(handle);
        if (found == m_apps.end()) {
            return LINEERR_INVALAPPHANDLE;
        }
        app = std::move(found->second);
        m_apps.erase(found);
        std::vector<CallHandle> released;
        for (auto& [call_handle, call] : m_calls) {
            if (call->holders.erase(handle) > 0) {
                released.push_back(call_handle);
            }
        }
        for (CallHandle call : released) {
            forget_if_done_locked(call);
        }
    }
    // Outside the lock: the window may be the one whose message is being handled now.
    destroy_line_event_window(app->window);
    return LINE_OK;
}

int32_t SimulatedPhoneEngine::cellular_set_mute(uint32_t state) {
    if (state != kMuteOn && state != kMuteOff) {
        return LINEERR_INVALPARAM;
    }
    std::lock_guard lock(m_mutex);
    m_muted = state == kMuteOn;
    return LINE_OK;
}

int32_t SimulatedPhoneEngine::cellular_send_ussd(LineHandle line, WStringView text, uint32_t bytes,
                                                 uint32_t flags) {
    std::lock_guard lock(m_mutex);
    const bool open = line != 0 && std::any_of(m_apps.begin(), m_apps.end(), [line](const auto& a) {
                          return a.second->line == line;
                      });
    if (!open) {
        return LINEERR_INVALLINEHANDLE;
    }
    // The byte count must describe the text given, never more.
    if (flags != 0 || text.empty() || text.size() > kMaxUssdChars || bytes % 2 != 0 || bytes == 0 ||
        bytes > text.size() * 2) {
        return LINEERR_INVALPARAM;
    }
    m_ussd.emplace_back(text.substr(0, bytes / 2));
    if (m_ussd.size() > kMaxUssd) {
        m_ussd.erase(m_ussd.begin());
    }
    return LINE_OK;
}

bool SimulatedPhoneEngine::set_loudspeaker(bool on) {
    if (!m_options.loudspeaker) {
        return false;
    }
    std::lock_guard lock(m_mutex);
    m_loudspeaker_on = on;
    return true;
}

bool SimulatedPhoneEngine::make_call(WStringView stored) {
    const WString number = dialled_number(stored);
    if (!valid_number(number)) {
        return false;
    }
    std::lock_guard lock(m_mutex);
    if (m_calls.size() >= kMaxLiveCalls) {
        return false;
    }
    auto call = std::make_unique<Call>();
    call->handle = m_next_handle++;
    call->outgoing = true;
    call->number = WString(number);
    call->state = LINECALLSTATE_DIALING;
    Call& placed = *call;
    m_calls.emplace(placed.handle, std::move(call));
    new_call_locked(placed);
    m_windows->show_outgoing(true);
    m_steps.push_back({tick_count() + m_options.dialing_delay_ms, placed.handle,
                       LINECALLSTATE_DIALING, LINECALLSTATE_PROCEEDING});
    m_wake.notify_all();
    return true;
}

void SimulatedPhoneEngine::phone_key(uint8_t virtual_key, bool key_up) {
    if (key_up) {
        return;
    }
    std::lock_guard lock(m_mutex);
    if (virtual_key == VK_TTALK) {
        ++m_talk_presses;
        // The key reaches the phone program only while its incoming window is in front.
        Call* offered = oldest_live_locked(LINECALLSTATE_OFFERING, false);
        if (offered == nullptr || !is_window_visible(m_windows->incoming())) {
            return;
        }
        set_state_locked(*offered, LINECALLSTATE_CONNECTED);
        m_windows->show_incoming(false);
        m_windows->show_outgoing(true);
    } else if (virtual_key == VK_TEND) {
        if (Call* call = oldest_live_locked(kLiveStates, false)) {
            end_call_locked(*call, LINEDISCONNECTMODE_NORMAL);
        }
    }
}

bool SimulatedPhoneEngine::ring(WStringView number, WStringView name, std::string& reply) {
    if (!number.empty() && !valid_number(number)) {
        reply = "not a phone number: " + to_utf8(number);
        return false;
    }
    if (name.size() > kMaxName) {
        reply = "name too long";
        return false;
    }
    std::lock_guard lock(m_mutex);
    if (m_calls.size() >= kMaxLiveCalls) {
        reply = "too many calls";
        return false;
    }
    auto call = std::make_unique<Call>();
    call->handle = m_next_handle++;
    call->number = WString(number);
    call->name = WString(name);
    call->state = LINECALLSTATE_OFFERING;
    Call& offered = *call;
    m_calls.emplace(offered.handle, std::move(call));
    new_call_locked(offered);
    m_windows->show_incoming(true);
    reply = "call " + std::to_string(offered.handle) + " ringing";
    return true;
}

bool SimulatedPhoneEngine::far_answer(std::string& reply) {
    std::lock_guard lock(m_mutex);
    Call* call = oldest_live_locked(LINECALLSTATE_DIALING | LINECALLSTATE_PROCEEDING,
                                    /*outgoing_only=*/true);
    if (call == nullptr) {
        reply = "no outgoing call to answer";
        return false;
    }
    set_state_locked(*call, LINECALLSTATE_CONNECTED);
    reply = "call " + std::to_string(call->handle) + " connected";
    return true;
}

bool SimulatedPhoneEngine::far_hangup(std::string& reply) {
    std::lock_guard lock(m_mutex);
    Call* call = oldest_live_locked(kLiveStates, false);
    if (call == nullptr) {
        reply = "no call to hang up";
        return false;
    }
    reply = "call " + std::to_string(call->handle) + " ended";
    end_call_locked(*call, LINEDISCONNECTMODE_NORMAL);
    return true;
}

bool SimulatedPhoneEngine::far_busy(std::string& reply) {
    std::lock_guard lock(m_mutex);
    Call* call = oldest_live_locked(LINECALLSTATE_DIALING | LINECALLSTATE_PROCEEDING,
                                    /*outgoing_only=*/true);
    if (call == nullptr) {
        reply = "no outgoing call to be busy for";
        return false;
    }
    reply = "call " + std::to_string(call->handle) + " busy";
    set_state_locked(*call, LINECALLSTATE_BUSY);
    end_call_locked(*call, LINEDISCONNECTMODE_BUSY);
    return true;
}

bool SimulatedPhoneEngine::far_unreachable(std::string& reply) {
    std::lock_guard lock(m_mutex);
    Call* call = oldest_live_locked(LINECALLSTATE_DIALING | LINECALLSTATE_PROCEEDING,
                                    /*outgoing_only=*/true);
    if (call == nullptr) {
        reply = "no outgoing call to fail";
        return false;
    }
    reply = "call " + std::to_string(call->handle) + " unreachable";
    set_state_locked(*call, LINECALLSTATE_SPECIALINFO);
    end_call_locked(*call, LINEDISCONNECTMODE_UNREACHABLE);
    return true;
}

std::string SimulatedPhoneEngine::status() const {
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
                 call_state_name(call->state);
        if (!call->digits.empty()) {
            calls += " digits=" + to_utf8(call->digits);
        }
        if (!call->name.empty()) {
            calls += " name=" + to_utf8(call->name);
        }
        calls += "\n";
    }
    std::string text = "calls " + std::to_string(live) + "\n" + calls;
    for (const std::string& line : m_ended) {
        text += line + "\n";
    }
    for (const WString& request : m_ussd) {
        text += "ussd " + to_utf8(request) + "\n";
    }
    text += std::string("mute ") + (m_muted ? "on" : "off") + "\n";
    text += std::string("loudspeaker ") + (m_loudspeaker_on ? "on" : "off") + "\n";
    text += "talk presses " + std::to_string(m_talk_presses) + "\n";
    if (!m_history_error.empty()) {
        text += m_history_error + "\n";
    }
    return text;
}

bool SimulatedPhoneEngine::command(const std::vector<std::string>& words, std::string& reply) {
    reply.clear();
    if (words.empty()) {
        reply = "no command";
        return false;
    }
    const std::string& verb = words[0];
    if (verb == "ring") {
        std::optional<std::string> number;
        std::string name;
        bool hidden = false;
        for (size_t i = 1; i < words.size(); ++i) {
            if (words[i] == "--hidden") {
                hidden = true;
            } else if (words[i] == "--name" && i + 1 < words.size()) {
                name = words[++i];
            } else if (!number && !words[i].starts_with("--")) {
                number = words[i];
            } else {
                reply = "ring: unexpected " + words[i];
                return false;
            }
        }
        if (hidden == number.has_value()) {
            reply = "usage: ring NUMBER [--name NAME] | ring --hidden [--name NAME]";
            return false;
        }
        return ring(hidden ? WString() : from_utf8(*number), from_utf8(name), reply);
    }
    if (words.size() != 1) {
        reply = verb + " takes no arguments";
        return false;
    }
    if (verb == "answer") {
        return far_answer(reply);
    }
    if (verb == "hangup") {
        return far_hangup(reply);
    }
    if (verb == "busy") {
        return far_busy(reply);
    }
    if (verb == "unreachable") {
        return far_unreachable(reply);
    }
    if (verb == "status") {
        reply = status();
        return true;
    }
    reply = "unknown command: " + verb.substr(0, 32);
    return false;
}

namespace {

std::mutex g_control_mutex;
PhoneControlServer g_control;

}  // namespace

std::shared_ptr<SimulatedPhoneEngine> start_simulated_phone(std::string& error,
                                                            SimulatedPhoneEngine::Options options) {
    error.clear();
    auto engine = std::make_shared<SimulatedPhoneEngine>(std::move(options));
    set_current_phone_engine(engine);
    std::lock_guard lock(g_control_mutex);
    g_control.stop();
    if (!g_control.start("phone", phone_command)) {
        error = g_control.error();
    }
    return engine;
}

void stop_simulated_phone() {
    {
        std::lock_guard lock(g_control_mutex);
        g_control.stop();
    }
    set_current_phone_engine(nullptr);
}

bool phone_command(const std::vector<std::string>& words, std::string& reply) {
    std::shared_ptr<PhoneEngine> engine = current_phone_engine();
    if (!engine) {
        reply = "no phone engine";
        return false;
    }
    return engine->command(words, reply);
}

void run_due_phone_steps() {
    if (auto engine = std::dynamic_pointer_cast<SimulatedPhoneEngine>(current_phone_engine())) {
        engine->run_due_steps();
    }
}

}  // namespace platform
