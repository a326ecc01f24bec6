#pragma once
// The voice line as every engine keeps it: the applications that initialised it, the line
// each opened, the calls they hold and the events queued for each application's hidden
// window. An engine derives from it and adds only where calls come from and how they move:
// it makes calls, changes their states and ends them through the operations here, under
// the one lock they share.

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/phone_engine.h"
#include "platform/window.h"

namespace platform {

class PhoneLine : public PhoneEngine, public std::enable_shared_from_this<PhoneLine> {
public:
    // What the engines' lines differ in.
    struct Rules {
        // Each engine hands out handles from its own range, so logs never mix them up.
        uint32_t first_handle = 1;
        // How the call information flags a caller whose number is not there.
        uint32_t withheld_caller_flags = LINECALLPARTYID_BLOCKED;
        // The LINEDIGITMODE_* values line_generate_digits takes.
        uint32_t digit_modes = LINEDIGITMODE_DTMF;
        // Where ended calls are written; empty: CallHistory::default_file() at each write.
        std::string history_file;
    };

    ~PhoneLine() override;

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
    // An offered call is rejected, any other live one ends normally; an ended one stays so.
    int32_t line_drop(CallHandle call) override;
    int32_t line_deallocate_call(CallHandle call) override;
    int32_t line_hold(CallHandle call) override;
    int32_t line_unhold(CallHandle call) override;
    int32_t line_generate_digits(CallHandle call, uint32_t digit_mode, WStringView digits,
                                 uint32_t duration) override;
    int32_t line_close(LineHandle line) override;
    int32_t line_shutdown(LineAppHandle app) override;

    // What the engine shows first, "calls N" with a line per live call, the calls that
    // ended (newest last), what the engine adds, and a call history that could not be written.
    std::string status() const;

protected:
    // One call of the line; an engine keeps what else it needs in a derived record.
    struct Call {
        virtual ~Call() = default;
        // What the engine adds to the call's status lines (" digits=12").
        virtual std::string detail() const { return {}; }

        CallHandle handle = 0;
        bool outgoing = false;
        WString number;  // empty when withheld
        WString name;
        uint32_t state = LINECALLSTATE_IDLE;
        bool connected_once = false;
        bool ended = false;
        uint64_t start = 0;
        // The applications that still hold a handle to it.
        std::set<LineAppHandle> holders;
    };

    explicit PhoneLine(Rules rules);

    // The engine's side of hold and its return, after the line checked the call is connected
    // (on hold); false when the far side cannot be told, and the state then stays.
    virtual bool hold_call_locked(Call& call, bool hold) = 0;
    // The engine's side of digits the line checked; false when they could not be sent.
    virtual bool send_digits_locked(Call& call, WStringView digits) = 0;
    // The engine's side of a live call the line's application drops, before the line ends it.
    virtual void hang_up_locked(Call&) {}
    // The engine's own lines of status(), before and after the calls.
    virtual std::string status_head_locked() const { return {}; }
    virtual std::string status_tail_locked() const { return {}; }
    // Called once per call as it ends, before the line may forget it.
    virtual void call_ended_locked(Call&) {}
    // The line's own trouble (a call history it could not write), for the engine's log.
    virtual void line_trouble(const std::string&) const {}

    // A call some application still holds a handle to, or null.
    Call* find_call_locked(CallHandle call);
    // Gives the call its handle and start, enters it and offers it to every open line.
    Call& add_call_locked(std::unique_ptr<Call> call);
    void set_state_locked(Call& call, uint32_t state, uint32_t mode = 0);
    // Writes the call history once, then reports steps (the last two DISCONNECTED and IDLE).
    void end_call_locked(Call& call, const std::vector<LineStep>& steps);
    void end_call_locked(Call& call, uint32_t mode) { end_call_locked(call, closing_steps(mode)); }
    bool is_open_line_locked(LineHandle line) const;

    mutable std::mutex m_mutex;
    std::map<CallHandle, std::unique_ptr<Call>> m_calls;

private:
    struct Event {
        uint32_t device;
        uint32_t message;
        uintptr_t instance;
        uintptr_t param1;
        uintptr_t param2;
        uintptr_t param3;
    };
    struct App {
        LineAppHandle handle = 0;
        LineCallback callback;
        WindowHandle window;
        LineHandle line = 0;
        uintptr_t instance = 0;
        uint32_t privileges = 0;
        std::deque<Event> events;
    };

    App* find_app_locked(LineAppHandle app);
    void post_locked(App& app, const Event& event);
    // Queues a call event for every application that holds the call.
    void emit_locked(Call& call, uint32_t message, uintptr_t param1 = 0, uintptr_t param2 = 0,
                     uintptr_t param3 = 0);
    // The application comes to hold the call: LINE_APPNEWCALL on its line.
    void hand_over_locked(Call& call, App& app);
    // What a new holder learns first: who is calling, then the state.
    void describe_locked(Call& call);
    int32_t switch_hold(CallHandle call, uint32_t from, uint32_t to);
    // The application lets go of every call it held.
    void release_calls_locked(LineAppHandle app);
    void forget_if_done_locked(CallHandle call);
    void write_history_locked(const Call& call);
    // Runs the next queued event of an application on its hidden window's thread.
    void deliver(LineAppHandle app);

    const Rules m_rules;
    std::map<LineAppHandle, std::unique_ptr<App>> m_apps;
    std::deque<std::string> m_ended;  // status lines of the calls that ended, newest last
    std::string m_history_error;
    uint32_t m_next_handle;
};

}  // namespace platform
