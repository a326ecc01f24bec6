#pragma once
// SDL events turned into the main window's messages. Pure functions of the event and of what
// the window looks like now, so they can be tested without a window.
//
// Geometry: the program draws a picture of draw_width x draw_height. The window shows it
// turned clockwise by orientation quarter turns and stretched to fill the window, so a window
// of W x H (window units) shows an upright picture of draw_width x draw_height when the
// orientation is even and of draw_height x draw_width when it is odd.

#include <SDL.h>

#include <cstdint>
#include <vector>

#include "display/display.h"
#include "platform/messages.h"
#include "skin/geometry.h"

namespace velvane::display {

// Key message lparam bits: the key was already down (an automatic repeat, or any release),
// and the key goes up.
inline constexpr uint32_t kKeyPreviousState = 1u << 30;
inline constexpr uint32_t kKeyTransition = 1u << 31;

struct TranslateState {
    platform::WindowHandle window;  // where the messages go
    int orientation = 0;            // 0-3 quarter turns, clockwise
    int draw_width = 0;
    int draw_height = 0;
    int window_width = 0;  // window units, as mouse coordinates are given
    int window_height = 0;

    // Which pointer holds the stylus: press and release pairs come from one source only.
    enum class Pointer { None, Mouse, Finger };
    Pointer pointer = Pointer::None;
    SDL_FingerID finger = 0;
};

// The handheld virtual key of an SDL key, 0 when the program knows no such key. Letters and
// digits of layouts that give no Latin keycode fall back to the key's position.
int virtual_key(SDL_Keycode key, SDL_Scancode scancode);

// A pointer position as WM_LBUTTON* carry it: x in the low word, y in the high word, each as
// a 16-bit two's complement value (a release outside the window may be negative). Read back
// with static_cast<int16_t> of each word.
intptr_t pointer_lparam(int x, int y);

// A point of the window (window units, fractions allowed) in program pixels.
zentra::Point window_to_program(double u, double v, const TranslateState& state);
// A program rectangle in window units: where the window shows it.
Area program_to_window(const Area& area, const TranslateState& state);

// The messages an event means, each addressed to state.window and stamped with the tick
// count now. Events the program has no use for give none. Typed text gives one WM_CHAR per
// UTF-16 unit, without control characters (those keys come as keys only); an input method's
// composition gives kCompositionUnit messages and one kComposition.
std::vector<platform::Message> translate_event(const SDL_Event& event, const TranslateState& state);

// Which pointer holds the stylus after the event (the caller keeps the state).
void follow_event(const SDL_Event& event, TranslateState& state);

}  // namespace velvane::display
