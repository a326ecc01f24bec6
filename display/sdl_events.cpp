#include "display/sdl_events.h"

#include <algorithm>
#include <cmath>

#include "platform/clock.h"
#include "platform/ustring.h"

namespace velvane::display {

namespace {

struct KeyPair {
    SDL_Keycode key;
    int virtual_key;
};

constexpr KeyPair kNamedKeys[] = {
    {SDLK_KP_0, 96},
    {SDLK_LEFT, 37},
    {SDLK_UP, 38},
    {SDLK_RIGHT, 39},
    {SDLK_DOWN, 40},
    {SDLK_RETURN, 13},
    {SDLK_KP_ENTER, 13},
    {SDLK_SPACE, 32},
    {SDLK_BACKSPACE, 8},
    {SDLK_ESCAPE, 27},
    {SDLK_DELETE, 46},
    {SDLK_INSERT, 45},
    {SDLK_HOME, 36},
    {SDLK_END, 35},
    {SDLK_PAGEUP, 33},
    {SDLK_PAGEDOWN, 34},
    {SDLK_TAB, 9},
    {SDLK_MENU, 93},
    {SDLK_APPLICATION, 93},
    {SDLK_LSHIFT, 16},
    {SDLK_RSHIFT, 16},
    {SDLK_LCTRL, 17},
    {SDLK_RCTRL, 17},
    {SDLK_LALT, 18},
    {SDLK_RALT, 18},
    {SDLK_KP_MULTIPLY, 106},
    {SDLK_KP_PLUS, 107},
    {SDLK_KP_MINUS, 109},
    {SDLK_KP_PERIOD, 110},
    {SDLK_KP_DIVIDE, 111},
    // A phone's own volume keys are the handheld's F6 and F7.
    {SDLK_VOLUMEUP, 117},
    {SDLK_VOLUMEDOWN, 118},
};

int named_virtual_key(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) {
        return 'A' + (key - SDLK_a);
    }
    if (key >= SDLK_0 && key <= SDLK_9) {
        return '0' + (key - SDLK_0);
    }
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) {
        return 97 + (key - SDLK_KP_1);
    }
    if (key >= SDLK_F1 && key <= SDLK_F9) {
        return 112 + (key - SDLK_F1);
    }
    for (const KeyPair& pair : kNamedKeys) {
        if (pair.key == key) {
            return pair.virtual_key;
        }
    }
    return 0;
}

platform::Message message(const TranslateState& state, uint32_t id, uintptr_t wparam,
                          intptr_t lparam) {
    return {state.window, id, wparam, lparam, platform::tick_count()};
}

platform::Message pointer_message(const TranslateState& state, uint32_t id, double u, double v) {
    const zentra::Point p = window_to_program(u, v, state);
    return message(state, id, 0, pointer_lparam(p.x, p.y));
}

// The mouse names whole window pixels; their centres decide which picture pixel is meant when
// the window is scaled.
platform::Message mouse_message(const TranslateState& state, uint32_t id, int x, int y) {
    return pointer_message(state, id, x + 0.5, y + 0.5);
}

// Fingers report fractions of the window; the far edges (1.0) belong to the last pixel.
void finger_point(const SDL_TouchFingerEvent& finger, const TranslateState& state, double& u,
                  double& v) {
    const double w = std::max(state.window_width, 1);
    const double h = std::max(state.window_height, 1);
    u = std::clamp(static_cast<double>(finger.x), 0.0, 1.0) * w;
    v = std::clamp(static_cast<double>(finger.y), 0.0, 1.0) * h;
    u = std::min(u, w - 0.5);
    v = std::min(v, h - 0.5);
}

// Typed text: control characters (Enter, Escape, Backspace, Tab and Delete give them on some
// platforms) are keys, never text.
void text_messages(const char* utf8, const TranslateState& state,
                   std::vector<platform::Message>& out) {
    for (const char16_t unit : platform::from_utf8(utf8 ? utf8 : "")) {
        if (unit >= 32 && unit != 127)
            out.push_back(message(state, platform::WM_CHAR, unit, 1));
    }
}

// The composition with its caret, which the input method counts in characters.
void composition_messages(const char* utf8, int start, const TranslateState& state,
                          std::vector<platform::Message>& out) {
    const platform::WString text = platform::from_utf8(utf8 ? utf8 : "");
    size_t caret = 0;
    for (int chars = 0; caret < text.size() && chars < start; ++chars) {
        const bool pair = (text[caret] & 0xFC00) == 0xD800 && caret + 1 < text.size() &&
                          (text[caret + 1] & 0xFC00) == 0xDC00;
        caret += pair ? 2 : 1;
    }
    for (const char16_t unit : text)
        out.push_back(message(state, kCompositionUnit, unit, 0));
    out.push_back(message(state, kComposition, caret, 0));
}

void window_event(const SDL_WindowEvent& window, const TranslateState& state,
                  std::vector<platform::Message>& out) {
    using namespace platform;
    switch (window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            out.push_back(message(state, WM_ACTIVATE, WA_ACTIVE, 0));
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            // The stylus cannot be released where we would see it any more.
            if (state.pointer != TranslateState::Pointer::None)
                out.push_back(message(state, WM_CAPTURECHANGED, 0, 0));
            out.push_back(message(state, WM_ACTIVATE, WA_INACTIVE, 0));
            break;
        // Minimised or hidden, the window has lost its place even where the focus stays;
        // back on screen it has it again.
        case SDL_WINDOWEVENT_MINIMIZED:
        case SDL_WINDOWEVENT_HIDDEN:
            out.push_back(message(state, WM_ACTIVATE, WA_INACTIVE, 0));
            break;
        case SDL_WINDOWEVENT_RESTORED:
            out.push_back(message(state, WM_ACTIVATE, WA_ACTIVE, 0));
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            out.push_back(message(state, WM_SETTINGCHANGE, kSpiSetWorkArea, 0));
            break;
        case SDL_WINDOWEVENT_CLOSE:
            out.push_back(message(state, WM_CLOSE, 0, 0));
            break;
        default:
            break;
    }
}

}  // namespace

int virtual_key(SDL_Keycode key, SDL_Scancode scancode) {
    if (const int vk = named_virtual_key(key))
        return vk;
    // Layouts without Latin letters still bind the program's letter keys by position.
    if (key >= 0x80 && !(key & SDLK_SCANCODE_MASK)) {
        if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
            return 'A' + (scancode - SDL_SCANCODE_A);
        if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
            return '1' + (scancode - SDL_SCANCODE_1);
        if (scancode == SDL_SCANCODE_0)
            return '0';
    }
    return 0;
}

intptr_t pointer_lparam(int x, int y) {
    const uint32_t packed =
        (static_cast<uint32_t>(x) & 0xFFFF) | ((static_cast<uint32_t>(y) & 0xFFFF) << 16);
    return static_cast<intptr_t>(packed);
}

zentra::Point window_to_program(double u, double v, const TranslateState& state) {
    const int w = state.draw_width;
    const int h = state.draw_height;
    const int orientation = state.orientation & 3;
    const bool turned = orientation & 1;
    const int upright_w = turned ? h : w;
    const int upright_h = turned ? w : h;
    // Into the upright picture's pixels; the window may be larger or smaller than it.
    if (state.window_width > 0)
        u = u * upright_w / state.window_width;
    if (state.window_height > 0)
        v = v * upright_h / state.window_height;
    const int a = static_cast<int>(std::floor(u));
    const int b = static_cast<int>(std::floor(v));
    // Undo the clockwise turn.
    switch (orientation) {
        case 1:
            return {b, h - 1 - a};
        case 2:
            return {w - 1 - a, h - 1 - b};
        case 3:
            return {w - 1 - b, a};
        default:
            return {a, b};
    }
}

Area program_to_window(const Area& area, const TranslateState& state) {
    const int w = state.draw_width;
    const int h = state.draw_height;
    const int orientation = state.orientation & 3;
    const bool turned = orientation & 1;
    const int upright_w = turned ? h : w;
    const int upright_h = turned ? w : h;
    // Edges rather than pixels: a rectangle's far edge lands on the far edge.
    const double x0 = area.x, y0 = area.y, x1 = area.x + area.w, y1 = area.y + area.h;
    double a0, b0, a1, b1;
    switch (orientation) {
        case 1:
            a0 = h - y1;
            a1 = h - y0;
            b0 = x0;
            b1 = x1;
            break;
        case 2:
            a0 = w - x1;
            a1 = w - x0;
            b0 = h - y1;
            b1 = h - y0;
            break;
        case 3:
            a0 = y0;
            a1 = y1;
            b0 = w - x1;
            b1 = w - x0;
            break;
        default:
            a0 = x0;
            a1 = x1;
            b0 = y0;
            b1 = y1;
            break;
    }
    const double sx = upright_w > 0 ? static_cast<double>(state.window_width) / upright_w : 1.0;
    const double sy = upright_h > 0 ? static_cast<double>(state.window_height) / upright_h : 1.0;
    const int left = static_cast<int>(std::lround(a0 * sx));
    const int top = static_cast<int>(std::lround(b0 * sy));
    return {left, top, static_cast<int>(std::lround(a1 * sx)) - left,
            static_cast<int>(std::lround(b1 * sy)) - top};
}

std::vector<platform::Message> translate_event(const SDL_Event& event,
                                               const TranslateState& state) {
    using namespace platform;
    using Pointer = TranslateState::Pointer;
    std::vector<Message> out;
    switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const int vk = virtual_key(event.key.keysym.sym, event.key.keysym.scancode);
            if (vk == 0)
                break;
            const bool up = event.type == SDL_KEYUP;
            uint32_t lparam = 1;  // repeat count
            if (up)
                lparam |= kKeyPreviousState | kKeyTransition;
            else if (event.key.repeat)
                lparam |= kKeyPreviousState;
            out.push_back(message(state, up ? WM_KEYUP : WM_KEYDOWN, static_cast<uintptr_t>(vk),
                                  static_cast<intptr_t>(lparam)));
            break;
        }
        case SDL_TEXTINPUT:
            text_messages(event.text.text, state, out);
            break;
        case SDL_TEXTEDITING:
            composition_messages(event.edit.text, event.edit.start, state, out);
            break;
        case SDL_TEXTEDITING_EXT:
            composition_messages(event.editExt.text, event.editExt.start, state, out);
            break;
        case SDL_MOUSEBUTTONDOWN:
            // Touch screens also send mouse events of their own; the finger events stand for them.
            if (event.button.which == SDL_TOUCH_MOUSEID || event.button.button != SDL_BUTTON_LEFT)
                break;
            if (state.pointer == Pointer::None)
                out.push_back(mouse_message(state, WM_LBUTTONDOWN, event.button.x, event.button.y));
            break;
        case SDL_MOUSEBUTTONUP:
            if (event.button.which == SDL_TOUCH_MOUSEID || event.button.button != SDL_BUTTON_LEFT)
                break;
            if (state.pointer == Pointer::Mouse)
                out.push_back(mouse_message(state, WM_LBUTTONUP, event.button.x, event.button.y));
            break;
        case SDL_MOUSEMOTION:
            if (event.motion.which == SDL_TOUCH_MOUSEID)
                break;
            if (state.pointer == Pointer::Mouse)
                out.push_back(mouse_message(state, WM_MOUSEMOVE, event.motion.x, event.motion.y));
            break;
        case SDL_FINGERDOWN:
        case SDL_FINGERMOTION:
        case SDL_FINGERUP: {
            // One finger is the stylus; the others are ignored until it lifts.
            const bool down = event.type == SDL_FINGERDOWN;
            if (down ? state.pointer != Pointer::None
                     : state.pointer != Pointer::Finger || event.tfinger.fingerId != state.finger)
                break;
            double u = 0, v = 0;
            finger_point(event.tfinger, state, u, v);
            const uint32_t id = down                             ? WM_LBUTTONDOWN
                                : event.type == SDL_FINGERMOTION ? WM_MOUSEMOVE
                                                                 : WM_LBUTTONUP;
            out.push_back(pointer_message(state, id, u, v));
            break;
        }
        case SDL_WINDOWEVENT:
            window_event(event.window, state, out);
            break;
        case SDL_QUIT:
            out.push_back(message(state, WM_CLOSE, 0, 0));
            break;
        default:
            break;
    }
    return out;
}

void follow_event(const SDL_Event& event, TranslateState& state) {
    using Pointer = TranslateState::Pointer;
    switch (event.type) {
        case SDL_MOUSEBUTTONDOWN:
            if (event.button.which != SDL_TOUCH_MOUSEID && event.button.button == SDL_BUTTON_LEFT &&
                state.pointer == Pointer::None)
                state.pointer = Pointer::Mouse;
            break;
        case SDL_MOUSEBUTTONUP:
            if (event.button.which != SDL_TOUCH_MOUSEID && event.button.button == SDL_BUTTON_LEFT &&
                state.pointer == Pointer::Mouse)
                state.pointer = Pointer::None;
            break;
        case SDL_FINGERDOWN:
            if (state.pointer == Pointer::None) {
                state.pointer = Pointer::Finger;
                state.finger = event.tfinger.fingerId;
            }
            break;
        case SDL_FINGERUP:
            if (state.pointer == Pointer::Finger && event.tfinger.fingerId == state.finger)
                state.pointer = Pointer::None;
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
                state.pointer = Pointer::None;
            break;
        default:
            break;
    }
}

}  // namespace velvane::display
