#pragma once
// The telephony line: the calls of the phone's voice line and the line-device operations on
// them, with the handheld's message numbers, call states and result codes. Line events reach
// an application through a hidden window owned by the thread that initialised the line, so
// they are handled one at a time with everything else that thread does.
//
// PhoneEngine is the back end. The default one simulates the modem and the stock phone
// program inside the process (phone_engine_sim.h); a real one (SIP, a modem service) takes
// its place by implementing the same interface and becoming the current engine.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/threads.h"
#include "platform/ustring.h"
#include "platform/window.h"

namespace platform {

// Line messages (the callback's message argument).
inline constexpr uint32_t LINE_CALLINFO = 1;
inline constexpr uint32_t LINE_CALLSTATE = 2;
inline constexpr uint32_t LINE_CLOSE = 3;
inline constexpr uint32_t LINE_REPLY = 12;
inline constexpr uint32_t LINE_APPNEWCALL = 23;

// Call states (LINE_CALLSTATE's parameter 1).
inline constexpr uint32_t LINECALLSTATE_IDLE = 0x00000001;
inline constexpr uint32_t LINECALLSTATE_OFFERING = 0x00000002;
inline constexpr uint32_t LINECALLSTATE_ACCEPTED = 0x00000004;
inline constexpr uint32_t LINECALLSTATE_DIALTONE = 0x00000008;
inline constexpr uint32_t LINECALLSTATE_DIALING = 0x00000010;
inline constexpr uint32_t LINECALLSTATE_RINGBACK = 0x00000020;
inline constexpr uint32_t LINECALLSTATE_BUSY = 0x00000040;
inline constexpr uint32_t LINECALLSTATE_SPECIALINFO = 0x00000080;
inline constexpr uint32_t LINECALLSTATE_CONNECTED = 0x00000100;
inline constexpr uint32_t LINECALLSTATE_PROCEEDING = 0x00000200;
inline constexpr uint32_t LINECALLSTATE_ONHOLD = 0x00000400;
inline constexpr uint32_t LINECALLSTATE_DISCONNECTED = 0x00004000;
inline constexpr uint32_t LINECALLSTATE_UNKNOWN = 0x00008000;

// Why a call was disconnected (LINE_CALLSTATE's parameter 2 with DISCONNECTED).
inline constexpr uint32_t LINEDISCONNECTMODE_NORMAL = 0x00000001;
inline constexpr uint32_t LINEDISCONNECTMODE_REJECT = 0x00000004;
inline constexpr uint32_t LINEDISCONNECTMODE_BUSY = 0x00000020;
inline constexpr uint32_t LINEDISCONNECTMODE_NOANSWER = 0x00000040;
inline constexpr uint32_t LINEDISCONNECTMODE_BADADDRESS = 0x00000080;
inline constexpr uint32_t LINEDISCONNECTMODE_UNREACHABLE = 0x00000100;
inline constexpr uint32_t LINEDISCONNECTMODE_UNAVAIL = 0x00000800;

// What changed in LINE_CALLINFO (parameter 1).
inline constexpr uint32_t LINECALLINFOSTATE_CALLERID = 0x00008000;
inline constexpr uint32_t LINECALLINFOSTATE_CALLEDID = 0x00010000;

// Caller-id flags of the call information.
inline constexpr uint32_t LINECALLPARTYID_BLOCKED = 0x00000001;
inline constexpr uint32_t LINECALLPARTYID_OUTOFAREA = 0x00000002;
inline constexpr uint32_t LINECALLPARTYID_NAME = 0x00000004;
inline constexpr uint32_t LINECALLPARTYID_ADDRESS = 0x00000008;
inline constexpr uint32_t LINECALLPARTYID_PARTIAL = 0x00000010;
inline constexpr uint32_t LINECALLPARTYID_UNKNOWN = 0x00000020;
inline constexpr uint32_t LINECALLPARTYID_UNAVAIL = 0x00000040;

// Where a call came from.
inline constexpr uint32_t LINECALLORIGIN_OUTBOUND = 0x00000001;
inline constexpr uint32_t LINECALLORIGIN_INBOUND = 0x00000080;

// Privileges (lineOpen asks for monitor | owner = 6) and media modes.
inline constexpr uint32_t LINECALLPRIVILEGE_NONE = 0x00000001;
inline constexpr uint32_t LINECALLPRIVILEGE_MONITOR = 0x00000002;
inline constexpr uint32_t LINECALLPRIVILEGE_OWNER = 0x00000004;
inline constexpr uint32_t LINEMEDIAMODE_INTERACTIVEVOICE = 0x00000004;

inline constexpr uint32_t LINEDIGITMODE_PULSE = 0x00000001;
inline constexpr uint32_t LINEDIGITMODE_DTMF = 0x00000002;

inline constexpr uint32_t LINEINITIALIZEEXOPTION_USEHIDDENWINDOW = 0x00000001;

// API versions the line speaks.
inline constexpr uint32_t kLineApiVersionLow = 0x00010004;
inline constexpr uint32_t kLineApiVersionHigh = 0x00020002;

// The cellular mute states.
inline constexpr uint32_t kMuteOn = 1;
inline constexpr uint32_t kMuteOff = 2;

// Result codes: 0 is success, errors have the top bit set.
inline constexpr int32_t LINE_OK = 0;
inline constexpr int32_t LINEERR_ALLOCATED = static_cast<int32_t>(0x80000001);
inline constexpr int32_t LINEERR_BADDEVICEID = static_cast<int32_t>(0x80000002);
inline constexpr int32_t LINEERR_CALLUNAVAIL = static_cast<int32_t>(0x80000005);
inline constexpr int32_t LINEERR_INCOMPATIBLEAPIVERSION = static_cast<int32_t>(0x8000000C);
inline constexpr int32_t LINEERR_INCOMPATIBLEEXTVERSION = static_cast<int32_t>(0x8000000D);
inline constexpr int32_t LINEERR_INVALADDRESS = static_cast<int32_t>(0x80000010);
inline constexpr int32_t LINEERR_INVALAPPHANDLE = static_cast<int32_t>(0x80000014);
inline constexpr int32_t LINEERR_INVALCALLHANDLE = static_cast<int32_t>(0x80000018);
inline constexpr int32_t LINEERR_INVALCALLPRIVILEGE = static_cast<int32_t>(0x8000001A);
inline constexpr int32_t LINEERR_INVALCALLSTATE = static_cast<int32_t>(0x8000001C);
inline constexpr int32_t LINEERR_INVALDIGITMODE = static_cast<int32_t>(0x80000027);
inline constexpr int32_t LINEERR_INVALDIGITS = static_cast<int32_t>(0x80000028);
inline constexpr int32_t LINEERR_INVALLINEHANDLE = static_cast<int32_t>(0x8000002B);
inline constexpr int32_t LINEERR_INVALMEDIAMODE = static_cast<int32_t>(0x8000002F);
inline constexpr int32_t LINEERR_INVALPARAM = static_cast<int32_t>(0x80000032);
inline constexpr int32_t LINEERR_INVALPOINTER = static_cast<int32_t>(0x80000035);
inline constexpr int32_t LINEERR_INVALPRIVSELECT = static_cast<int32_t>(0x80000036);
inline constexpr int32_t LINEERR_NODEVICE = static_cast<int32_t>(0x80000042);
inline constexpr int32_t LINEERR_NODRIVER = static_cast<int32_t>(0x80000043);
inline constexpr int32_t LINEERR_NOTOWNER = static_cast<int32_t>(0x80000046);
inline constexpr int32_t LINEERR_OPERATIONFAILED = static_cast<int32_t>(0x80000048);
inline constexpr int32_t LINEERR_OPERATIONUNAVAIL = static_cast<int32_t>(0x80000049);
inline constexpr int32_t LINEERR_RESOURCEUNAVAIL = static_cast<int32_t>(0x8000004B);
inline constexpr int32_t LINEERR_STRUCTURETOOSMALL = static_cast<int32_t>(0x8000004D);
inline constexpr int32_t LINEERR_UNINITIALIZED = static_cast<int32_t>(0x80000050);

// Handles are never 0 and never reused within a run.
using LineAppHandle = uint32_t;
using LineHandle = uint32_t;
using CallHandle = uint32_t;

// device: the line for LINE_APPNEWCALL (parameter 2 is then the new call), the call for the
// call messages; instance: what lineOpen was given.
using LineCallback = std::function<void(uint32_t device, uint32_t message, uintptr_t instance,
                                        uintptr_t param1, uintptr_t param2, uintptr_t param3)>;

struct LineInitializeParams {
    uint32_t total_size = 24;
    uint32_t options = LINEINITIALIZEEXOPTION_USEHIDDENWINDOW;
    // The thread whose hidden window gets the events; 0 means the calling thread. That
    // thread must already have a message queue (it has once it made a window or looked at
    // its queue).
    ThreadId callback_thread = 0;
};

using LineExtensionId = std::array<uint32_t, 4>;

// The call information record. The fixed part is kLineCallInfoFixedSize bytes; the texts
// follow it as NUL-terminated UTF-16 and need (length + 1) * 2 bytes each. The caller says
// how big its buffer is in total_size: below the fixed part the read fails with
// LINEERR_STRUCTURETOOSMALL; with room for the fixed part only, it succeeds but leaves the
// texts out (their sizes 0), and needed_size says how much would hold everything.
inline constexpr uint32_t kLineCallInfoFixedSize = 296;

struct LineCallInfo {
    uint32_t total_size = 0;   // in: the buffer's size
    uint32_t needed_size = 0;  // out
    uint32_t used_size = 0;    // out
    LineHandle line = 0;
    uint32_t origin = 0;  // LINECALLORIGIN_*
    uint32_t media_mode = LINEMEDIAMODE_INTERACTIVEVOICE;
    uint32_t caller_id_flags = LINECALLPARTYID_UNKNOWN;
    uint32_t caller_id_size = 0;  // bytes, the NUL included; 0 when left out
    WString caller_id;
    uint32_t called_id_flags = LINECALLPARTYID_UNKNOWN;
    uint32_t called_id_size = 0;
    WString called_id;
};

// One phone back end. Every operation may be called from any thread; events are posted to
// the hidden window of the application they belong to and never run inside an operation.
// Operations return LINE_OK or a LINEERR_* code, synchronously.
class PhoneEngine {
public:
    virtual ~PhoneEngine() = default;

    // Line device operations.
    virtual int32_t line_initialize_ex(LineAppHandle& app, LineCallback callback,
                                       WStringView app_name, uint32_t& device_count,
                                       uint32_t& api_version,
                                       const LineInitializeParams& params) = 0;
    virtual int32_t line_negotiate_api_version(LineAppHandle app, uint32_t device,
                                               uint32_t low_version, uint32_t high_version,
                                               uint32_t& api_version,
                                               LineExtensionId& extension) = 0;
    // Only device 0, the voice line, exists.
    virtual int32_t line_open(LineAppHandle app, uint32_t device, LineHandle& line,
                              uint32_t api_version, uint32_t extension_version,
                              uintptr_t callback_instance, uint32_t privileges,
                              uint32_t media_modes) = 0;
    virtual int32_t line_get_call_info(CallHandle call, LineCallInfo& info) = 0;
    virtual int32_t line_set_call_privilege(CallHandle call, uint32_t privilege) = 0;
    virtual int32_t line_accept(CallHandle call) = 0;
    // A live call is disconnected (DISCONNECTED, then IDLE follow); a disconnected one goes
    // idle.
    virtual int32_t line_drop(CallHandle call) = 0;
    // Forgets the handle; an owner may only let go of an idle call.
    virtual int32_t line_deallocate_call(CallHandle call) = 0;
    virtual int32_t line_hold(CallHandle call) = 0;
    virtual int32_t line_unhold(CallHandle call) = 0;
    // Only on a connected call.
    virtual int32_t line_generate_digits(CallHandle call, uint32_t digit_mode, WStringView digits,
                                         uint32_t duration) = 0;
    virtual int32_t line_close(LineHandle line) = 0;
    // Ends the application: its lines close, its hidden window goes, its events not yet
    // handled are dropped.
    virtual int32_t line_shutdown(LineAppHandle app) = 0;

    // The cellular extensions: mute (kMuteOn / kMuteOff) and a supplementary-service request
    // over an open line; text_bytes is the text's length in bytes.
    virtual int32_t cellular_set_mute(uint32_t state) = 0;
    virtual int32_t cellular_send_ussd(LineHandle line, WStringView text, uint32_t text_bytes,
                                       uint32_t flags) = 0;

    // The loudspeaker switch; false when the device has none.
    virtual bool set_loudspeaker(bool on) = 0;

    // Asks the phone program to dial; true when it took the number.
    virtual bool make_call(WStringView number) = 0;

    // A hardware key the phone program listens to (the Talk key, 0x72, answers the offered
    // call while the phone program's incoming window shows).
    virtual void phone_key(uint8_t virtual_key, bool key_up) = 0;

    // Whether a stock phone program stands behind the line, with call windows to hide and a
    // Talk key that answers. An engine that places and answers calls itself has none, and
    // the line handler then leaves those steps out.
    virtual bool has_stock_phone() const { return true; }
    // Answers the offered call; only an engine without a stock phone program does.
    virtual int32_t line_answer(CallHandle) { return LINEERR_OPERATIONUNAVAIL; }

    // The outside world's commands (velvane-phone, the headless scripts' "phone" lines):
    // false with the reason in reply when the engine does not take one.
    virtual bool command(const std::vector<std::string>& words, std::string& reply);
};

// The engine the program uses, or null before one is started. The engine installs itself
// as platform::make_call's function while it is current.
std::shared_ptr<PhoneEngine> current_phone_engine();
// Makes engine the current one (null: none); gives the previous one.
std::shared_ptr<PhoneEngine> set_current_phone_engine(std::shared_ptr<PhoneEngine> engine);

// Short names of states and messages for logs and the status text ("CONNECTED"); the number
// in hex for values without a name.
std::string call_state_name(uint32_t state);

// One line state a call passes through, with its disconnect mode.
struct LineStep {
    uint32_t state = 0;
    uint32_t mode = 0;
    bool operator==(const LineStep&) const = default;
};

// How a call's end shows on the line: busy first for BUSY, special information first for an
// address that cannot be reached, then DISCONNECTED with the mode and IDLE.
std::vector<LineStep> closing_steps(uint32_t mode);

// What every engine shares with the handheld's line: events reach an application through a
// hidden window on the thread it named, and ended calls go to the phone's call history.

// A hidden window owned by thread (0: the calling one) whose line-event messages call
// deliver with the value posted; null when it cannot be made.
WindowHandle create_line_event_window(ThreadId thread, std::function<void(uintptr_t)> deliver);
// False when the window is gone.
bool post_line_event(WindowHandle window, uintptr_t value);
// Events still queued for the window find nothing once it is destroyed.
void destroy_line_event_window(WindowHandle window);

struct CallLogEntry;

// Numbers come as people store them: blanks, dashes, dots, slashes and brackets only group
// the digits, and the phone dials past them.
WString dialled_number(WStringView number);

inline constexpr WStringView kPhoneStateKey = u"HKEY_CURRENT_USER\\System\\State\\Phone";
inline constexpr WStringView kMissedCallCount = u"Missed Call Count";

// UTC now in 100-ns units since 1601, as the call log keeps times.
uint64_t filetime_now();
// Appends an ended call to the call history (file empty: CallHistory::default_file()) and
// counts a missed one in "Missed Call Count"; false with the reason in error.
bool record_ended_call(const CallLogEntry& entry, const std::string& history_file,
                       std::string& error);

}  // namespace platform
