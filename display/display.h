#pragma once
// The display back end: what the program shell needs of the screen. One back end per run,
// chosen at start-up: the SDL2 window, or the headless presenter that keeps frames in memory.
//
// The back end also owns the program's outside input (window events, or the input script of
// a headless run); it turns that input into window messages for the main window, so the rest
// of the program only ever sees its own message queue.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/ustring.h"
#include "platform/window.h"
#include "skin/render_surface.h"

namespace velvane::display {

// WM_SETTINGCHANGE's wparam when the screen's size or orientation changed: the back end posts
// it to the main window, which then re-reads the screen metrics.
inline constexpr uintptr_t kSpiSetWorkArea = 47;

// An input method's composition (text being composed, not yet typed), as messages so that it
// keeps its place among the keys and characters around it: one kCompositionUnit per UTF-16
// unit of the composition (wparam: the unit), then kComposition (wparam: the caret, in units
// from the start of the composition): the composition is now exactly those units. A
// kComposition without units before it ends the composition. What is composed is typed as
// WM_CHAR messages, which also end the composition.
inline constexpr uint32_t kCompositionUnit = 0x400 + 40;  // WM_USER + 40
inline constexpr uint32_t kComposition = 0x400 + 41;      // WM_USER + 41

// What the screen is: its size in pixels (as the program draws it, already turned for the
// orientation), the orientation 0-3 in quarter turns, and the vertical dots per inch.
struct ScreenInfo {
    int width = 0;
    int height = 0;
    int orientation = 0;
    int dpi_y = 96;
    friend bool operator==(const ScreenInfo&, const ScreenInfo&) = default;
};

// The display parameters of a display object. Creation overwrites them with what is in force.
struct DisplayParams {
    int width = 0;
    int height = 0;
    int orientation = 0;
    int swap_effect = 1;  // 0 is taken as 1: discard
};

// A display object: a 16-bit back buffer the size of the screen, presented each frame.
class Display {
public:
    virtual ~Display() = default;
    // False when no frame can be drawn now (the frame is then skipped). When the screen has
    // changed size since the last frame (a resized window), the back buffer takes the new
    // size here, so that it always matches the screen metrics the program lays out against.
    virtual bool begin_frame() = 0;
    // RGB565, the size of the screen as of the last begin_frame.
    virtual zentra::RenderSurface& back_buffer() = 0;
    // Shows the back buffer, turned for the orientation. flags is 0.
    virtual void present(int flags) = 0;
};

// A rectangle in screen pixels (the text-input area of an edit field).
struct Area {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
};

class Backend {
public:
    virtual ~Backend() = default;

    virtual ScreenInfo screen() const = 0;

    // A display object for the main window; null on failure. params is in/out.
    virtual std::unique_ptr<Display> create_display(DisplayParams& params) = 0;

    // The window that outside input is addressed to; set once the main window exists.
    virtual void set_main_window(platform::WindowHandle window) = 0;

    // Turns the outside input that has arrived into messages posted to the main window.
    virtual void pump_input() = 0;

    // The pause of the message loop: between two frames (ms is the loop's 10 ms) and while
    // the loop rests. Outside input may end it early. A headless run advances its clock here
    // by one frame step, whatever ms is.
    virtual void pause(uint32_t ms) = 0;

    // Drawing through the window, while there is no display object: shows picture (the size
    // of the screen) in the window.
    virtual void paint(zentra::RenderSurface& /*picture*/) {}

    // Text input for an edit field at area: typed text arrives as WM_CHAR messages, and an
    // input method's composition as kCompositionUnit and kComposition, while it is on. A back
    // end with a keyboard of its own delivers typed text also while no edit has asked for it
    // (for the top form); stop_text_input then only takes the input away from the edit.
    virtual void start_text_input(const Area& area) = 0;
    virtual void stop_text_input() = 0;

    // Window management: minimise (hand the screen to the desktop), raise and focus.
    virtual void minimize() = 0;
    virtual void raise() = 0;

    // A message box with one OK button; blocks until it is closed. Without a display it
    // writes the text to the log and standard error.
    virtual void message_box(platform::WStringView caption, platform::WStringView text) = 0;

    // True once the run should end for reasons outside the program (a script's quit).
    virtual bool finished() const = 0;
};

}  // namespace velvane::display
