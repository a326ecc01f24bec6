#pragma once
// The simulated phone: a modem with one voice line and the stock phone program on top of it
// (its call windows, its Talk key, the call history it writes), driven from outside by
// commands: a call rings, the far end answers, hangs up or is busy.
//
// Incoming: ring -> LINE_APPNEWCALL, LINE_CALLINFO, OFFERING; the Talk key while the
// incoming window shows -> CONNECTED; hangup (either end) -> DISCONNECTED, IDLE.
// Outgoing: make_call -> LINE_APPNEWCALL, LINE_CALLINFO, DIALING, after dialing_delay_ms
// PROCEEDING; answer -> CONNECTED; busy -> BUSY, DISCONNECTED, IDLE; unreachable ->
// SPECIALINFO, DISCONNECTED, IDLE.
// Every call that ends is written to the call history; an incoming one never answered is
// missed and raises "Missed Call Count".

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/phone_engine.h"
#include "platform/phone_engine_control.h"
#include "platform/phone_engine_windows.h"
#include "platform/window.h"

namespace platform {

class SimulatedPhoneEngine final : public PhoneEngine,
                                   public std::enable_shared_from_this<SimulatedPhoneEngine> {
public:
    struct Options {
        // How long an outgoing call dials before the network reports it proceeding.
        uint32_t dialing_delay_ms = 500;
        // The call history file; empty means CallHistory::default_file() at each write.
        std::string history_file;
        // Whether the phone has a loudspeaker switch.
        bool loudspeaker = true;
    };

    // The stock phone windows are made on the calling thread. The modem's own thread (the
    // timed steps) starts here and ends with the object. Hold it in a shared_ptr: the line's
    // events find it through a weak reference, so none can reach it once it is gone.
    SimulatedPhoneEngine();
    explicit SimulatedPhoneEngine(Options options);
    ~SimulatedPhoneEngine() override;

    int32_t line_initialize_ex(LineAppHandle& app, LineCallback callback, WStringView app_name,
                               uint32_t& device_count, uint32_t& api_version,
                               const LineInitializeParams& params) override;
    int32_t line_negotiate_api_version(LineAppHandle app, uint32_t device, uint32_t low_version,
                                       uint32_t high_version, uint32_t& api_version,
                                       LineExtensionId& extension) override;
    int32_t line_open(LineAppHandle app, uint32_t device, LineHandle& line, uint32_t api_version,
                      uint32_t extension_version, uintptr_t callback_instance, uint32_t privileges,
                      uint32_t media_modes) override;
    int32_t line_get_call_info(CallHandle call, LineCallInfo& info) override;
    int32_t line_set_call_privilege(CallHandle call, uint32_t privilege) override;
    int32_t line_accept(CallHandle call) override;
    int32_t line_drop(CallHandle call) override;
    int32_t line_deallocate_call(CallHandle call) override;
    int32_t line_hold(CallHandle call) override;
    int32_t line_unhold(CallHandle call) override;
    int32_t line_generate_digits(CallHandle call, uint32_t digit_mode, WStringView digits,
                                 uint32_t duration) override;
    int32_t line_close(LineHandle line) override;
    int32_t line_shutdown(LineAppHandle app) override;
    int32_t cellular_set_mute(uint32_t state) override;
    int32_t cellular_send_ussd(LineHandle line, WStringView text, uint32_t text_bytes,
                               uint32_t flags) override;
    bool set_loudspeaker(bool on) override;
    bool make_call(WStringView number) override;
    void phone_key(uint8_t virtual_key, bool key_up) override;

    // The outside world's side. Each gives false with the reason in reply when it cannot be
    // done (no such call, wrong state, bad number).
    // A call from number (empty: the caller withheld it); name is what the phone program
    // matched and writes into the call history.
    bool ring(WStringView number, WStringView name, std::string& reply);
    // The far end answers our outgoing call (the oldest one dialling or proceeding).
    bool far_answer(std::string& reply);
    // The far end ends the oldest live call.
    bool far_hangup(std::string& reply);
    // The far end is busy: our oldest outgoing call not yet answered fails.
    bool far_busy(std::string& reply);
    // The network cannot reach the number of our oldest outgoing call not yet answered: it
    // reports special information, then the call ends.
    bool far_unreachable(std::string& reply);
    // Calls, their states, DTMF digits received, USSD requests, mute and loudspeaker.
    std::string status() const;

    // The words of one control command ("ring 123 --name Anna", "answer", "hangup", "busy",
    // "unreachable", "status"); false with the reason in reply for anything it does not take.
    bool command(const std::vector<std::string>& words, std::string& reply) override;

    const StockPhoneWindows& windows() const { return *m_windows; }

    // Runs the timed steps that are due. The modem's thread does it by itself, except while
    // the virtual clock has a driver: then the driver calls this once a frame, so a step lands
    // on the same frame in every run.
    void run_due_steps();

private:
    struct App;
    struct Call;
    struct Event {
        uint32_t device;
        uint32_t message;
        uintptr_t instance;
        uintptr_t param1;
        uintptr_t param2;
        uintptr_t param3;
    };

    App* find_app_locked(LineAppHandle app);
    // A call some application still holds a handle to, or null.
    Call* find_call_locked(CallHandle call);
    Call* oldest_live_locked(uint32_t state_mask, bool outgoing_only);
    void post_locked(App& app, const Event& event);
    // Queues a call event for every application that holds the call.
    void emit_locked(Call& call, uint32_t message, uintptr_t param1 = 0, uintptr_t param2 = 0,
                     uintptr_t param3 = 0);
    void new_call_locked(Call& call);
    void set_state_locked(Call& call, uint32_t state, uint32_t mode = 0);
    void end_call_locked(Call& call, uint32_t mode);
    void forget_if_done_locked(CallHandle call);
    void write_history_locked(const Call& call);
    void update_windows_locked();
    void run_due_steps_locked(uint32_t now);
    void modem_loop();
    // Runs the next queued event of an application on its hidden window's thread.
    void deliver(LineAppHandle app);

    Options m_options;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::map<LineAppHandle, std::unique_ptr<App>> m_apps;
    std::map<CallHandle, std::unique_ptr<Call>> m_calls;
    std::deque<std::string> m_ended;  // status lines of the calls that ended, newest last
    std::vector<WString> m_ussd;
    bool m_muted = false;
    bool m_loudspeaker_on = false;
    uint32_t m_talk_presses = 0;
    std::string m_history_error;
    uint32_t m_next_handle = 0x10001;
    struct Step {
        uint32_t due;
        CallHandle call;
        uint32_t from_state;
        uint32_t to_state;
    };
    std::vector<Step> m_steps;
    std::unique_ptr<StockPhoneWindows> m_windows;
    std::shared_ptr<NativeThread> m_modem;
};

// Makes a simulated engine the current one and starts its control socket ("phone" in the
// runtime folder); false with the reason in error when the socket cannot be made (the engine
// then still runs, driven in-process only).
std::shared_ptr<SimulatedPhoneEngine> start_simulated_phone(
    std::string& error, SimulatedPhoneEngine::Options options = {});
// Stops the control socket and drops the current engine.
void stop_simulated_phone();

// The control commands for the running program's engine, in-process (headless scripts'
// "phone ..." lines): false with the reason in reply when there is no simulated engine or
// it refused.
bool phone_command(const std::vector<std::string>& words, std::string& reply);

// The current simulated engine's run_due_steps, for the thread that drives the virtual clock;
// nothing without one.
void run_due_phone_steps();

}  // namespace platform
