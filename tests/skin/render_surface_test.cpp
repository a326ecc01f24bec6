// Render surfaces: owned bitmaps and the process-wide pixel count, clipped views, and the
// empty surface that an allocation failure leaves.

#include "skin/render_surface.h"

#include <gtest/gtest.h>

#include "skin/draw.h"

namespace {

using zentra::Rect;
using zentra::RenderSurface;
using zentra::Size;

TEST(SurfaceOwnership, PixelCountFollowsEveryOwnedBitmap) {
    const long long before = RenderSurface::owned_pixel_count();
    {
        RenderSurface a;
        a.recreate(10, 20);
        EXPECT_EQ(RenderSurface::owned_pixel_count(), before + 200);
        const zentra::Bitmap* first = a.bitmap();
        a.recreate(Size{10, 20});  // same size: the same bitmap
        EXPECT_EQ(a.bitmap(), first);
        a.recreate(3, 3);
        EXPECT_EQ(RenderSurface::owned_pixel_count(), before + 9);
        EXPECT_EQ(a.clip(), (Rect{0, 0, 3, 3}));

        // Handing the bitmap over moves it out of the count and back in with its new owner.
        RenderSurface b;
        b.take_over(a);
        EXPECT_TRUE(a.empty());
        EXPECT_EQ(a.size(), (Size{0, 0}));
        EXPECT_EQ(b.size(), (Size{3, 3}));
        EXPECT_EQ(RenderSurface::owned_pixel_count(), before + 9);
        auto loose = b.release_bitmap();
        EXPECT_EQ(RenderSurface::owned_pixel_count(), before);
        b.adopt(std::move(loose));
        EXPECT_EQ(RenderSurface::owned_pixel_count(), before + 9);

        a.recreate(0, 7);  // a zero side means no bitmap
        EXPECT_TRUE(a.empty());
        a.recreate(4, 4);
        a.release();
        EXPECT_TRUE(a.empty());
    }
    EXPECT_EQ(RenderSurface::owned_pixel_count(), before);
}

TEST(SurfaceOwnership, AllocationFailureLeavesAnEmptySurfaceThatDrawsNothing) {
    const long long before = RenderSurface::owned_pixel_count();
    RenderSurface huge;
    huge.recreate(20000, 20000);  // more than any bitmap may hold
    EXPECT_TRUE(huge.empty());
    EXPECT_EQ(huge.size(), (Size{0, 0}));
    EXPECT_EQ(RenderSurface::owned_pixel_count(), before);

    RenderSurface screen;
    screen.recreate(4, 4);
    zentra::fill(screen, 0x1234, zentra::plain_blender());
    zentra::fill(huge, 0xFFFF, zentra::plain_blender());
    zentra::copy(huge, screen, {0, 0}, zentra::plain_blender());
    zentra::copy(screen, huge, {0, 0}, zentra::plain_blender());
    zentra::scaled_copy(huge, screen, {0, 0}, {4, 4}, zentra::plain_blender());
    EXPECT_TRUE(huge.clipped({0, 0, 4, 4}).empty());
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(screen.bitmap()->row(y)[x], 0x1234);
        }
    }
}

TEST(SurfaceViews, ClipNarrowsAndNeverLeavesTheParentsClip) {
    RenderSurface screen;
    screen.recreate(10, 8);
    EXPECT_FALSE(screen.clip_in_effect());
    RenderSurface view = screen.clipped({2, 1, 20, 3});
    EXPECT_TRUE(view.clip_in_effect());
    EXPECT_EQ(view.clip(), (Rect{2, 1, 8, 3}));
    EXPECT_EQ(view.size(), (Size{10, 8}));  // coordinates stay the bitmap's
    RenderSurface inner = view.clipped({-5, 3, 8, 10});
    EXPECT_EQ(inner.clip(), (Rect{2, 3, 1, 1}));
    EXPECT_TRUE(view.clipped({20, 20, 5, 5}).clip().empty());
}

TEST(SurfaceViews, DrawingThroughAViewStaysInsideItsClip) {
    RenderSurface screen;
    screen.recreate(6, 5);
    zentra::fill(screen, 0x0000, zentra::plain_blender());
    RenderSurface view = screen.clipped({1, 2, 3, 2});
    zentra::fill(view, 0xFFFF, zentra::plain_blender());
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 6; ++x) {
            const bool inside = x >= 1 && x < 4 && y >= 2 && y < 4;
            EXPECT_EQ(screen.bitmap()->row(y)[x], inside ? 0xFFFF : 0x0000) << x << "," << y;
        }
    }
}

TEST(SurfaceViewsDeathTest, ResizingAViewIsFatal) {
    RenderSurface screen;
    screen.recreate(4, 4);
    EXPECT_EXIT(
        {
            RenderSurface view = screen.clipped({0, 0, 2, 2});
            view.recreate(8, 8);
        },
        ::testing::ExitedWithCode(1), "Clip is in effect, cannot resize @ RenderSurface::recreate");
}

}  // namespace
