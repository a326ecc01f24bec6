// Visibility animations: the kinds a skin can name, their timing and reversal, how each one
// combines its two images, and a node shown and hidden through one.

#include "skin/visibility_animation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "skin/anim_flip.h"
#include "skin/anim_scale.h"
#include "skin/anim_slide.h"
#include "skin/node.h"

namespace {

using zentra::FlipAnimation;
using zentra::Node;
using zentra::Point;
using zentra::RenderSurface;
using zentra::Size;
using zentra::SlideAnimation;
using zentra::VisibilityAnimation;

constexpr uint16_t kBlack = 0x0000;
constexpr uint16_t kRed = 0xF800;
constexpr uint16_t kGreen = 0x07E0;
constexpr uint16_t kBlue = 0x001F;
constexpr uint16_t kKey = 0xF81F;
constexpr double kFrame = 0.04;  // 25 frames per second

void paint(RenderSurface& surface, int w, int h, const std::function<uint16_t(int, int)>& pixel) {
    surface.recreate(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            surface.bitmap()->row(y)[x] = pixel(x, y);
}
void paint(RenderSurface& surface, int w, int h, uint16_t colour) {
    paint(surface, w, h, [colour](int, int) { return colour; });
}
uint16_t at(const RenderSurface& surface, int x, int y) {
    return surface.bitmap()->row(y)[x];
}
// The bounding box of the pixels that are not background.
struct Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    int width() const { return x1 < x0 ? 0 : x1 - x0 + 1; }
    int height() const { return y1 < y0 ? 0 : y1 - y0 + 1; }
};
Box painted(const RenderSurface& surface, uint16_t background = kBlack) {
    Box box;
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x)
            if (at(surface, x, y) != background) {
                box.x0 = std::min(box.x0, x);
                box.y0 = std::min(box.y0, y);
                box.x1 = std::max(box.x1, x);
                box.y1 = std::max(box.y1, y);
            }
    return box;
}

// Starts a named animation on a w x h "to" image of one colour (and optionally a "from"
// image) and stops it at progress p. The end of a run is reached hiding from 1.0, since a
// run that arrives there lets its images go.
std::unique_ptr<VisibilityAnimation> at_progress(const char16_t* kind, double p, int w, int h,
                                                 uint16_t to_colour, uint16_t from_colour = kBlack,
                                                 bool with_from = false) {
    auto animation = zentra::create_visibility_animation(kind);
    RenderSurface from, to;
    paint(to, w, h, to_colour);
    if (with_from)
        paint(from, w, h, from_colour);
    animation->start(with_from ? &from : nullptr, p < 1.0 ? 1 : -1, &to);
    if (p < 1.0)
        animation->advance(p / (animation->speed() * VisibilityAnimation::kRate));
    EXPECT_NEAR(animation->progress(), p, 1e-9);
    return animation;
}

TEST(VisibilityAnimationKinds, SkinNamesAreExactAndGiveTheirSpeeds) {
    const std::pair<const char16_t*, double> kinds[] = {
        {u"scale", 1.0}, {u"pop", 0.5}, {u"flip", 0.5},  {u"left", 1.0},
        {u"right", 1.0}, {u"top", 1.0}, {u"bottom", 1.0}};
    for (const auto& [name, speed] : kinds) {
        auto animation = zentra::create_visibility_animation(name);
        ASSERT_NE(animation, nullptr) << platform::to_utf8(name);
        EXPECT_EQ(animation->speed(), speed) << platform::to_utf8(name);
        EXPECT_FALSE(animation->is_running());
    }
    EXPECT_NE(
        dynamic_cast<zentra::PopAnimation*>(zentra::create_visibility_animation(u"pop").get()),
        nullptr);
    for (const char16_t* bad : {u"Scale", u"", u"fade", u"left "})
        EXPECT_EQ(zentra::create_visibility_animation(bad), nullptr) << platform::to_utf8(bad);
}

TEST(VisibilityAnimationKinds, CloneIsAnIdleAnimationOfTheSameKind) {
    auto animation = zentra::create_visibility_animation(u"bottom");
    RenderSurface to;
    paint(to, 4, 4, kRed);
    animation->start(nullptr, 1, &to);
    animation->advance(0.1);
    auto copy = animation->clone();
    EXPECT_FALSE(copy->is_running());
    EXPECT_EQ(copy->progress(), 0.0);
    EXPECT_TRUE(copy->to().empty());
    auto* slide = dynamic_cast<SlideAnimation*>(copy.get());
    ASSERT_NE(slide, nullptr);
    EXPECT_EQ(slide->side(), SlideAnimation::Bottom);
    EXPECT_NE(
        dynamic_cast<FlipAnimation*>(zentra::create_visibility_animation(u"flip")->clone().get()),
        nullptr);
}

TEST(VisibilityAnimationRun, StartTakesTheImagesAndTheEndLetsThemGo) {
    auto animation = zentra::create_visibility_animation(u"scale");
    RenderSurface from, to;
    paint(from, 3, 2, kBlue);
    paint(to, 5, 4, kRed);
    animation->start(&from, -1, &to);
    EXPECT_TRUE(from.empty());
    EXPECT_TRUE(to.empty());
    EXPECT_EQ(animation->from().size(), (Size{3, 2}));
    EXPECT_EQ(animation->to().size(), (Size{5, 4}));
    EXPECT_EQ(animation->direction(), -1);
    EXPECT_EQ(animation->progress(), 1.0);

    // 25 frames a second: 1.0, 0.8, 0.6, 0.4, 0.2, 0.0 and idle after the fifth frame.
    for (int frame = 1; frame <= 5; ++frame) {
        EXPECT_TRUE(animation->is_running());
        animation->advance(kFrame);
        EXPECT_NEAR(animation->progress(), 1.0 - 0.2 * frame, 1e-9) << frame;
    }
    EXPECT_FALSE(animation->is_running());
    EXPECT_EQ(animation->progress(), 0.0);
    EXPECT_TRUE(animation->from().empty());
    EXPECT_TRUE(animation->to().empty());

    // Half-speed kinds take ten frames to show; a long frame stops at the end.
    auto pop = zentra::create_visibility_animation(u"pop");
    pop->start(nullptr, 1, nullptr);
    for (int frame = 1; frame <= 9; ++frame)
        pop->advance(kFrame);
    EXPECT_TRUE(pop->is_running());
    EXPECT_NEAR(pop->progress(), 0.9, 1e-9);
    pop->advance(1.0);
    EXPECT_FALSE(pop->is_running());
    EXPECT_EQ(pop->progress(), 1.0);
}

TEST(VisibilityAnimationRun, ReverseContinuesFromTheCurrentProgress) {
    auto animation = zentra::create_visibility_animation(u"left");
    animation->start(nullptr, 1, nullptr);
    animation->advance(2 * kFrame);
    ASSERT_NEAR(animation->progress(), 0.4, 1e-9);
    animation->reverse();
    EXPECT_EQ(animation->direction(), -1);
    animation->advance(kFrame);
    EXPECT_NEAR(animation->progress(), 0.2, 1e-9);
    animation->reverse();
    animation->advance(kFrame);
    EXPECT_NEAR(animation->progress(), 0.4, 1e-9);
}

TEST(ScaleDrawing, HalfwayDrawsAQuarterSizeImageCentredOverTheOldOne) {
    auto animation = at_progress(u"scale", 0.5, 16, 8, kRed, kBlue, true);
    RenderSurface target;
    paint(target, 16, 8, kBlack);
    animation->draw(target, {0, 0});
    // 16 x 8 at a quarter: 4 x 2, at ((16, 8) - (4, 2)) / 2.
    const Box red = painted(target, kBlue);
    EXPECT_EQ(red.x0, 6);
    EXPECT_EQ(red.y0, 3);
    EXPECT_EQ(red.width(), 4);
    EXPECT_EQ(red.height(), 2);
    EXPECT_EQ(at(target, 6, 3), kRed);
    EXPECT_EQ(at(target, 0, 0), kBlue);
}

TEST(ScaleDrawing, PopOvershootsHalfwayAndEndsAtItsNaturalSize) {
    const zentra::PopAnimation pop;
    EXPECT_EQ(pop.factor(0.0), 0.0);
    EXPECT_NEAR(pop.factor(1.0), 1.0, 1e-12);
    EXPECT_GT(pop.factor(0.5), 1.1);

    for (const double p : {0.5, 1.0}) {
        auto animation = at_progress(u"pop", p, 10, 10, kRed);
        RenderSurface target;
        paint(target, 30, 30, kBlack);
        animation->draw(target, {10, 10});
        const Box box = painted(target);
        if (p == 1.0) {
            EXPECT_EQ(box.x0, 10);
            EXPECT_EQ(box.width(), 10);
            EXPECT_EQ(box.height(), 10);
        } else {
            EXPECT_LT(box.x0, 10);
            EXPECT_GT(box.width(), 10);
            EXPECT_GT(box.height(), 10);
        }
    }
}

TEST(ScaleDrawing, KeyColourOfTheNewImageStaysTransparent) {
    auto animation = zentra::create_visibility_animation(u"scale");
    RenderSurface to;
    paint(to, 4, 4, [](int x, int) { return x < 2 ? kKey : kRed; });
    animation->start(nullptr, 1, &to);
    animation->advance(1.0);  // ends: nothing left to draw
    animation->start(nullptr, 1, &to);
    EXPECT_TRUE(animation->to().empty()) << "to was emptied by the first start";

    paint(to, 4, 4, [](int x, int) { return x < 2 ? kKey : kRed; });
    animation->start(nullptr, -1, &to);  // progress 1: natural size
    RenderSurface target;
    paint(target, 4, 4, kGreen);
    animation->draw(target, {0, 0});
    EXPECT_EQ(at(target, 0, 0), kGreen);
    EXPECT_EQ(at(target, 1, 3), kGreen);
    EXPECT_EQ(at(target, 2, 0), kRed);
}

TEST(SlideDrawing, RightHalfwayShowsTheNewImageFromTheMiddleAndTheOldRightHalf) {
    // The old image is blue on its left half and green on its right half.
    auto animation = zentra::create_visibility_animation(u"right");
    RenderSurface from, to;
    paint(from, 8, 2, [](int x, int) { return x < 4 ? kBlue : kGreen; });
    paint(to, 8, 2, kRed);
    animation->start(&from, 1, &to);
    animation->advance(0.1);
    RenderSurface target;
    paint(target, 12, 4, kBlack);
    animation->draw(target, {2, 1});
    for (int x = 0; x < 12; ++x) {
        const uint16_t expected = x < 2 || x >= 10 ? kBlack : x < 6 ? kGreen : kRed;
        EXPECT_EQ(at(target, x, 1), expected) << x;
        EXPECT_EQ(at(target, x, 0), kBlack) << "outside the rectangle, row 0, x " << x;
        EXPECT_EQ(at(target, x, 3), kBlack) << "outside the rectangle, row 3, x " << x;
    }
}

TEST(SlideDrawing, EverySideMovesTheNewImageInFromItsSide) {
    struct Case {
        const char16_t* kind;
        Point to_offset;   // at progress 0.25 for an 8 x 4 image
        Point red_pixel;   // a target pixel the new image covers
        Point blue_pixel;  // one the old image still covers
    };
    // s = 0.75: right 6, bottom 3, left -6, top -3.
    const Case cases[] = {{u"right", {6, 0}, {7, 0}, {5, 0}},
                          {u"bottom", {0, 3}, {0, 3}, {0, 2}},
                          {u"left", {-6, 0}, {1, 0}, {2, 0}},
                          {u"top", {0, -3}, {0, 0}, {0, 1}}};
    for (const Case& c : cases) {
        auto animation = at_progress(c.kind, 0.25, 8, 4, kRed, kBlue, true);
        EXPECT_EQ(dynamic_cast<SlideAnimation&>(*animation).to_offset({8, 4}), c.to_offset)
            << platform::to_utf8(c.kind);
        RenderSurface target;
        paint(target, 8, 4, kBlack);
        animation->draw(target, {0, 0});
        EXPECT_EQ(at(target, c.red_pixel.x, c.red_pixel.y), kRed) << platform::to_utf8(c.kind);
        EXPECT_EQ(at(target, c.blue_pixel.x, c.blue_pixel.y), kBlue) << platform::to_utf8(c.kind);
        EXPECT_EQ(painted(target).width(), 8) << "no gap: " << platform::to_utf8(c.kind);
    }
}

TEST(FlipDrawing, UnturnedProjectionIsTheImageItself) {
    const FlipAnimation::Projection flat = FlipAnimation::project({6, 4}, 0.0);
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(flat.source_x[x], x);
        EXPECT_DOUBLE_EQ(flat.scale[x], 1.0);
    }
    const FlipAnimation::Projection edge_on = FlipAnimation::project({6, 4}, std::acos(0.0));
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(edge_on.source_x[x], -1);
}

TEST(FlipDrawing, TurnedImageNarrowsAndItsFarEdgeShrinks) {
    const int w = 60;
    const FlipAnimation::Projection turned = FlipAnimation::project({w, 40}, 1.0);  // ~57 degrees
    int first = -1, last = -1;
    for (int x = 0; x < w; ++x)
        if (turned.source_x[x] >= 0) {
            if (first < 0)
                first = x;
            last = x;
        }
    ASSERT_GE(first, 0);
    // Positive angles take the right edge back: the left edge keeps its height, the right
    // one is drawn shorter, and the columns seen still run left to right.
    EXPECT_LT(last - first + 1, w * 0.6);
    EXPECT_NEAR(turned.scale[first], 1.0, 0.05);
    EXPECT_LT(turned.scale[last], 0.8);
    // Sampled at column centres, so the edges may skip a source column or a few on the
    // squeezed far side.
    EXPECT_LE(turned.source_x[first], 1);
    EXPECT_GE(turned.source_x[last], w - 5);
    for (int x = first + 1; x <= last; ++x) {
        EXPECT_GE(turned.source_x[x], turned.source_x[x - 1]);
        EXPECT_LE(turned.scale[x], turned.scale[x - 1]);
    }
}

TEST(FlipDrawing, OldImageTurnsAwayThenTheNewOneTurnsIn) {
    const auto draw_at = [](double p, RenderSurface& target) {
        auto animation = at_progress(u"flip", p, 40, 20, kRed, kBlue, true);
        paint(target, 40, 20, kBlack);
        animation->draw(target, {0, 0});
        return painted(target);
    };
    RenderSurface target;
    const Box quarter = draw_at(0.25, target);
    EXPECT_EQ(at(target, quarter.x0, 10), kBlue);
    EXPECT_LT(quarter.width(), 40);
    EXPECT_GT(quarter.width(), 10);

    EXPECT_LE(draw_at(0.5, target).width(), 1) << "edge-on at the middle";

    const Box late = draw_at(0.75, target);
    EXPECT_EQ(at(target, late.x0 + late.width() / 2, 10), kRed);
    EXPECT_LT(late.width(), 40);
    // The new image turns in with its left edge back: its left column is the shorter one.
    int left_height = 0, right_height = 0;
    for (int y = 0; y < 20; ++y) {
        left_height += at(target, late.x0, y) == kRed;
        right_height += at(target, late.x1, y) == kRed;
    }
    EXPECT_LT(left_height, right_height);

    const Box done = draw_at(1.0, target);
    EXPECT_EQ(done.width(), 40);
    EXPECT_EQ(done.height(), 20);
    EXPECT_EQ(at(target, 0, 0), kRed);
}

// A node that fills its rectangle with one colour.
class Swatch : public Node {
public:
    explicit Swatch(uint16_t colour) : m_colour(colour) {}
    void draw(RenderSurface& target, Point origin) override {
        for (int y = 0; y < size().h; ++y)
            for (int x = 0; x < size().w; ++x)
                target.bitmap()->row(origin.y + y)[origin.x + x] = m_colour;
    }

private:
    uint16_t m_colour;
};

TEST(AnimatedVisibility, HideDrawsTheShrinkingImageForFiveFramesThenNothing) {
    Node root;
    root.set_bounds({0, 0}, {16, 8});
    auto& swatch = static_cast<Swatch&>(root.add_child(std::make_unique<Swatch>(kRed)));
    swatch.set_bounds({0, 0}, {16, 8});
    swatch.set_visibility_animation(zentra::create_visibility_animation(u"scale"));

    swatch.set_visible(false);
    EXPECT_FALSE(swatch.visible());
    ASSERT_TRUE(swatch.visibility_animation()->is_running());
    RenderSurface target;
    const auto frame_width = [&] {
        paint(target, 16, 8, kBlack);
        root.render(target, {0, 0});
        return painted(target).width();
    };
    EXPECT_EQ(frame_width(), 16) << "the run starts at full size";
    int frames = 0;
    while (swatch.visibility_animation()->is_running() && frames < 20) {
        root.advance(kFrame);
        ++frames;
        if (frames == 2) {
            EXPECT_LT(frame_width(), 16);  // 0.6² of 16
        }
    }
    EXPECT_EQ(frames, 5);
    EXPECT_EQ(frame_width(), 0);
}

TEST(AnimatedVisibility, ShowingWhileHidingReversesInsteadOfRestarting) {
    Node root;
    root.set_bounds({0, 0}, {10, 10});
    Node& child = root.add_child(std::make_unique<Swatch>(kRed));
    child.set_bounds({0, 0}, {10, 10});
    child.set_visibility_animation(zentra::create_visibility_animation(u"scale"));
    VisibilityAnimation& animation = *child.visibility_animation();

    child.set_visible(false);
    root.advance(kFrame);
    root.advance(kFrame);
    ASSERT_NEAR(animation.progress(), 0.6, 1e-9);
    child.set_visible(true);
    EXPECT_TRUE(child.visible());
    EXPECT_EQ(animation.direction(), 1);
    EXPECT_NEAR(animation.progress(), 0.6, 1e-9);
    root.advance(kFrame);
    EXPECT_NEAR(animation.progress(), 0.8, 1e-9);

    // Setting the state it already has plays nothing.
    child.set_visible(true);
    EXPECT_EQ(animation.direction(), 1);
    root.advance(kFrame);
    root.advance(kFrame);
    EXPECT_FALSE(animation.is_running());
    EXPECT_TRUE(child.visible());
}

TEST(AnimatedVisibility, SwitchingAtOnceStopsARun) {
    Node node;
    node.set_bounds({0, 0}, {4, 4});
    node.set_visibility_animation(zentra::create_visibility_animation(u"pop"));
    node.set_visible(false);
    ASSERT_TRUE(node.visibility_animation()->is_running());
    node.set_visible_at_once(true);
    EXPECT_TRUE(node.visible());
    EXPECT_FALSE(node.visibility_animation()->is_running());
    node.set_visible_at_once(false);
    EXPECT_FALSE(node.visible());
    EXPECT_FALSE(node.visibility_animation()->is_running());
}

}  // namespace
