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
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/phone_engine.h"
#include "platform/sip_control.h"
#include "platform/window.h"

namespace platform {

class SipPhoneEngine final : public PhoneEngine,
                             public std::enable_shared_from_this<SipPhoneEngine> {
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
    int32_t line_answer(CallHandle call) override;
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
    bool has_stock_phone() const override { return false; }
    // "status" only: the user agent, the registration, the calls.
    bool command(const std::vector<std::string>& words, std::string& reply) override;

    std::string status() const;
    // Whether the control connection is up.
    bool ready() const;
    // The running user agent's process id, 0 when there is none.
    int agent_pid() const;
    const std::string& folder() const { return m_options.folder; }

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
    Call* find_call_locked(CallHandle call);
    // Hold and its return: the call must be in from; baresip is told command; the call goes to.
    int32_t switch_hold(CallHandle call, uint32_t from, const char* command, uint32_t to);
    Call* find_sip_call_locked(const std::string& id);
    Call* live_call_locked();
    void post_locked(App& app, const Event& event);
    void emit_locked(Call& call, uint32_t message, uintptr_t p1 = 0, uintptr_t p2 = 0,
                     uintptr_t p3 = 0);
    Call& new_call_locked(bool outgoing, WString number, WString name, uint32_t state);
    void set_state_locked(Call& call, uint32_t state, uint32_t mode = 0);
    // Writes the history once, then reports the steps given (the last two are DISCONNECTED
    // and IDLE).
    void end_call_locked(Call& call, const std::vector<sip::LineStep>& steps);
    void end_call_locked(Call& call, uint32_t mode);
    void forget_if_done_locked(CallHandle call);
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
    void deliver(LineAppHandle app);
    void log_line(const std::string& text) const;

    Options m_options;
    uint16_t m_port = 0;  // the control port of the agent's current life
    mutable std::mutex m_mutex;
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

    std::map<LineAppHandle, std::unique_ptr<App>> m_apps;
    std::map<CallHandle, std::unique_ptr<Call>> m_calls;
    std::deque<std::string> m_ended;
    std::deque<std::string> m_closed_ids;  // the agent's ids of calls that ended here
    std::string m_history_error;
    uint32_t m_next_handle = 0x20001;
    std::shared_ptr<NativeThread> m_supervisor;
};

// Reads the SIP password from file; empty when there is none. A file that others may read
// is refused with the reason in error, so a password never sits where it leaks.
std::string read_sip_password(const std::string& file, std::string& error);

// Makes a SIP engine the current one with the control socket ("phone" in the runtime
// folder) that velvane-phone asks for its status; false-y error text when the socket fails.
std::shared_ptr<SipPhoneEngine> start_sip_phone(SipPhoneEngine::Options options,
                                                std::string& error);
void stop_sip_phone();

}  // namespace platform
