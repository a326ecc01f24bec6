#include "display/sdl_events.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace velvane::display;
using platform::Message;

namespace {

SDL_Event key_event(Uint32 type, SDL_Keycode sym, bool repeat = false,
                    SDL_Scancode scancode = SDL_SCANCODE_UNKNOWN) {
    SDL_Event e{};
    e.type = type;
    e.key.keysym.sym = sym;
    e.key.keysym.scancode = scancode;
    e.key.repeat = repeat ? 1 : 0;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    return e;
}

SDL_Event button_event(Uint32 type, int x, int y, Uint8 button = SDL_BUTTON_LEFT,
                       Uint32 which = 0) {
    SDL_Event e{};
    e.type = type;
    e.button.button = button;
    e.button.which = which;
    e.button.x = x;
    e.button.y = y;
    return e;
}

SDL_Event motion_event(int x, int y, Uint32 which = 0) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.which = which;
    e.motion.x = x;
    e.motion.y = y;
    e.motion.state = SDL_BUTTON_LMASK;
    return e;
}

SDL_Event finger_event(Uint32 type, SDL_FingerID id, float x, float y) {
    SDL_Event e{};
    e.type = type;
    e.tfinger.fingerId = id;
    e.tfinger.x = x;
    e.tfinger.y = y;
    return e;
}

SDL_Event window_event(Uint8 which) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = which;
    return e;
}

// A 480 x 800 picture in an unscaled window for the orientation.
TranslateState portrait(int orientation) {
    TranslateState s;
    s.window = platform::WindowHandle{7};
    s.orientation = orientation;
    s.draw_width = 480;
    s.draw_height = 800;
    s.window_width = orientation & 1 ? 800 : 480;
    s.window_height = orientation & 1 ? 480 : 800;
    return s;
}

std::pair<int, int> decode(intptr_t lparam) {
    return {static_cast<int16_t>(lparam & 0xFFFF), static_cast<int16_t>((lparam >> 16) & 0xFFFF)};
}

// The program point a press at window (u, v) arrives at.
std::pair<int, int> tap(double u, double v, const TranslateState& state) {
    const std::vector<Message> m = translate_event(
        button_event(SDL_MOUSEBUTTONDOWN, static_cast<int>(u), static_cast<int>(v)), state);
    if (m.size() != 1 || m[0].message != platform::WM_LBUTTONDOWN) {
        ADD_FAILURE() << "no press";
        return {-99999, -99999};
    }
    return decode(m[0].lparam);
}

}  // namespace

TEST(SdlKeys, KeysArriveAsHandheldVirtualKeys) {
    const std::vector<std::pair<SDL_Keycode, int>> keys = {
        {SDLK_a, 65},        {SDLK_z, 90},         {SDLK_0, 48},           {SDLK_9, 57},
        {SDLK_KP_0, 96},     {SDLK_KP_1, 97},      {SDLK_KP_9, 105},       {SDLK_LEFT, 37},
        {SDLK_UP, 38},       {SDLK_RIGHT, 39},     {SDLK_DOWN, 40},        {SDLK_RETURN, 13},
        {SDLK_SPACE, 32},    {SDLK_BACKSPACE, 8},  {SDLK_ESCAPE, 27},      {SDLK_DELETE, 46},
        {SDLK_INSERT, 45},   {SDLK_HOME, 36},      {SDLK_END, 35},         {SDLK_PAGEUP, 33},
        {SDLK_PAGEDOWN, 34}, {SDLK_TAB, 9},        {SDLK_APPLICATION, 93}, {SDLK_MENU, 93},
        {SDLK_LSHIFT, 16},   {SDLK_RSHIFT, 16},    {SDLK_RCTRL, 17},       {SDLK_LALT, 18},
        {SDLK_F1, 112},      {SDLK_F3, 114},       {SDLK_F9, 120},         {SDLK_KP_MULTIPLY, 106},
        {SDLK_KP_PLUS, 107}, {SDLK_KP_MINUS, 109}, {SDLK_KP_PERIOD, 110},  {SDLK_KP_DIVIDE, 111},
    };
    for (const auto& [sym, vk] : keys) {
        const std::vector<Message> m = translate_event(key_event(SDL_KEYDOWN, sym), portrait(0));
        ASSERT_EQ(m.size(), 1u) << SDL_GetKeyName(sym);
        EXPECT_EQ(m[0].message, platform::WM_KEYDOWN);
        EXPECT_EQ(m[0].wparam, static_cast<uintptr_t>(vk)) << SDL_GetKeyName(sym);
        EXPECT_EQ(m[0].window, platform::WindowHandle{7});
    }
}

TEST(SdlKeys, UnknownKeysGiveNothing) {
    for (const SDL_Keycode sym : {SDLK_F10, SDLK_F12, SDLK_CAPSLOCK, SDLK_PRINTSCREEN, SDLK_EQUALS})
        EXPECT_TRUE(translate_event(key_event(SDL_KEYDOWN, sym), portrait(0)).empty())
            << SDL_GetKeyName(sym);
}

TEST(SdlKeys, NonLatinLayoutFindsLettersByPosition) {
    // Cyrillic short i sits where Q is.
    const auto m =
        translate_event(key_event(SDL_KEYDOWN, 0x0439, false, SDL_SCANCODE_Q), portrait(0));
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].wparam, 81u);
}

TEST(SdlKeys, RepeatAndReleaseBits) {
    const auto first = translate_event(key_event(SDL_KEYDOWN, SDLK_a), portrait(0));
    const auto again = translate_event(key_event(SDL_KEYDOWN, SDLK_a, true), portrait(0));
    const auto up = translate_event(key_event(SDL_KEYUP, SDLK_a), portrait(0));
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(again.size(), 1u);
    ASSERT_EQ(up.size(), 1u);
    EXPECT_EQ(first[0].lparam & (1 << 30), 0);
    EXPECT_EQ(first[0].lparam & (intptr_t{1} << 31), 0);
    EXPECT_NE(again[0].lparam & (1 << 30), 0);
    EXPECT_EQ(again[0].lparam & (intptr_t{1} << 31), 0);
    EXPECT_EQ(up[0].message, platform::WM_KEYUP);
    EXPECT_NE(up[0].lparam & (intptr_t{1} << 31), 0);
}

TEST(SdlText, EveryUtf16UnitIsOneCharacter) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    // "a", the euro sign and a face outside the basic plane.
    SDL_strlcpy(e.text.text, "a\xE2\x82\xAC\xF0\x9F\x98\x80", sizeof e.text.text);
    const auto m = translate_event(e, portrait(0));
    ASSERT_EQ(m.size(), 4u);
    const uintptr_t expected[] = {u'a', 0x20AC, 0xD83D, 0xDE00};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(m[i].message, platform::WM_CHAR);
        EXPECT_EQ(m[i].wparam, expected[i]);
    }
}

// Typed text without its control characters, and compositions with their caret counted in
// UTF-16 units: each event as the messages it gives, written "c:x" for WM_CHAR x, "u:x" for
// a composition unit and "=N" for the composition with its caret at N.
TEST(SdlText, TextAndCompositionsBecomeCharactersAndCompositionMessages) {
    struct Case {
        Uint32 type;
        const char* utf8;
        int start;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {SDL_TEXTINPUT, "a\r\x1b\b\tb\x7f", 0, {"c:97", "c:98"}},
        {SDL_TEXTINPUT, "", 0, {}},
        {SDL_TEXTEDITING, "ni", 1, {"u:110", "u:105", "=1"}},
        // The caret follows a character beyond 16 bits by both its halves.
        {SDL_TEXTEDITING, "\xF0\x9F\x98\x80z", 1, {"u:55357", "u:56832", "u:122", "=2"}},
        {SDL_TEXTEDITING, "ab", 9, {"u:97", "u:98", "=2"}},
        {SDL_TEXTEDITING, "ab", -3, {"u:97", "u:98", "=0"}},
        // An empty composition: the composing is over.
        {SDL_TEXTEDITING, "", 0, {"=0"}},
        {SDL_TEXTEDITING_EXT, "\xE4\xB8\xAD\xE6\x96\x87", 2, {"u:20013", "u:25991", "=2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        SDL_Event e{};
        e.type = c.type;
        std::string ext = c.utf8;
        if (c.type == SDL_TEXTINPUT) {
            SDL_strlcpy(e.text.text, c.utf8, sizeof e.text.text);
        } else if (c.type == SDL_TEXTEDITING) {
            SDL_strlcpy(e.edit.text, c.utf8, sizeof e.edit.text);
            e.edit.start = c.start;
        } else {
            e.editExt.text = ext.data();
            e.editExt.start = c.start;
        }
        std::vector<std::string> got;
        for (const Message& m : translate_event(e, portrait(0))) {
            EXPECT_EQ(m.window, platform::WindowHandle{7});
            if (m.message == platform::WM_CHAR)
                got.push_back("c:" + std::to_string(m.wparam));
            else if (m.message == kCompositionUnit)
                got.push_back("u:" + std::to_string(m.wparam));
            else if (m.message == kComposition)
                got.push_back("=" + std::to_string(m.wparam));
            else
                got.push_back("?" + std::to_string(m.message));
        }
        EXPECT_EQ(got, c.expected);
    }
}

TEST(SdlPointer, CornersFollowTheClockwiseTurn) {
    // Where the program's top-left and top-right pixels are shown in the window.
    struct Case {
        int orientation;
        std::pair<int, int> top_left_at, top_right_at;
    };
    const Case cases[] = {
        {0, {0, 0}, {479, 0}},
        {1, {799, 0}, {799, 479}},
        {2, {479, 799}, {0, 799}},
        {3, {0, 479}, {0, 0}},
    };
    for (const Case& c : cases) {
        const TranslateState s = portrait(c.orientation);
        EXPECT_EQ(tap(c.top_left_at.first, c.top_left_at.second, s), std::make_pair(0, 0))
            << "orientation " << c.orientation;
        EXPECT_EQ(tap(c.top_right_at.first, c.top_right_at.second, s), std::make_pair(479, 0))
            << "orientation " << c.orientation;
    }
}

TEST(SdlPointer, StretchedWindowScalesBackToPicturePixels) {
    TranslateState s = portrait(0);
    s.window_width = 960;  // twice the picture
    s.window_height = 1600;
    EXPECT_EQ(tap(959, 1599, s), std::make_pair(479, 799));
    EXPECT_EQ(tap(101, 201, s), std::make_pair(50, 100));

    s = portrait(1);
    s.window_width = 400;  // half the turned picture: a window pixel covers two by two
    s.window_height = 240;
    EXPECT_EQ(tap(399, 0, s), std::make_pair(1, 0));
    EXPECT_EQ(tap(0, 0, s), std::make_pair(1, 798));
}

TEST(SdlPointer, PressMoveReleaseFromTheMouse) {
    TranslateState s = portrait(0);
    EXPECT_TRUE(translate_event(motion_event(5, 5), s).empty()) << "hovering is no stylus";

    const SDL_Event down = button_event(SDL_MOUSEBUTTONDOWN, 10, 20);
    ASSERT_EQ(translate_event(down, s).size(), 1u);
    follow_event(down, s);
    EXPECT_EQ(s.pointer, TranslateState::Pointer::Mouse);

    const auto move = translate_event(motion_event(11, 22), s);
    ASSERT_EQ(move.size(), 1u);
    EXPECT_EQ(move[0].message, platform::WM_MOUSEMOVE);
    EXPECT_EQ(decode(move[0].lparam), std::make_pair(11, 22));

    // Released outside the window, above and to the left.
    const SDL_Event up = button_event(SDL_MOUSEBUTTONUP, -5, -3);
    const auto release = translate_event(up, s);
    ASSERT_EQ(release.size(), 1u);
    EXPECT_EQ(release[0].message, platform::WM_LBUTTONUP);
    EXPECT_EQ(decode(release[0].lparam), std::make_pair(-5, -3));
    follow_event(up, s);
    EXPECT_EQ(s.pointer, TranslateState::Pointer::None);

    EXPECT_TRUE(
        translate_event(button_event(SDL_MOUSEBUTTONDOWN, 1, 1, SDL_BUTTON_RIGHT), s).empty());
    EXPECT_TRUE(translate_event(up, s).empty()) << "a release without a press";
}

TEST(SdlPointer, OneFingerIsTheStylusAndItsMouseTwinIsIgnored) {
    TranslateState s = portrait(1);
    // Top-right corner of the turned window is the program's origin.
    const SDL_Event down = finger_event(SDL_FINGERDOWN, 4, 1.0f, 0.0f);
    const auto press = translate_event(down, s);
    ASSERT_EQ(press.size(), 1u);
    EXPECT_EQ(press[0].message, platform::WM_LBUTTONDOWN);
    EXPECT_EQ(decode(press[0].lparam), std::make_pair(0, 0));
    follow_event(down, s);

    EXPECT_TRUE(
        translate_event(
            button_event(SDL_MOUSEBUTTONDOWN, 799, 0, SDL_BUTTON_LEFT, SDL_TOUCH_MOUSEID), s)
            .empty());
    EXPECT_TRUE(translate_event(motion_event(700, 10, SDL_TOUCH_MOUSEID), s).empty());

    const SDL_Event other = finger_event(SDL_FINGERDOWN, 5, 0.5f, 0.5f);
    EXPECT_TRUE(translate_event(other, s).empty());
    follow_event(other, s);
    EXPECT_TRUE(translate_event(finger_event(SDL_FINGERUP, 5, 0.5f, 0.5f), s).empty());

    const auto move = translate_event(finger_event(SDL_FINGERMOTION, 4, 0.5f, 0.5f), s);
    ASSERT_EQ(move.size(), 1u);
    EXPECT_EQ(move[0].message, platform::WM_MOUSEMOVE);
    EXPECT_EQ(decode(move[0].lparam), std::make_pair(240, 399));

    const SDL_Event up = finger_event(SDL_FINGERUP, 4, 0.0f, 1.0f);
    const auto release = translate_event(up, s);
    ASSERT_EQ(release.size(), 1u);
    EXPECT_EQ(release[0].message, platform::WM_LBUTTONUP);
    EXPECT_EQ(decode(release[0].lparam), std::make_pair(479, 799));
    follow_event(up, s);
    EXPECT_EQ(s.pointer, TranslateState::Pointer::None);
}

TEST(SdlPointer, TextAreaLandsWhereTheWindowShowsIt) {
    const Area area{10, 20, 100, 50};
    for (int orientation = 0; orientation < 4; ++orientation) {
        TranslateState s = portrait(orientation);
        s.window_width *= 2;
        s.window_height *= 2;
        const Area shown = program_to_window(area, s);
        EXPECT_EQ(shown.w * shown.h, 200 * 100 * 1) << "orientation " << orientation;
        // Its inner corners lead back into the program's rectangle, at opposite corners.
        const zentra::Point p = window_to_program(shown.x + 0.5, shown.y + 0.5, s);
        const zentra::Point q =
            window_to_program(shown.x + shown.w - 0.5, shown.y + shown.h - 0.5, s);
        EXPECT_EQ(std::min(p.x, q.x), 10) << "orientation " << orientation;
        EXPECT_EQ(std::max(p.x, q.x), 109) << "orientation " << orientation;
        EXPECT_EQ(std::min(p.y, q.y), 20) << "orientation " << orientation;
        EXPECT_EQ(std::max(p.y, q.y), 69) << "orientation " << orientation;
    }
}

TEST(SdlWindow, FocusLossWhileHeldCancelsTheStylus) {
    TranslateState s = portrait(0);
    const SDL_Event lost = window_event(SDL_WINDOWEVENT_FOCUS_LOST);
    auto m = translate_event(lost, s);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].message, platform::WM_ACTIVATE);
    EXPECT_EQ(m[0].wparam, platform::WA_INACTIVE);

    follow_event(button_event(SDL_MOUSEBUTTONDOWN, 1, 1), s);
    m = translate_event(lost, s);
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].message, platform::WM_CAPTURECHANGED);
    EXPECT_EQ(m[1].message, platform::WM_ACTIVATE);
    follow_event(lost, s);
    EXPECT_EQ(s.pointer, TranslateState::Pointer::None);
    EXPECT_TRUE(translate_event(button_event(SDL_MOUSEBUTTONUP, 1, 1), s).empty());
}

TEST(SdlWindow, WindowEventsBecomeShellMessages) {
    const TranslateState s = portrait(0);
    auto one = [&](const SDL_Event& e) {
        const auto m = translate_event(e, s);
        EXPECT_EQ(m.size(), 1u);
        return m.empty() ? Message{} : m[0];
    };
    // Losing the window's place (focus, minimised, hidden) deactivates; getting it back
    // activates.
    const std::pair<Uint8, uintptr_t> activation[] = {
        {SDL_WINDOWEVENT_FOCUS_GAINED, platform::WA_ACTIVE},
        {SDL_WINDOWEVENT_RESTORED, platform::WA_ACTIVE},
        {SDL_WINDOWEVENT_MINIMIZED, platform::WA_INACTIVE},
        {SDL_WINDOWEVENT_HIDDEN, platform::WA_INACTIVE}};
    Message m;
    for (const auto& [event, state] : activation) {
        m = one(window_event(event));
        EXPECT_EQ(m.message, platform::WM_ACTIVATE) << int(event);
        EXPECT_EQ(m.wparam, state) << int(event);
    }
    m = one(window_event(SDL_WINDOWEVENT_SIZE_CHANGED));
    EXPECT_EQ(m.message, platform::WM_SETTINGCHANGE);
    EXPECT_EQ(m.wparam, 47u);
    EXPECT_EQ(one(window_event(SDL_WINDOWEVENT_CLOSE)).message, platform::WM_CLOSE);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    EXPECT_EQ(one(quit).message, platform::WM_CLOSE);
    EXPECT_TRUE(translate_event(window_event(SDL_WINDOWEVENT_MOVED), s).empty());
}
