#pragma once
// The SIP phone: a baresip user agent that the program starts with its own configuration
// folder, drives over its loopback control connection and keeps running (started again when
// it dies, stopped with the engine). There is no stock phone program: the engine places,
// answers and ends calls itself and writes ended calls to the call history.
//
// Incoming: CALL_INCOMING -> LINE_APPNEWCALL, LINE_CALLINFO, OFFERING; line_answer ->
// CALL_ESTABLISHED -> CONNECTED; the end (either side) -> DISCONNECTED, IDLE.
// Outgoing: make_call -> LINE_APPNEWCALL, LINE_CALLINFO, DIALING; CALL_PROGRESS/CALL_RINGING
// -> PROCEEDING, RINGBACK; CALL_ESTABLISHED -> CONNECTED; busy -> BUSY, DISCONNECTED;
// unreachable -> SPECIALINFO, DISCONNECTED. A call that cannot be placed, is not answered in
// time or loses the user agent ends the same way, never hangs.

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/phone_line.h"
#include "platform/sip_control.h"

namespace platform {

class SipPhoneEngine final : public PhoneLine {
public:
    struct Options {
        // The user agent's program, looked up in PATH when it has no slash.
        std::string program = "baresip";
        // Its configuration folder (made 0700, files 0600); empty: "sip" in the runtime folder.
        std::string folder;
        std::string module_path = "/usr/lib/baresip/modules";
        // The account line ("<sip:me@example.org>;auth_user=me"); empty: a local account on
        // the listen address for direct calls, registering nowhere.
        std::string account;
        // Goes into the accounts file only.
        std::string password;
        // "127.0.0.1:5071"; empty: the user agent's own default. It also takes the next port
        // for TLS.
        std::string listen;
        // Typed digits are dialled at this domain.
        std::string dial_domain;
        std::string audio_source = "alsa,default";
        std::string audio_player = "alsa,default";
        // The player the loudspeaker switches to; empty: the phone has no loudspeaker switch.
        std::string loudspeaker_player;
        // The control connection's loopback port; 0: a free one.
        uint16_t control_port = 0;
        std::string history_file;
        // An outgoing call nobody answers is given up after this long.
        uint32_t answer_timeout_ms = 60000;
        // How long the user agent may take to accept the control connection.
        uint32_t start_timeout_ms = 5000;
        // The first wait before starting it again; it doubles up to max_restart_delay_ms.
        uint32_t restart_delay_ms = 1000;
        uint32_t max_restart_delay_ms = 30000;
        // Where the engine's log lines go (any thread); none when empty.
        std::function<void(const std::string&)> log;
    };

    // Writes the configuration and starts the user agent on its own thread; the engine works
    // (calls fail cleanly) while the agent is not there.
    explicit SipPhoneEngine(Options options);
    ~SipPhoneEngine() override;

    int32_t line_answer(CallHandle call) override;
    int32_t cellular_set_mute(uint32_t state) override;
    int32_t cellular_send_ussd(LineHandle line, WStringView text, uint32_t text_bytes,
                               uint32_t flags) override;
    bool set_loudspeaker(bool on) override;
    bool make_call(WStringView number) override;
    void phone_key(uint8_t virtual_key, bool key_up) override;
    bool has_stock_phone() const override { return false; }
    // "status" only: the user agent, the registration, the calls.
    bool command(const std::vector<std::string>& words, std::string& reply) override;

    // Whether the control connection is up.
    bool ready() const;
    // The running user agent's process id, 0 when there is none.
    int agent_pid() const;
    const std::string& folder() const { return m_options.folder; }

private:
    struct SipCall;

    // Hold and its return go to the agent as "hold" and "resume".
    bool hold_call_locked(Call& call, bool hold) override;
    bool send_digits_locked(Call& call, WStringView digits) override;
    void hang_up_locked(Call& call) override;
    void call_ended_locked(Call& call) override;
    // The user agent and the registration before the calls, mute after them.
    std::string status_head_locked() const override;
    std::string status_tail_locked() const override;
    void line_trouble(const std::string& text) const override;

    SipCall* find_sip_call_locked(const std::string& id);
    Call* live_call_locked();
    SipCall& new_call_locked(bool outgoing, WString number, WString name, uint32_t state);
    // Queues a command for the control connection; false when there is none.
    bool send_locked(const std::string& command, const std::string& params = {});

    void on_message(const sip::Message& message);
    void on_event_locked(const sip::Message& event);
    void on_response_locked(const sip::Message& response);
    void check_deadlines_locked();
    void lost_agent_locked(const std::string& why);

    bool write_configuration(std::string& error);
    void supervise();
    // One life of the user agent: started, connected, read until it ends; false when it
    // could not be started or reached at all.
    bool run_agent(bool& served);
    void log_line(const std::string& text) const;

    Options m_options;
    uint16_t m_port = 0;  // the control port of the agent's current life
    std::condition_variable m_wake;
    bool m_stopping = false;
    int m_wake_pipe[2] = {-1, -1};
    int m_control = -1;  // the control connection, -1 while there is none
    int m_agent_pid = 0;
    std::string m_agent_state = "starting";
    std::string m_registration = "none";
    std::map<std::string, std::string> m_pending;  // token to the command sent
    uint32_t m_next_token = 1;
    bool m_muted = false;
    std::deque<std::string> m_closed_ids;  // the agent's ids of calls that ended here
    std::shared_ptr<NativeThread> m_supervisor;
};

// Reads the SIP password from file; empty when there is none. A file that others may read
// is refused with the reason in error, so a password never sits where it leaks.
std::string read_sip_password(const std::string& file, std::string& error);

// Makes a SIP engine the current one with the control socket that velvane-phone asks for its
// status (serve_phone_engine; stop_phone_engine ends both).
std::shared_ptr<SipPhoneEngine> start_sip_phone(SipPhoneEngine::Options options,
                                                std::string& error);

}  // namespace platform
