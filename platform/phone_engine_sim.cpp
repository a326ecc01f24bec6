#include "platform/phone_engine_sim.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <optional>

#include "platform/clock.h"
#include "platform/phone_engine_control.h"
#include "platform/window.h"

namespace platform {

namespace {

constexpr size_t kMaxLiveCalls = 8;
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
constexpr uint32_t kUnansweredStates = LINECALLSTATE_DIALING | LINECALLSTATE_PROCEEDING;
// far_end's mode for a far end that answers rather than ends the call.
constexpr uint32_t kAnswers = 0;

bool valid_number(WStringView number) {
    if (number.empty() || number.size() > kMaxNumber) {
        return false;
    }
    return std::all_of(number.begin(), number.end(), [](char16_t c) {
        return (c >= u'0' && c <= u'9') || c == u'+' || c == u'*' || c == u'#' || c == u'p' ||
               c == u'P' || c == u'w' || c == u'W' || c == u',';
    });
}

}  // namespace

struct SimulatedPhoneEngine::SimCall : Call {
    // The DTMF digits the far end heard, the latest kMaxDigits.
    WString digits;

    std::string detail() const override {
        return digits.empty() ? std::string() : " digits=" + to_utf8(digits);
    }
};

SimulatedPhoneEngine::SimulatedPhoneEngine() : SimulatedPhoneEngine(Options{}) {}

SimulatedPhoneEngine::SimulatedPhoneEngine(Options options)
    : PhoneLine({.first_handle = 0x10001,
                 .withheld_caller_flags = LINECALLPARTYID_BLOCKED,
                 .digit_modes = LINEDIGITMODE_DTMF | LINEDIGITMODE_PULSE,
                 .history_file = options.history_file}),
      m_options(std::move(options)),
      m_windows(std::make_unique<StockPhoneWindows>()) {
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

PhoneLine::Call& SimulatedPhoneEngine::add_simulated_call_locked(bool outgoing, WStringView number,
                                                                 WStringView name, uint32_t state) {
    auto call = std::make_unique<SimCall>();
    call->outgoing = outgoing;
    call->number = WString(number);
    call->name = WString(name);
    call->state = state;
    return add_call_locked(std::move(call));
}

bool SimulatedPhoneEngine::hold_call_locked(Call&, bool) {
    return true;  // the modem holds the call itself
}

bool SimulatedPhoneEngine::send_digits_locked(Call& call, WStringView digits) {
    WString& heard = static_cast<SimCall&>(call).digits;
    heard += digits;
    if (heard.size() > kMaxDigits) {
        heard.erase(0, heard.size() - kMaxDigits);
    }
    return true;
}

void SimulatedPhoneEngine::call_ended_locked(Call&) {
    update_windows_locked();
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
    if (!is_open_line_locked(line)) {
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
    const Call& placed = add_simulated_call_locked(true, number, {}, LINECALLSTATE_DIALING);
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
    const Call& offered = add_simulated_call_locked(false, number, name, LINECALLSTATE_OFFERING);
    m_windows->show_incoming(true);
    reply = "call " + std::to_string(offered.handle) + " ringing";
    return true;
}

bool SimulatedPhoneEngine::far_end(uint32_t state_mask, bool outgoing_only, uint32_t mode,
                                   const char* done, const char* missing, std::string& reply) {
    std::lock_guard lock(m_mutex);
    Call* call = oldest_live_locked(state_mask, outgoing_only);
    if (call == nullptr) {
        reply = missing;
        return false;
    }
    reply = "call " + std::to_string(call->handle) + " " + done;
    if (mode == kAnswers) {
        set_state_locked(*call, LINECALLSTATE_CONNECTED);
    } else {
        end_call_locked(*call, mode);
    }
    return true;
}

bool SimulatedPhoneEngine::far_answer(std::string& reply) {
    return far_end(kUnansweredStates, true, kAnswers, "connected", "no outgoing call to answer",
                   reply);
}

bool SimulatedPhoneEngine::far_hangup(std::string& reply) {
    return far_end(kLiveStates, false, LINEDISCONNECTMODE_NORMAL, "ended", "no call to hang up",
                   reply);
}

bool SimulatedPhoneEngine::far_busy(std::string& reply) {
    return far_end(kUnansweredStates, true, LINEDISCONNECTMODE_BUSY, "busy",
                   "no outgoing call to be busy for", reply);
}

bool SimulatedPhoneEngine::far_unreachable(std::string& reply) {
    return far_end(kUnansweredStates, true, LINEDISCONNECTMODE_UNREACHABLE, "unreachable",
                   "no outgoing call to fail", reply);
}

std::string SimulatedPhoneEngine::status_tail_locked() const {
    std::string text;
    for (const WString& request : m_ussd) {
        text += "ussd " + to_utf8(request) + "\n";
    }
    text += std::string("mute ") + (m_muted ? "on" : "off") + "\n";
    text += std::string("loudspeaker ") + (m_loudspeaker_on ? "on" : "off") + "\n";
    text += "talk presses " + std::to_string(m_talk_presses) + "\n";
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

std::shared_ptr<SimulatedPhoneEngine> start_simulated_phone(std::string& error,
                                                            SimulatedPhoneEngine::Options options) {
    auto engine = std::make_shared<SimulatedPhoneEngine>(std::move(options));
    serve_phone_engine(engine, error);
    return engine;
}

void run_due_phone_steps() {
    if (auto engine = std::dynamic_pointer_cast<SimulatedPhoneEngine>(current_phone_engine())) {
        engine->run_due_steps();
    }
}

}  // namespace platform
