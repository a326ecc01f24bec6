#include "telephony/telephone.h"

#include <algorithm>
#include <vector>

#include "core/active.h"
#include "core/log.h"
#include "platform/phone_engine_windows.h"

namespace velvane {

namespace {

using namespace platform;

constexpr uint32_t kApiVersion = 0x00020002;
constexpr uint32_t kApiLow = 0x00020000;
constexpr uint32_t kPrivileges = LINECALLPRIVILEGE_MONITOR | LINECALLPRIVILEGE_OWNER;
constexpr uint32_t kCallInfoSize = 328;
// A line that keeps asking for a bigger buffer is not believed for ever.
constexpr int kCallInfoTries = 8;
constexpr WStringView kTaskBarClass = u"HHTaskBar";
// Shows a window as it was before it was minimised or hidden.
constexpr int kShowAgain = 13;

// Line events belong on the UI thread, which owns the active scheduler's window; the line is
// first set up on the start-up thread, so the calling thread is only the fallback.
ThreadId ui_thread() {
    if (CActiveScheduler* scheduler = CActiveScheduler::get_instance()) {
        return window_thread_id(scheduler->window());
    }
    return 0;
}

}  // namespace

Telephone::Telephone(Document& document, ProgramWindow window)
    : m_document(document), m_window(std::move(window)), m_answer_timer(this), m_pass_timer(this) {
    find_stock_windows();
}

Telephone::~Telephone() {
    cancel_passes();
    m_answer_timer.cancel();
    // Closing the program must not end the user's call: the stock phone program holds it too
    // and carries on without us.
    shutdown_line(false);
}

void Telephone::initialise() {
    m_engine = current_phone_engine();
    uint32_t devices = 0;
    uint32_t version = kApiVersion;
    LineAppHandle app = 0;
    LineInitializeParams params;
    params.callback_thread = ui_thread();
    const int32_t init =
        m_engine ? m_engine->line_initialize_ex(
                       app,
                       [this](uint32_t device, uint32_t message, uintptr_t instance,
                              uintptr_t p1, uintptr_t p2, uintptr_t p3) {
                           LineCallbackFunc(device, message, instance, p1, p2, p3);
                       },
                       u"", devices, version, params)
                 : LINEERR_NODRIVER;
    log() << u"lineInitializeEx = " << init << u" num_dev = " << devices << u"\n";
    if (init != LINE_OK) {
        m_engine.reset();
        return;
    }
    m_line_app = app;

    uint32_t negotiated = 0;
    LineExtensionId extension{};
    const int32_t negotiate =
        m_engine->line_negotiate_api_version(m_line_app, 0, kApiLow, kApiVersion, negotiated,
                                             extension);
    log() << u"lineNegotiateAPIVersion = " << negotiate << u"\n";
    if (negotiate != LINE_OK) {
        return;
    }

    LineHandle line = 0;
    const int32_t open =
        m_engine->line_open(m_line_app, 0, line, negotiated, 0, reinterpret_cast<uintptr_t>(this),
                            kPrivileges, LINEMEDIAMODE_INTERACTIVEVOICE);
    log() << u"lineOpen = " << open << u"\n";
    if (open == LINE_OK) {
        m_line = line;
    }
}

void Telephone::shutdown_line(bool drop) {
    if (m_engine) {
        if (m_call != 0) {
            if (drop) {
                m_engine->line_drop(m_call);
            }
            m_engine->line_deallocate_call(m_call);
        }
        if (m_line != 0) {
            m_engine->line_close(m_line);
        }
        if (m_line_app != 0) {
            m_engine->line_shutdown(m_line_app);
        }
    }
    clear_call();
    m_line = 0;
    m_line_app = 0;
    m_engine.reset();
}

void Telephone::reset() {
    // Nothing that followed the old call may run on the new line: not its passes, and not
    // the Talk key, which would answer whatever call rang next.
    cancel_passes();
    m_answer_timer.cancel();
    shutdown_line(true);
    m_document.loudspeaker_on = false;
    m_document.microphone_muted = false;
    m_document.call_on_hold = false;
    initialise();
}

void Telephone::clear_call() {
    m_call = 0;
    m_connected = false;
}

void Telephone::send_hint(bool RefreshHint::*flag) {
    RefreshHint hint;
    hint.*flag = true;
    m_document.send(hint);
}

void Telephone::bring_to_front() {
    if (m_window.bring_to_front) {
        m_window.bring_to_front();
    }
}

void Telephone::redraw() {
    if (m_window.redraw) {
        m_window.redraw();
    }
}

void Telephone::rest_frames() {
    if (m_window.rest_frames) {
        m_window.rest_frames();
    }
}

void Telephone::find_stock_windows() {
    WString& incoming = m_document.incoming_title;
    WString& outgoing = m_document.outgoing_title;
    for (WindowHandle window : top_level_windows()) {
        const WString title = window_title(window);
        const WString class_name = window_class_name(window);
        if (title.empty() || class_name != kStockDialogClass) {
            continue;
        }
        const WString path = window_image_path(window);
        log() << u"Window: " << class_name << u" " << title << u"\n";
        log() << u"Process: " << path << u"\n";
        if (path != kStockPhoneImage) {
            continue;
        }
        if (outgoing.empty()) {
            outgoing = title;
        } else if (title.size() > outgoing.size()) {
            incoming = title;
        } else if (title.size() < outgoing.size()) {
            incoming = outgoing;
            outgoing = title;
        }
    }
}

bool Telephone::hide_stock_window(WStringView title) {
    const WindowHandle window = find_window(kStockDialogClass, title);
    if (!window) {
        return false;
    }
    if (const WindowHandle menu_bar = find_menu_bar(window)) {
        show_window(menu_bar, SW_HIDE);
    }
    show_window(window, SW_HIDE);
    return true;
}

void Telephone::LineCallbackFunc(uint32_t device, uint32_t message, uintptr_t,
                                 uintptr_t param1, uintptr_t param2, uintptr_t param3) {
    const bool dialer = m_document.dialer();
    if (dialer) {
        log() << u"LineCallbackFunc device= " << device << u", msg= " << message
              << u", P1= " << param1 << u", P2= " << param2 << u", P3= " << param3 << u"\n";
    }
    switch (message) {
    case LINE_APPNEWCALL:
        if (dialer) {
            on_new_call(static_cast<CallHandle>(param2));
        }
        break;
    case LINE_CALLINFO:
        if (dialer) {
            on_call_info(device);
        }
        break;
    case LINE_CALLSTATE:
        on_call_state(device, static_cast<uint32_t>(param1), param2);
        break;
    default:
        break;
    }
}

void Telephone::on_new_call(CallHandle call) {
    log() << u"CALLS LOG: APPNEWCALL\n";
    if (!m_engine) {
        return;
    }
    if (m_call == 0) {
        m_call = call;
        m_connected = false;
        m_engine->line_set_call_privilege(call, LINECALLPRIVILEGE_OWNER);
        m_engine->line_accept(call);
    } else {
        m_engine->line_drop(call);
        log() << u"LINE_APPNEWCALL: Another call\n";
    }
}

void Telephone::on_call_info(CallHandle call) {
    log() << u"CALLS LOG: LINE_CALLINFO\n";
    if (m_call == 0 || call != m_call) {
        log() << u"LINE_CALLINFO: Another call\n";
        return;
    }
    LineCallInfo info;
    info.total_size = kCallInfoSize;
    int32_t result = m_engine->line_get_call_info(call, info);
    for (int tries = 1; (result == LINEERR_STRUCTURETOOSMALL || info.needed_size > info.used_size) &&
                        tries < kCallInfoTries;
         ++tries) {
        log() << u"Getting call info iteration\n";
        // Never shrink: a needed size below what we offered would only lose the fixed part.
        info.total_size = std::max(info.total_size, info.needed_size);
        result = m_engine->line_get_call_info(call, info);
    }
    log() << u"CALLS LOG: lineGetCallInfo ret = " << result << u"\n";
    // The size counts the terminating NUL; a size that claims more than the text holds is
    // not read past the text, and a number left out of the record changes nothing.
    const size_t length = info.caller_id_size >= 2 ? info.caller_id_size / 2 - 1 : 0;
    const WString number = info.caller_id.substr(0, length);
    if (result == LINE_OK && info.caller_id_flags == LINECALLPARTYID_ADDRESS && !number.empty()) {
        log() << u"Caller ID: " << number << u"\n";
        if (number != m_document.caller_number) {
            m_document.caller_number = number;
            send_hint(&RefreshHint::caller_changed);
        }
    }
    log() << u"CALLS LOG: LINE_CALLINFO SUCCESS\n";
}

void Telephone::on_call_state(CallHandle call, uint32_t state, uintptr_t mode) {
    if (m_call != 0 && call != m_call) {
        log() << u"LINE_CALLSTATE: Another call\n";
        return;
    }
    const bool dialer = m_document.dialer();
    // A state this switch acts on takes over from what the previous state was still doing for
    // the call; states it passes over (accepted, ringback, on hold) leave that to finish.
    if (m_passes.kind != PassKind::None && m_passes.call == call &&
        takes_over_passes(state, dialer)) {
        supersede_passes(state == LINECALLSTATE_DISCONNECTED);
    }
    switch (state) {
    case LINECALLSTATE_IDLE:
        if (dialer) {
            log() << u"CALLS LOG: LINECALLSTATE_IDLE\n";
        }
        break;
    case LINECALLSTATE_OFFERING:
        if (dialer) {
            log() << u"CALLS LOG: LINECALLSTATE_OFFERING\n";
            if (stock_phone()) {
                start_passes(PassKind::Offering, call);
            } else {
                finish_offering();
            }
        }
        break;
    case LINECALLSTATE_DIALING:
        if (dialer) {
            log() << u"CALLS LOG: LINECALLSTATE_DIALING\n";
            send_hint(&RefreshHint::call_dialing);
            if (stock_phone()) {
                start_passes(PassKind::Dialing, call);
            } else {
                bring_to_front();
            }
        }
        break;
    case LINECALLSTATE_PROCEEDING:
        if (dialer) {
            log() << u"CALLS LOG: LINECALLSTATE_PROCEEDING\n";
            if (stock_phone()) {
                start_passes(PassKind::Proceeding, call);
            }
        }
        break;
    case LINECALLSTATE_CONNECTED:
        if (dialer) {
            log() << u"CALLS LOG: LINECALLSTATE_CONNECTED\n";
            m_connected = true;
            m_answer_timer.cancel();
            if (stock_phone()) {
                start_passes(PassKind::Connected, call);
            } else {
                send_hint(&RefreshHint::call_connected);
                bring_to_front();
            }
        }
        break;
    case LINECALLSTATE_BUSY:
        if (dialer) {
            log() << u"CALLS LOG: Line busy, shutting down.\n";
        }
        break;
    case LINECALLSTATE_SPECIALINFO:
        log() << u"CALLS LOG: Special Information, couldn't dial number\n";
        break;
    case LINECALLSTATE_DISCONNECTED:
        log() << u"CALLS LOG: LINECALLSTATE_DISCONNECTED MODE: " << mode << u"\n";
        if (m_call != 0 && call == m_call) {
            const int32_t dropped = m_engine->line_drop(m_call);
            const int32_t deallocated = m_engine->line_deallocate_call(m_call);
            log() << u"DISCONNECTED: RetDrop = " << dropped << u", retDealloc = " << deallocated
                  << u"\n";
            clear_call();
            reset();
            m_document.start_log_timer(2);
        }
        send_hint(&RefreshHint::call_ended);
        m_document.caller_number = WString(Document::kUnknownKey);
        break;
    default:
        break;
    }
}

void Telephone::start_passes(PassKind kind, CallHandle call) {
    m_passes = Passes{kind, call, 0, false, false};
    switch (kind) {
    case PassKind::Offering:
        log() << u"LINECALLSTATE_OFFERING: Phone incoming iteration 0\n";
        m_pass_timer.start(kOfferingWaitMs / 1000.0);
        break;
    case PassKind::Dialing:
        log() << u"LINECALLSTATE_OFFERING: Phone outgoing iteration 0\n";
        m_pass_timer.start(kOutgoingWaitMs / 1000.0);
        break;
    case PassKind::Proceeding:
        log() << u"LINECALLSTATE_PROCEEDING: Phone outgoing iteration 0\n";
        m_pass_timer.start(kOutgoingWaitMs / 1000.0);
        break;
    case PassKind::Connected:
        // The first pass comes at once; each is followed by its wait.
        connected_pass();
        break;
    case PassKind::None:
        break;
    }
}

void Telephone::cancel_passes() {
    m_passes = Passes{};
    m_pass_timer.cancel();
}

bool Telephone::takes_over_passes(uint32_t state, bool dialer) {
    switch (state) {
    case LINECALLSTATE_OFFERING:
    case LINECALLSTATE_DIALING:
    case LINECALLSTATE_PROCEEDING:
    case LINECALLSTATE_CONNECTED:
        return dialer;
    case LINECALLSTATE_DISCONNECTED:
        return true;
    default:
        return false;
    }
}

void Telephone::supersede_passes(bool call_over) {
    const PassKind kind = m_passes.kind;
    cancel_passes();
    if (call_over) {
        return;
    }
    // What the passes would have ended with still happens: the screen for an offered call,
    // the window in front of the stock phone for a placed one. An engine that moves on
    // quickly must not cost the user the call screen.
    switch (kind) {
    case PassKind::Offering:
        finish_offering();
        break;
    case PassKind::Dialing:
        bring_to_front();
        break;
    case PassKind::Proceeding:
    case PassKind::Connected:
    case PassKind::None:
        break;
    }
}

void Telephone::on_timer(Timer& timer) {
    if (&timer == &m_answer_timer) {
        keybd_event(VK_TTALK, 0);
        keybd_event(VK_TTALK, KEYEVENTF_KEYUP);
        log() << u"CALLLOG TIMER\n";
        --m_answer_countdown;
        if (m_answer_countdown > 0) {
            m_answer_timer.start(1);
        }
        return;
    }
    run_pass();
}

void Telephone::run_pass() {
    Passes& p = m_passes;
    switch (p.kind) {
    case PassKind::Offering:
        if (hide_stock_window(m_document.incoming_title)) {
            bring_to_front();
            redraw();
            log() << u"LINE_OFFERING bring_to_front\n";
            finish_offering();
        } else if (++p.index >= kOfferingTries) {
            log() << u"LINECALLSTATE_OFFERING: Phone incoming window not found after "
                  << p.index << u" tries\n";
            finish_offering();
        } else {
            log() << u"LINECALLSTATE_OFFERING: Phone incoming iteration " << p.index << u"\n";
            m_pass_timer.start(kOfferingWaitMs / 1000.0);
        }
        break;
    case PassKind::Dialing:
        if (hide_stock_window(m_document.outgoing_title)) {
            log() << u"LINECALLSTATE_OFFERING: Phone window found\n";
        }
        if (++p.index < kOutgoingPasses) {
            log() << u"LINECALLSTATE_OFFERING: Phone outgoing iteration " << p.index << u"\n";
            m_pass_timer.start(kOutgoingWaitMs / 1000.0);
        } else {
            p = Passes{};
            bring_to_front();
        }
        break;
    case PassKind::Proceeding:
        if (!p.tried) {
            p.hidden = hide_stock_window(m_document.outgoing_title);
            p.tried = true;
            m_pass_timer.start(kOutgoingWaitMs / 1000.0);
        } else if (p.hidden || ++p.index >= kOutgoingPasses) {
            p = Passes{};
        } else {
            p.tried = false;
            log() << u"LINECALLSTATE_PROCEEDING: Phone outgoing iteration " << p.index << u"\n";
            m_pass_timer.start(kOutgoingWaitMs / 1000.0);
        }
        break;
    case PassKind::Connected:
        connected_pass();
        break;
    case PassKind::None:
        break;
    }
}

void Telephone::finish_offering() {
    m_passes = Passes{};
    bring_to_front();
    log() << u"LINECALLSTATE_OFFERING: Dialog Phone - Incoming window hidden\n";
    send_hint(&RefreshHint::call_offered);
    log() << u"LINECALLSTATE_OFFERING hint.incoming call refreshed\n";
}

void Telephone::connected_pass() {
    Passes& p = m_passes;
    log() << u"LINECALLSTATE_CONNECTED: Phone iteration " << p.index << u"\n";
    hide_stock_window(m_document.outgoing_title);
    hide_stock_window(m_document.incoming_title);
    send_hint(&RefreshHint::call_connected);
    // A view may have ended the call from its hint; then these passes are over.
    if (m_passes.kind != PassKind::Connected) {
        return;
    }
    bring_to_front();
    if (++p.index < kConnectedPasses) {
        m_pass_timer.start(kConnectedWaitMs / 1000.0);
    } else {
        // The last pass's wait only delayed the next message; nothing follows it.
        p = Passes{};
    }
}

void Telephone::answer_call() {
    log() << u"Telephone::answer_call\n";
    if (m_line == 0 || m_call == 0 || m_connected) {
        return;
    }
    if (!stock_phone()) {
        // The engine answers itself; its CONNECTED state follows.
        log() << u"lineAnswer = " << m_engine->line_answer(m_call) << u"\n";
        return;
    }
    const WindowHandle window = find_window(kStockDialogClass, m_document.incoming_title);
    const WindowHandle menu_bar = window ? find_menu_bar(window) : WindowHandle{};
    if (!window) {
        log() << u"CALLS LOG: INCOMING WINDOW ERROR\n";
    }
    if (m_window.minimize) {
        m_window.minimize();
    }
    if (const WindowHandle task_bar = find_window(kTaskBarClass, std::nullopt)) {
        show_window(task_bar, SW_SHOW);
        enable_window(task_bar, true);
    }
    if (window) {
        show_window(window, kShowAgain);
    }
    if (menu_bar) {
        show_window(menu_bar, kShowAgain);
    }
    m_answer_countdown = kAnswerPresses;
    m_answer_timer.start(1);
}

void Telephone::drop_call() {
    log() << u"Telephone::drop_call\n";
    if (m_line == 0 || m_call == 0) {
        return;
    }
    m_engine->line_drop(m_call);
    if (m_connected) {
        return;
    }
    log() << u"Telephone::drop_call (not connected)\n";
    m_engine->line_deallocate_call(m_call);
    clear_call();
    reset();
    m_document.update_log();
    m_document.caller_number = WString(Document::kUnknownKey);
}

bool Telephone::stock_phone() const {
    return !m_engine || m_engine->has_stock_phone();
}

void Telephone::toggle_hold() {
    if (m_line == 0 || m_call == 0) {
        return;
    }
    if (m_document.call_on_hold) {
        m_engine->line_unhold(m_call);
    } else {
        m_engine->line_hold(m_call);
    }
    m_document.call_on_hold = !m_document.call_on_hold;
}

void Telephone::toggle_mute() {
    if (m_line == 0) {
        return;
    }
    const uint32_t state = m_document.microphone_muted ? kMuteOff : kMuteOn;
    if (m_engine->cellular_set_mute(state) == LINE_OK) {
        m_document.microphone_muted = !m_document.microphone_muted;
    }
}

void Telephone::toggle_loudspeaker() {
    // Through the current engine: the loudspeaker is the phone's, whether or not a line is
    // open. A phone without one keeps the flag as it is, so the screen never claims it on.
    const std::shared_ptr<PhoneEngine> engine = current_phone_engine();
    if (!engine || !engine->set_loudspeaker(!m_document.loudspeaker_on)) {
        log() << u"ossvcs.dll not found\n";
        return;
    }
    m_document.loudspeaker_on = !m_document.loudspeaker_on;
}

void Telephone::send_key_tone(WStringView text) {
    if (!m_connected || m_call == 0 || text.empty()) {
        return;
    }
    m_engine->line_generate_digits(m_call, LINEDIGITMODE_DTMF, text.substr(text.size() - 1), 0);
}

int32_t Telephone::send_ussd(WStringView text) {
    if (!m_engine || m_line == 0) {
        return LINEERR_INVALLINEHANDLE;
    }
    return m_engine->cellular_send_ussd(m_line, text, static_cast<uint32_t>(text.size() * 2), 0);
}

}  // namespace velvane
