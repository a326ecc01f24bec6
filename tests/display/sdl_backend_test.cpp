// The SDL back end on SDL's window-less video driver; skipped where SDL cannot start at all.

#include "display/sdl_backend.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "platform/messages.h"
#include "tests/support/temp_home.h"

using namespace velvane::display;

namespace {

class SdlBackendTest : public testing::Test {
protected:
    void SetUp() override {
        ::setenv("SDL_VIDEODRIVER", "dummy", 1);
        std::string error;
        backend = SdlBackend::open({480, 800, 1, 120}, error);
        if (!backend)
            GTEST_SKIP() << "SDL cannot open a window here: " << error;
        platform::register_window_class(
            u"SdlTarget", [](platform::WindowHandle w, uint32_t m, uintptr_t wp, intptr_t lp) {
                return platform::def_window_proc(w, m, wp, lp);
            });
        target = platform::create_window(u"SdlTarget", u"");
        backend->set_main_window(target);
    }
    void TearDown() override {
        if (!target)
            return;
        take();
        platform::destroy_window(target);
        platform::unregister_window_class(u"SdlTarget");
    }

    std::vector<platform::Message> take() {
        std::vector<platform::Message> out;
        platform::Message m;
        while (platform::peek_message(m, target))
            out.push_back(m);
        return out;
    }

    test_support::TempHome home;
    std::unique_ptr<SdlBackend> backend;
    platform::WindowHandle target;
};

}  // namespace

TEST(SdlBackendOpen, NonsenseSizesAndOrientationsAreRefused) {
    std::string error;
    EXPECT_FALSE(SdlBackend::open({0, 800, 0, 96}, error));
    EXPECT_NE(error.find("out of range"), std::string::npos);
    EXPECT_FALSE(SdlBackend::open({480, 800, 4, 96}, error));
    EXPECT_NE(error.find("orientation"), std::string::npos);
}

TEST_F(SdlBackendTest, TurnedWindowGivesTheProgramItsUprightScreen) {
    const ScreenInfo screen = backend->screen();
    EXPECT_EQ(screen.width, 480);
    EXPECT_EQ(screen.height, 800);
    EXPECT_EQ(screen.orientation, 1);
    EXPECT_EQ(screen.dpi_y, 120);

    DisplayParams params{1, 1, 3, 0};
    auto display = backend->create_display(params);
    ASSERT_TRUE(display);
    EXPECT_EQ(params.width, 480);
    EXPECT_EQ(params.height, 800);
    EXPECT_EQ(params.orientation, 1);
    EXPECT_EQ(params.swap_effect, 1);
    ASSERT_TRUE(display->begin_frame());
    zentra::Bitmap& pixels = *display->back_buffer().bitmap();
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x)
            pixels.row(y)[x] = y < 400 ? 0xF800 : 0x001F;
    display->present(0);
    display->present(0);

    // Drawing through the window uses a picture of its own; the display is untouched.
    zentra::RenderSurface picture;
    picture.recreate(480, 800);
    backend->paint(picture);
    display.reset();
    backend->paint(picture);
}

// The window's pixel at (x, y) by its strongest channel ('r', 'g', 'b'); the turned copy may
// round a channel by one step.
char window_colour(SDL_Window* window, int x, int y) {
    SDL_Renderer* renderer = SDL_GetRenderer(window);
    uint32_t pixel = 0;
    SDL_Rect one{x, y, 1, 1};
    if (SDL_RenderReadPixels(renderer, &one, SDL_PIXELFORMAT_ARGB8888, &pixel, 4) != 0)
        return '?';
    const int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
    if (r > 200 && g < 50 && b < 50)
        return 'r';
    if (g > 200 && r < 50 && b < 50)
        return 'g';
    if (b > 200 && r < 50 && g < 50)
        return 'b';
    return '?';
}

TEST_F(SdlBackendTest, PictureIsShownTurnedTheWayTapsAreTurnedBack) {
    DisplayParams params;
    auto display = backend->create_display(params);
    ASSERT_TRUE(display);
    zentra::Bitmap& pixels = *display->back_buffer().bitmap();
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x)
            pixels.row(y)[x] = x < 10 && y < 10 ? 0x07E0 : 0x001F;
    display->present(0);
    // Orientation 1: the program's top-left corner is at the 800 x 480 window's top-right.
    EXPECT_EQ(window_colour(backend->sdl_window(), 795, 4), 'g');
    EXPECT_EQ(window_colour(backend->sdl_window(), 4, 4), 'b');
    EXPECT_EQ(window_colour(backend->sdl_window(), 795, 475), 'b');
}

TEST_F(SdlBackendTest, QueuedEventsReachTheMainWindow) {
    DisplayParams params;
    auto display = backend->create_display(params);
    ASSERT_TRUE(display);

    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_F3;
    SDL_PushEvent(&key);
    SDL_Event press{};
    press.type = SDL_MOUSEBUTTONDOWN;
    press.button.button = SDL_BUTTON_LEFT;
    press.button.x = 799;  // the program's top-left corner lies at the window's top-right
    press.button.y = 0;
    SDL_PushEvent(&press);
    SDL_Event release = press;
    release.type = SDL_MOUSEBUTTONUP;
    SDL_PushEvent(&release);

    backend->pause(1000);  // events are waiting: no wait
    backend->pump_input();
    std::vector<platform::Message> got;
    for (const platform::Message& m : take())
        if (m.message == platform::WM_KEYDOWN || m.message == platform::WM_LBUTTONDOWN ||
            m.message == platform::WM_LBUTTONUP)
            got.push_back(m);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].message, platform::WM_KEYDOWN);
    EXPECT_EQ(got[0].wparam, 114u);
    EXPECT_EQ(got[1].message, platform::WM_LBUTTONDOWN);
    EXPECT_EQ(got[1].lparam, 0);
    EXPECT_EQ(got[2].message, platform::WM_LBUTTONUP);
}

TEST_F(SdlBackendTest, ResizedWindowIsAnnouncedAndTheBackBufferFollows) {
    DisplayParams params;
    auto display = backend->create_display(params);
    ASSERT_TRUE(display);
    display->present(0);
    take();
    SDL_SetWindowSize(backend->sdl_window(), 600, 300);
    backend->pump_input();
    bool announced = false;
    for (const platform::Message& m : take())
        announced |= m.message == platform::WM_SETTINGCHANGE && m.wparam == kSpiSetWorkArea;
    EXPECT_TRUE(announced);
    // Orientation 1: the 600 x 300 window is a 300 x 600 screen.
    EXPECT_EQ(backend->screen().width, 300);
    EXPECT_EQ(backend->screen().height, 600);
    ASSERT_TRUE(display->begin_frame());
    EXPECT_EQ(display->back_buffer().width(), 300);
    EXPECT_EQ(display->back_buffer().height(), 600);
    display->present(0);
}

TEST_F(SdlBackendTest, SecondQuitFromTheSessionEndsTheRun) {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    backend->pump_input();
    EXPECT_FALSE(backend->finished()) << "the program is asked first";
    SDL_PushEvent(&quit);
    backend->pump_input();
    EXPECT_TRUE(backend->finished());
}

TEST_F(SdlBackendTest, WithAKeyboardTextInputStaysOnAndLongCompositionsComeWhole) {
    // The window-less driver draws no keyboard of its own: the keyboard is a real one, and
    // typed text is wanted also while no edit has the focus.
    ASSERT_TRUE(backend->keyboard_text());
    EXPECT_TRUE(SDL_IsTextInputActive());
    backend->start_text_input({10, 10, 200, 40});
    EXPECT_TRUE(SDL_IsTextInputActive());
    backend->stop_text_input();
    EXPECT_TRUE(SDL_IsTextInputActive());

    // Longer than an ordinary event holds; the back end frees the text once it is read.
    std::string composed;
    for (int i = 0; i < 20; ++i)
        composed += "\xE4\xB8\xAD";
    SDL_Event long_one{};
    long_one.type = SDL_TEXTEDITING_EXT;
    long_one.editExt.text = SDL_strdup(composed.c_str());
    long_one.editExt.start = 20;
    SDL_PushEvent(&long_one);
    backend->pump_input();
    std::vector<platform::Message> got = take();
    // The window's own events (shown, focus) may come along.
    std::erase_if(got, [](const platform::Message& m) {
        return m.message != kCompositionUnit && m.message != kComposition;
    });
    ASSERT_EQ(got.size(), 21u);
    for (size_t i = 0; i < 20; ++i) {
        EXPECT_EQ(got[i].message, kCompositionUnit);
        EXPECT_EQ(got[i].wparam, 0x4E2Du);
    }
    EXPECT_EQ(got[20].message, kComposition);
    EXPECT_EQ(got[20].wparam, 20u);
}
