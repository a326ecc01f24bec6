#pragma once
// GameBase: the program's only contact with the window system. It owns the main window and
// its procedure, runs the message loop that doubles as the frame loop, turns key, character
// and stylus messages into the framework's events, switches between drawing straight to the
// display and drawing through the window, and bridges the skin's edit fields to text input.

#include <deque>
#include <functional>
#include <memory>

#include "core/message_scheduler.h"
#include "core/active.h"
#include "core/singleton.h"
#include "app/screen_recorder.h"
#include "display/display.h"
#include "platform/messages.h"
#include "platform/ustring.h"
#include "skin/edit_bridge.h"
#include "skin/render_surface.h"
#include "skin/screen_metrics.h"

namespace zentra {
class EditNode;
}

namespace velvane {

class Application;

// The usable area of the screen: where the forms are laid out.
struct UsableArea {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const UsableArea&, const UsableArea&) = default;
};

class GameBase : public Singleton<GameBase>, public zentra::EditBridge {
public:
    // The window timer that gives frames while drawing through the window.
    static constexpr uintptr_t kFrameTimerId = 2;
    static constexpr uint32_t kFrameTimerMs = 40;
    // Private message: a command line from a second start waits in the queue.
    static constexpr uint32_t kCommandLineMessage = 0x400 + 34;  // WM_USER + 34
    // The stylus-up position before any release: a capture lost with it still here was a cancel.
    static constexpr int kNoPosition = -1000000;
    // From here up the numbers are notices of other programs and services (the contact
    // store's among them), never the window system's own.
    static constexpr uint32_t kFirstNotice = 0x8000;  // WM_APP
    // A rest whose window was not deactivated within this time ends by itself.
    static constexpr uint32_t kRestKeptInPlaceMs = 3000;
    // Bounded: a window that never gives up the foreground must not hang the program.
    static constexpr int kBringToFrontTries = 10;

    // Handles every message of the main window once the contact store is logged on.
    using MessageHandler = std::function<void(uint32_t message, uintptr_t wparam, intptr_t lparam)>;

    GameBase(Application& application, platform::WStringView name, display::Backend& backend);
    ~GameBase();

    // Runs until the main window is gone; the quit code.
    int run_message_loop();
    // One frame from the loop: elapsed time, recording, advance, paint and present.
    void frame_step();

    void set_input_captured(bool captured);
    void set_windowed(bool show_task_bar);
    void set_fullscreen(int orientation);
    void rest_frames();
    // Frames come again at once (the program is in front, or a call needs its screen).
    void end_rest();
    // Around another program's dialog (the picture chooser): windowed and out of its way,
    // then full screen and in front again.
    void release_screen();
    void take_screen_back(int orientation);
    void minimize_to_shell();
    void bring_to_front();
    // Works out the usable area for the mode and places the window in it.
    void apply_layout();
    // The screen as the back end reports it, with the usable area applied.
    zentra::ScreenMetrics read_screen_metrics() const;

    // EditBridge.
    void set_edit_node(zentra::EditNode* edit, bool create) override;
    void edit_text_changed(zentra::EditNode& edit) override;

    // What the input method is composing (not yet typed), its caret in UTF-16 units; empty
    // when nothing is being composed.
    const platform::WString& composition() const { return m_composition; }
    size_t composition_caret() const { return m_composition_caret; }
    // Shows the composition over the painted frame: in a strip under the focused edit (over
    // it when there is no room below), or at the foot of the screen for the top form.
    void paint_composition(zentra::RenderSurface& target) const;

    void set_message_handler(MessageHandler handler) { m_message_handler = std::move(handler); }

    // While the start-up thread fills the Document, what is meant for it waits: the contact
    // store's notices and the command lines for the main window, and every message for a
    // window the shell did not make (the phone line's). The splash, which sees the thread
    // end, then hands the store's handler over and the waiting messages follow in order.
    void hold_document_messages();
    void release_document_messages(MessageHandler handler);
    // Dispatches what is in the queue now, as the loop would, without a frame; a quit stays
    // for the loop.
    void dispatch_waiting_messages();
    // Closed before the hand-over: what waited is dropped with the Document.
    void discard_document_messages();

    platform::WindowHandle main_window() const { return m_window; }
    const platform::WString& class_name() const { return m_class_name; }
    bool windowed() const { return m_windowed; }
    bool inactive() const { return m_inactive; }
    bool resting() const { return m_resting; }
    bool has_display() const { return m_display != nullptr; }
    display::Display* display() { return m_display.get(); }
    display::Backend& backend() { return m_backend; }
    const UsableArea& usable_area() const { return m_area; }
    zentra::EditNode* edit_node() const { return m_edit; }
    bool sip_preference() const { return m_sip_preference; }
    ScreenRecorder& recorder() { return m_recorder; }

private:
    intptr_t window_proc(platform::WindowHandle window, uint32_t message, uintptr_t wparam,
                         intptr_t lparam);
    void on_key_message(uint32_t message, uintptr_t wparam, intptr_t lparam);
    void on_hot_key(uintptr_t wparam, intptr_t lparam);
    void on_char(uintptr_t wparam, intptr_t lparam);
    // Typed text: to the bridged edit, else to the top form.
    void deliver_text(platform::WStringView text);
    void set_composition(platform::WString text, size_t caret);
    void on_copy_data(intptr_t lparam);
    void on_timer_frame();
    void end_rest_kept_in_place();
    // A message for a window the shell did not make: the phone line's hidden window.
    bool is_line_event(const platform::Message& message) const;
    // True when the message was taken to wait for the hand-over.
    bool hold(const platform::Message& message);
    // A thread message to the scheduler, a message for the Document held while the start-up
    // runs, anything else to its window.
    void route(const platform::Message& message);
    void on_paint();
    void on_stylus(uint32_t message, intptr_t lparam);
    void deliver_pointer_up();
    // Elapsed time since the last frame, clamped; stores now as the last frame tick.
    double take_elapsed();
    void create_display();
    // The bridged edit's text after typing: automatic capitals, then handed to the edit.
    void edit_typed(platform::WString text);
    void place_edit();

    Application& m_application;
    display::Backend& m_backend;

    // The base part.
    platform::WString m_class_name;
    platform::WString m_name;
    std::unique_ptr<CActiveScheduler> m_scheduler;

    platform::WindowHandle m_window;
    zentra::EditNode* m_edit = nullptr;
    // What the text input holds for the bridged edit, with every line break as "\n".
    platform::WString m_edit_text;
    // The input method's composition, and the units of the next one while they arrive.
    platform::WString m_composition;
    size_t m_composition_caret = 0;
    platform::WString m_composition_units;
    // The first half of a character outside the 16-bit range, until its second half comes.
    char16_t m_high_surrogate = 0;
    platform::Message m_msg;
    bool m_inactive = false;
    bool m_resting = false;
    uint32_t m_rest_start = 0;
    zentra::Point m_last_up{kNoPosition, kNoPosition};
    bool m_captured = false;
    bool m_sip_preference = false;
    uint32_t m_last_frame = 0;
    std::unique_ptr<display::Display> m_display;
    bool m_windowed = true;
    bool m_show_task_bar = true;
    bool m_input_captured = true;
    display::DisplayParams m_params;
    zentra::RenderSurface m_paint_surface;
    bool m_paint_pending = false;
    std::deque<platform::WString> m_command_lines;
    zentra::ScreenMetrics m_metrics;
    UsableArea m_area;
    MessageHandler m_message_handler;
    bool m_holding = false;
    std::deque<platform::Message> m_held;
    std::unique_ptr<MessageScheduler> m_message_scheduler;
    ScreenRecorder m_recorder;
    bool m_timer_running = false;
    bool m_closing = false;

    static inline GameBase* s_instance = nullptr;
};

}  // namespace velvane
