#pragma once
// Telephone: follows the phone's voice line for the Document. The stock phone program still
// handles every call; we watch the line, keep its call windows out of sight, bring our own
// window forward and tell the views through the Document's hints what happens. An engine
// without a stock phone program (a SIP phone) answers calls itself and has no windows to hide.

#include <cstdint>
#include <functional>
#include <memory>

#include "core/timer.h"
#include "contacts/document.h"
#include "contacts/document_services.h"
#include "platform/phone_engine.h"
#include "platform/ustring.h"

namespace velvane {

// What the line handler asks of the program's own window. The program wires these to its
// main window; any that is empty does nothing.
struct ProgramWindow {
    std::function<void()> bring_to_front;
    // Asks for the next frame to be painted.
    std::function<void()> redraw;
    // Lets the stock phone program have the screen.
    std::function<void()> minimize;
    // Switches the main loop from drawing frames to waiting for messages.
    std::function<void()> rest_frames;
};

// The Document's line handler. Each call state runs a few passes that look for the stock
// windows while the phone program puts them up; they run from one-shot timers, never by
// sleeping, so the in-call buttons keep working meanwhile. The next state the handler acts on
// ends those still waiting (their closing step still runs unless the call is over), and so
// does a reset.
class Telephone : public LineHandler, private TimerListener {
public:
    // The wait for the incoming window is bounded; the program would otherwise retry forever
    // when the stock phone never shows it.
    static constexpr int kOfferingTries = 50;
    static constexpr uint32_t kOfferingWaitMs = 100;
    static constexpr int kOutgoingPasses = 10;
    static constexpr uint32_t kOutgoingWaitMs = 200;
    static constexpr int kConnectedPasses = 10;
    static constexpr uint32_t kConnectedWaitMs = 500;
    static constexpr int kAnswerPresses = 5;

    // Finds the stock phone windows' titles and keeps them in the document.
    explicit Telephone(Document& document, ProgramWindow window = {});
    ~Telephone() override;

    // LineHandler.
    void initialise() override;
    void reset() override;
    void answer_call() override;
    void drop_call() override;
    void toggle_hold() override;
    void toggle_mute() override;
    void toggle_loudspeaker() override;
    void send_key_tone(WStringView text) override;
    bool call_in_progress() const override { return m_call != 0; }
    bool connected() const override { return m_connected; }
    bool line_open() const override { return m_line != 0; }
    int32_t send_ussd(WStringView text) override;
    void rest_frames() override;

    // Every line event, on the UI thread.
    void LineCallbackFunc(uint32_t device, uint32_t message, uintptr_t instance,
                          uintptr_t param1, uintptr_t param2, uintptr_t param3);

    platform::LineAppHandle line_app() const { return m_line_app; }
    platform::LineHandle line() const { return m_line; }
    platform::CallHandle current_call() const { return m_call; }
    int answer_countdown() const { return m_answer_countdown; }
    // Whether the passes that follow a call state are still waiting for their next turn.
    bool passes_pending() const { return m_passes.kind != PassKind::None; }

    // Enumerates the top-level windows for the stock phone's two titles: the shorter is the
    // outgoing window, the longer the incoming one.
    void find_stock_windows();
    // Hides the stock window with this title and its menu bar; whether it was there.
    bool hide_stock_window(WStringView title);

private:
    // Where a call state's passes are; one timer turn per wait.
    enum class PassKind { None, Offering, Dialing, Proceeding, Connected };
    struct Passes {
        PassKind kind = PassKind::None;
        platform::CallHandle call = 0;
        int index = 0;
        // Proceeding waits twice per pass: after the first wait the window was tried.
        bool tried = false;
        bool hidden = false;
    };

    void on_timer(Timer& timer) override;

    void on_new_call(platform::CallHandle call);
    void on_call_info(platform::CallHandle call);
    void on_call_state(platform::CallHandle call, uint32_t state, uintptr_t mode);

    void start_passes(PassKind kind, platform::CallHandle call);
    void run_pass();
    void cancel_passes();
    // Whether a state of the followed call ends the passes of the state before it.
    static bool takes_over_passes(uint32_t state, bool dialer);
    // Ends the pending passes for a new state; unless the call is over, their closing step
    // runs at once.
    void supersede_passes(bool call_over);
    void finish_offering();
    // Whether the line's engine has a stock phone program whose windows and Talk key the
    // passes and the answer work with; without one those steps are left out.
    bool stock_phone() const;
    void connected_pass();

    // Lets go of the call (ending it first when drop is set), closes and shuts the line down.
    void shutdown_line(bool drop);
    void clear_call();
    void send_hint(bool RefreshHint::*flag);
    void bring_to_front();
    void redraw();

    Document& m_document;
    ProgramWindow m_window;

    // The engine the line was opened on; operations go to it until the line is shut down.
    std::shared_ptr<platform::PhoneEngine> m_engine;
    platform::LineAppHandle m_line_app = 0;
    platform::LineHandle m_line = 0;
    platform::CallHandle m_call = 0;
    bool m_connected = false;
    Timer m_answer_timer;
    int m_answer_countdown = 0;

    Timer m_pass_timer;
    Passes m_passes;
};

}  // namespace velvane
