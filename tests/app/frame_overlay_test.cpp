// The frame-time overlay: the ring of frame ticks, its text and colour, and what it paints.

#include "app/frame_overlay.h"

#include <gtest/gtest.h>

#include "skin/render_surface.h"

namespace {

using velvane::FrameOverlay;
using zentra::Color;

TEST(FrameOverlay, KeepsTheLastTwentyTicksAndAveragesTheirSpacing) {
    FrameOverlay overlay;
    for (uint32_t i = 0; i < 25; ++i) {
        overlay.record(1000 + i * 33);
    }
    ASSERT_EQ(overlay.ticks().size(), 20u);
    EXPECT_EQ(overlay.ticks().front(), 1000u + 5 * 33);
    EXPECT_EQ(overlay.text(true, 307'999), u"33.0 ms 307 Kp");

    overlay.clear();
    overlay.record(0);
    overlay.record(25);
    overlay.record(50);
    overlay.record(75);  // 75 / 3 = 25.0
    EXPECT_EQ(overlay.text(false, 999), u"[25.0 ms] 0 Kp");
    overlay.record(77);  // 77 / 4 = 19.25: the first decimal, not rounded
    EXPECT_EQ(overlay.text(true, 0), u"19.2 ms 0 Kp");
}

TEST(FrameOverlay, TheAverageSurvivesTheTickCountWrapping) {
    FrameOverlay overlay;
    overlay.record(0xFFFFFFF0u);
    overlay.record(0x00000010u);
    EXPECT_EQ(overlay.average_tenths(), 320);
}

TEST(FrameOverlay, ColourGoesFromGreenThroughYellowToRed) {
    EXPECT_EQ(FrameOverlay::color_for(10), (Color{64, 255, 64, 255}));
    EXPECT_EQ(FrameOverlay::color_for(20), (Color{64, 255, 64, 255}));
    EXPECT_EQ(FrameOverlay::color_for(30), (Color{159, 255, 64, 255}));
    EXPECT_EQ(FrameOverlay::color_for(40), (Color{255, 64 + 191, 64, 255}));
    EXPECT_EQ(FrameOverlay::color_for(50), (Color{255, 159, 64, 255}));
    EXPECT_EQ(FrameOverlay::color_for(60), (Color{255, 64, 64, 255}));
}

TEST(FrameOverlay, DimsTheCornerAndWritesOnlyOnceThereAreTwoFrames) {
    zentra::RenderSurface surface;
    surface.recreate(200, 40);
    auto fill = [&] {
        for (int y = 0; y < 40; ++y) {
            std::fill_n(surface.bitmap()->row(y), 200, uint16_t{0xFFFF});
        }
    };
    fill();
    FrameOverlay overlay;
    overlay.paint(surface, 100, true);
    // One frame: the box is halved, nothing else changes.
    EXPECT_EQ(surface.bitmap()->row(0)[0], 0x7BEF);
    EXPECT_EQ(surface.bitmap()->row(19)[149], 0x7BEF);
    EXPECT_EQ(surface.bitmap()->row(20)[0], 0xFFFF);
    EXPECT_EQ(surface.bitmap()->row(0)[150], 0xFFFF);
    int text = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 150; ++x) {
            text += surface.bitmap()->row(y)[x] != 0x7BEF;
        }
    }
    EXPECT_EQ(text, 0);

    fill();
    overlay.paint(surface, 110, false);
    text = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 150; ++x) {
            text += surface.bitmap()->row(y)[x] != 0x7BEF;
        }
    }
    EXPECT_GT(text, 20);
    // Not the application's own frame: the ring starts again.
    EXPECT_TRUE(overlay.ticks().empty());
}

}  // namespace
