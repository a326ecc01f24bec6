#include "display/headless_backend.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <vector>

#include "platform/clock.h"
#include "platform/messages.h"
#include "tests/support/temp_home.h"

using namespace velvane::display;

namespace {

struct Png {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    std::array<int, 3> at(int x, int y) const {
        const size_t i = (static_cast<size_t>(y) * width + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

bool read_png(const std::string& path, Png& out) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_RGB;
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.rgb.resize(PNG_IMAGE_SIZE(image));
    const bool ok = png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr);
    png_image_free(&image);
    return ok;
}

// A window of our own that collects what the back end posts.
class Target {
public:
    Target() {
        platform::register_window_class(
            u"HeadlessTarget", [](platform::WindowHandle w, uint32_t m, uintptr_t wp, intptr_t lp) {
                return platform::def_window_proc(w, m, wp, lp);
            });
        window = platform::create_window(u"HeadlessTarget", u"");
    }
    ~Target() {
        platform::Message m;
        while (platform::peek_message(m)) {
        }
        platform::destroy_window(window);
        platform::unregister_window_class(u"HeadlessTarget");
    }
    std::vector<platform::Message> take() {
        std::vector<platform::Message> out;
        platform::Message m;
        while (platform::peek_message(m, window))
            out.push_back(m);
        return out;
    }
    platform::WindowHandle window;
};

}  // namespace

TEST(HeadlessBackend, DisplayTakesTheScreenSizeAndOrientation) {
    HeadlessBackend backend({480, 800, 1, 192});
    DisplayParams params{100, 100, 0, 0};
    auto display = backend.create_display(params);
    ASSERT_TRUE(display);
    EXPECT_EQ(params.width, 480);
    EXPECT_EQ(params.height, 800);
    EXPECT_EQ(params.orientation, 1);
    EXPECT_EQ(params.swap_effect, 1);
    EXPECT_TRUE(display->begin_frame());
    EXPECT_EQ(display->back_buffer().width(), 480);
    EXPECT_EQ(display->back_buffer().height(), 800);

    HeadlessBackend no_screen({0, 0, 0, 96});
    EXPECT_FALSE(no_screen.create_display(params));
}

TEST(HeadlessBackend, ScreenshotHoldsThePresentedFrameInFullColour) {
    test_support::TempHome home;
    HeadlessBackend backend({4, 2, 0, 96});
    const std::string path = (std::filesystem::path(::getenv("HOME")) / "shot.png").string();
    EXPECT_FALSE(backend.save_screenshot(path)) << "no display, no picture";

    DisplayParams params;
    auto display = backend.create_display(params);
    ASSERT_TRUE(display);
    zentra::Bitmap& pixels = *display->back_buffer().bitmap();
    uint16_t* row = pixels.row(0);
    row[0] = 0xF800;  // red
    row[1] = 0x07E0;  // green
    row[2] = 0x001F;  // blue
    row[3] = 0xFFFF;
    pixels.row(1)[0] = 0x8410;  // the middle of each channel
    pixels.row(1)[1] = 0x0000;

    // Before the first present the back buffer is what there is.
    ASSERT_TRUE(backend.save_screenshot(path));
    Png png;
    ASSERT_TRUE(read_png(path, png));
    EXPECT_EQ(png.at(0, 0), (std::array<int, 3>{255, 0, 0}));

    display->present(0);
    row[0] = 0x0000;  // drawing after the present must not reach the kept frame
    EXPECT_EQ(backend.presented_frames(), 1);
    ASSERT_TRUE(backend.save_screenshot(path));
    ASSERT_TRUE(read_png(path, png));
    ASSERT_EQ(png.width, 4);
    ASSERT_EQ(png.height, 2);
    EXPECT_EQ(png.at(0, 0), (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(png.at(1, 0), (std::array<int, 3>{0, 255, 0}));
    EXPECT_EQ(png.at(2, 0), (std::array<int, 3>{0, 0, 255}));
    EXPECT_EQ(png.at(3, 0), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(png.at(0, 1), (std::array<int, 3>{132, 130, 132}));
    EXPECT_EQ(png.at(1, 1), (std::array<int, 3>{0, 0, 0}));

    EXPECT_FALSE(backend.save_screenshot("/nonexistent-folder/shot.png"));
}

TEST(HeadlessBackend, PausesMoveTheVirtualClockByTheFrameStep) {
    platform::use_virtual_clock(true);
    HeadlessBackend backend({10, 10, 0, 96}, 25);
    const uint32_t start = platform::tick_count();
    backend.pause(10);
    backend.pause(10);
    backend.pause(1000);
    EXPECT_EQ(platform::tick_count() - start, 75u);
    EXPECT_EQ(backend.frames(), 3);
    platform::use_virtual_clock(false);
}

TEST(HeadlessBackend, InputHookRunsOnPumpAndScreenChangesAreAnnounced) {
    Target target;
    HeadlessBackend backend({480, 800, 0, 96});
    backend.set_main_window(target.window);
    int pumps = 0;
    backend.set_input_hook([&] { ++pumps; });
    backend.pump_input();
    backend.pump_input();
    EXPECT_EQ(pumps, 2);

    backend.set_screen({480, 800, 0, 96});
    EXPECT_TRUE(target.take().empty()) << "nothing changed";
    backend.set_screen({800, 480, 0, 96});
    const auto messages = target.take();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].message, platform::WM_SETTINGCHANGE);
    EXPECT_EQ(messages[0].wparam, kSpiSetWorkArea);
    EXPECT_EQ(backend.screen().width, 800);

    EXPECT_FALSE(backend.finished());
    backend.finish();
    EXPECT_TRUE(backend.finished());
}

TEST(HeadlessBackend, MessageBoxGoesToStandardErrorAsUtf8) {
    test_support::TempHome home;
    HeadlessBackend backend({10, 10, 0, 96});
    testing::internal::CaptureStderr();
    backend.message_box(u"Fehler", u"Datei \u00fcberschrieben");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err,
              "Fehler: Datei \xC3\xBC"
              "berschrieben\n");
    EXPECT_EQ(backend.message_boxes(), 1);
}

TEST(HeadlessBackend, BackBufferFollowsTheScreenAtTheNextFrame) {
    HeadlessBackend backend({480, 800, 0, 96});
    DisplayParams params;
    auto display = backend.create_display(params);
    ASSERT_TRUE(display);
    backend.set_screen({800, 480, 1, 96});
    ASSERT_TRUE(display->begin_frame());
    EXPECT_EQ(display->back_buffer().width(), 800);
    EXPECT_EQ(display->back_buffer().height(), 480);
}

TEST(HeadlessBackend, DisplayMayOutliveItsBackend) {
    auto backend = std::make_unique<HeadlessBackend>(ScreenInfo{8, 8, 0, 96});
    DisplayParams params;
    auto display = backend->create_display(params);
    ASSERT_TRUE(display);
    backend.reset();
    display->present(0);  // nobody to keep the frame: nothing happens
    SUCCEED();
}

TEST(HeadlessBackend, PaintingThroughTheWindowIsShownToo) {
    HeadlessBackend backend({3, 3, 0, 96});
    zentra::RenderSurface picture;
    picture.recreate(3, 3);
    picture.bitmap()->row(2)[2] = 0x1234;
    backend.paint(picture);
    EXPECT_EQ(backend.presented_frames(), 1);
    ASSERT_EQ(backend.last_frame().width(), 3);
    EXPECT_EQ(backend.last_frame().row(2)[2], 0x1234);
}
