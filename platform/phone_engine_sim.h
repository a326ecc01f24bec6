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
#include <memory>
#include <string>
#include <vector>

#include "platform/phone_engine_windows.h"
#include "platform/phone_line.h"

namespace platform {

class SimulatedPhoneEngine final : public PhoneLine {
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
    // The words of one control command ("ring 123 --name Anna", "answer", "hangup", "busy",
    // "unreachable", "status"); false with the reason in reply for anything it does not take.
    bool command(const std::vector<std::string>& words, std::string& reply) override;

    const StockPhoneWindows& windows() const { return *m_windows; }

    // Runs the timed steps that are due. The modem's thread does it by itself, except while
    // the virtual clock has a driver: then the driver calls this once a frame, so a step lands
    // on the same frame in every run.
    void run_due_steps();

private:
    struct SimCall;

    bool hold_call_locked(Call& call, bool hold) override;
    bool send_digits_locked(Call& call, WStringView digits) override;
    void call_ended_locked(Call& call) override;
    // USSD requests, mute, loudspeaker and Talk key presses after the calls.
    std::string status_tail_locked() const override;

    Call* oldest_live_locked(uint32_t state_mask, bool outgoing_only);
    // The far end acts on the oldest call in state_mask (outgoing ones only when asked): it
    // connects (mode 0) or ends with mode; done names the outcome in reply, missing the lack.
    bool far_end(uint32_t state_mask, bool outgoing_only, uint32_t mode, const char* done,
                 const char* missing, std::string& reply);
    Call& add_simulated_call_locked(bool outgoing, WStringView number, WStringView name,
                                    uint32_t state);
    void update_windows_locked();
    void run_due_steps_locked(uint32_t now);
    void modem_loop();

    Options m_options;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::vector<WString> m_ussd;
    bool m_muted = false;
    bool m_loudspeaker_on = false;
    uint32_t m_talk_presses = 0;
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

// Makes a simulated engine the current one and serves its control socket (serve_phone_engine;
// stop_phone_engine ends both).
std::shared_ptr<SimulatedPhoneEngine> start_simulated_phone(
    std::string& error, SimulatedPhoneEngine::Options options = {});

// The current simulated engine's run_due_steps, for the thread that drives the virtual clock;
// nothing without one.
void run_due_phone_steps();

}  // namespace platform
