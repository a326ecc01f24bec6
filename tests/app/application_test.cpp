// The modal stack of forms: pushing and removing in every arrangement of full-screen forms and
// overlays, screen transitions that turn round, the dimmed background, input reaching the top
// form only, and a new skin applied through the reload listeners.

#include "app/application.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skin/blender.h"
#include "skin/draw.h"
#include "skin/edit_node.h"

namespace {

using velvane::Application;
using zentra::Form;
using zentra::Point;
using zentra::PointerEvent;
using zentra::RenderSurface;
using zentra::Size;

constexpr uint16_t kRed = 0xF800;
constexpr uint16_t kGreen = 0x07E0;
constexpr uint16_t kBlue = 0x001F;
constexpr uint16_t kBlack = 0x0000;
constexpr int kWidth = 8;
constexpr int kHeight = 6;

// A screen that paints rows [first_row, last_row) of its rectangle in one colour and notes
// what reaches it.
class TestForm : public Form {
public:
    TestForm(std::string name, uint16_t colour, int first_row = 0, int last_row = kHeight)
        : m_colour(colour), m_first_row(first_row), m_last_row(last_row) {
        set_name(platform::from_utf8(name));
        // Screens are built hidden; the stack shows them.
        set_visible_at_once(false);
    }
    TestForm(std::string name, uint16_t colour, const char16_t* animation)
        : TestForm(std::move(name), colour) {
        set_visibility_animation(zentra::create_visibility_animation(animation));
    }

    void draw(RenderSurface& target, Point origin) override {
        ++draws;
        zentra::fill_rect(target,
                          {origin.x, origin.y + m_first_row, size().w, m_last_row - m_first_row},
                          m_colour, zentra::plain_blender());
        Form::draw(target, origin);
    }
    void advance(double seconds) override {
        advanced.push_back(seconds);
        Form::advance(seconds);
    }
    bool on_pointer(const PointerEvent& event) override {
        pointers.push_back(event);
        return true;
    }
    void on_pointer_move(Point point) override { moves.push_back(point); }
    bool on_text(platform::WStringView text) override {
        texts.emplace_back(text);
        return false;
    }

    int draws = 0;
    std::vector<double> advanced;
    std::vector<PointerEvent> pointers;
    std::vector<Point> moves;
    std::vector<platform::WString> texts;

private:
    uint16_t m_colour;
    int m_first_row;
    int m_last_row;
};

class Observer : public velvane::ApplicationListener {
public:
    void on_form_added(Form& form) override { events.push_back("added " + name(form)); }
    void on_form_removed(Form& form, bool) override { events.push_back("removed " + name(form)); }
    static std::string name(const Form& form) { return platform::to_utf8(form.name()); }
    std::vector<std::string> events;
};

uint16_t dimmed(uint16_t pixel, int dim) {
    return zentra::darken_pixel(zentra::darken_level_for_alpha(dim), pixel);
}

class ApplicationStack : public ::testing::Test {
protected:
    ApplicationStack() : app(u"Velvane") {
        app.set_screen_metrics({kWidth, kHeight, 0, 96});
        app.set_listener(&observer);
        screen.recreate(kWidth, kHeight);
    }

    // One painted frame; returns the pixel at (x, y).
    uint16_t frame(int x = 0, int y = 0) {
        app.render_frame(screen);
        return at(screen, x, y);
    }
    static uint16_t at(const RenderSurface& surface, int x, int y) {
        return surface.bitmap()->row(y)[x];
    }
    // Paints frames until the dim level settles (no more redraw asked); returns how many.
    int frames_until_settled() {
        int frames = 0;
        do {
            app.render_frame(screen);
            ++frames;
        } while (app.redraw_needed() && frames < 50);
        return frames;
    }
    void finish_transition() {
        for (int i = 0; i < 50 && app.transition() != nullptr; ++i)
            app.advance(0.04);
    }

    Application app;
    Observer observer;
    RenderSurface screen;
};

TEST_F(ApplicationStack, EmptyStackShowsTheBackgroundAndConsumesInput) {
    EXPECT_EQ(zentra::FormHost::instance(), &app);
    app.set_background_color({0, 0, 255, 255});
    EXPECT_EQ(frame(3, 3), kBlue);
    EXPECT_EQ(app.top_form(), nullptr);
    EXPECT_TRUE(app.on_pointer({1, 1, 0, true, false}));
    EXPECT_TRUE(app.on_text(u"a"));

    TestForm stray("stray", kRed);
    EXPECT_FALSE(app.remove_modal_form(stray, true));
    EXPECT_FALSE(app.redraw_needed());
    EXPECT_TRUE(observer.events.empty());
}

TEST_F(ApplicationStack, FirstFormIsShownAtOnceOverTheWholeScreen) {
    TestForm a("a", kRed, u"scale");
    app.add_modal_form(a, false, true);
    EXPECT_TRUE(a.visible());
    EXPECT_EQ(app.transition(), nullptr) << "nothing to turn from";
    EXPECT_FALSE(a.visibility_animation()->is_running());
    EXPECT_EQ(a.position(), (Point{0, 0}));
    EXPECT_EQ(a.size(), (Size{kWidth, kHeight}));
    EXPECT_EQ(app.top_form(), &a);
    EXPECT_TRUE(app.redraw_needed());
    EXPECT_EQ(frame(7, 5), kRed);
    EXPECT_FALSE(app.redraw_needed()) << "no dimming to settle";
    EXPECT_EQ(observer.events, std::vector<std::string>{"added a"});
}

TEST_F(ApplicationStack, OverlayFreezesTheFormBelowAndDimsItToHalfOverEightFrames) {
    TestForm a("a", kRed);
    TestForm menu("menu", kGreen, 0, 2);
    app.add_modal_form(a, false, false);
    app.add_modal_form(menu, true, false);

    EXPECT_FALSE(a.visible());
    EXPECT_TRUE(menu.visible());
    ASSERT_EQ(app.screen_surface().size(), (Size{kWidth, kHeight}));
    EXPECT_EQ(at(app.screen_surface(), 4, 4), kRed);
    EXPECT_EQ(a.draws, 1);

    // Dim levels 256, 240, ... 144 give darkening levels 16 down to 9; the ninth frame
    // draws 128 (level 8) and asks for no more.
    for (int k = 0; k <= 9; ++k) {
        const int dim = std::max(256 - 16 * k, 128);
        EXPECT_EQ(frame(0, 5), dimmed(kRed, dim)) << "frame " << k;
        EXPECT_EQ(at(screen, 0, 0), kGreen) << "the overlay is drawn undimmed";
        EXPECT_EQ(app.redraw_needed(), k < 8) << "frame " << k;
    }
    EXPECT_EQ(app.dim_level(), Application::kDimOverlay);
    EXPECT_EQ(at(screen, 0, 5), 0x7800) << "red at half: 15 of 31";
    EXPECT_EQ(a.draws, 1) << "the frozen image is not redrawn";
}

TEST_F(ApplicationStack, SecondOverlayKeepsTheFrozenBackground) {
    TestForm a("a", kRed);
    TestForm menu("menu", kGreen, 0, 2);
    TestForm dialog("dialog", kBlue, 2, 4);
    app.add_modal_form(a, false, false);
    app.add_modal_form(menu, true, false);
    frames_until_settled();
    app.add_modal_form(dialog, true, false);

    EXPECT_FALSE(menu.visible());
    EXPECT_TRUE(dialog.visible());
    EXPECT_EQ(a.draws, 1);
    EXPECT_EQ(at(app.screen_surface(), 0, 0), kRed) << "the full-screen form, not the menu";
    EXPECT_EQ(frame(0, 0), dimmed(kRed, 128));
    EXPECT_EQ(at(screen, 0, 2), kBlue);
}

TEST_F(ApplicationStack, RemovingAFormUnderTheTopHidesAndDropsIt) {
    TestForm a("a", kRed);
    TestForm b("b", kBlue);
    app.add_modal_form(a, false, false);
    app.add_modal_form(b, false, false);
    frame();
    a.set_visible_at_once(true);  // as if something had shown it

    EXPECT_TRUE(app.remove_modal_form(a, true));
    EXPECT_FALSE(a.visible());
    EXPECT_EQ(app.form_count(), 1);
    EXPECT_EQ(app.top_form(), &b);
    EXPECT_TRUE(b.visible());
    EXPECT_EQ(app.transition(), nullptr);
    EXPECT_EQ(frame(5, 5), kBlue);
    EXPECT_FALSE(app.remove_modal_form(a, true));
    EXPECT_EQ(observer.events, (std::vector<std::string>{"added a", "added b", "removed a"}));
}

TEST_F(ApplicationStack, RemovingTheTopOverlayShowsTheFormBelowThatBrightensBack) {
    TestForm a("a", kRed);
    TestForm menu("menu", kGreen, 0, 2);
    app.add_modal_form(a, false, false);
    app.add_modal_form(menu, true, false);
    frames_until_settled();

    EXPECT_TRUE(app.remove_modal_form(menu, true));
    EXPECT_TRUE(app.screen_surface().empty());
    EXPECT_TRUE(a.visible());
    EXPECT_FALSE(menu.visible());
    EXPECT_EQ(app.transition(), nullptr);
    // The form is drawn live and brightens from half over eight frames.
    EXPECT_EQ(frame(0, 0), dimmed(kRed, 128));
    EXPECT_EQ(frame(0, 0), dimmed(kRed, 144));
    EXPECT_EQ(frames_until_settled(), 7);
    EXPECT_EQ(app.dim_level(), Application::kDimNone);
    EXPECT_EQ(at(screen, 0, 0), kRed);
}

TEST_F(ApplicationStack, RemovingTheLastFormLeavesTheBackground) {
    TestForm a("a", kRed);
    app.add_modal_form(a, false, false);
    EXPECT_TRUE(app.remove_modal_form(a, true));
    EXPECT_EQ(app.form_count(), 0);
    EXPECT_FALSE(a.visible());
    EXPECT_EQ(frame(2, 2), kBlack);
}

TEST_F(ApplicationStack, FullScreenTransitionPlaysFromTheOldScreenToTheNewForm) {
    TestForm a("a", kRed);
    TestForm b("b", kBlue, u"scale");
    app.add_modal_form(a, false, false);
    app.add_modal_form(b, false, true);

    ASSERT_NE(app.transition(), nullptr);
    EXPECT_NE(app.transition(), b.visibility_animation()) << "a clone plays";
    EXPECT_EQ(app.transition()->direction(), 1);
    EXPECT_FALSE(a.visible());
    EXPECT_TRUE(b.visible());
    EXPECT_EQ(frame(4, 3), kRed) << "progress 0: only the old screen";

    app.advance(0.1);  // progress 0.5: b at a quarter of 8 x 6 = 2 x 1, centred at (3, 2)
    EXPECT_TRUE(b.advanced.empty()) << "the transition holds the forms still";
    EXPECT_EQ(frame(3, 2), kBlue);
    EXPECT_EQ(at(screen, 4, 2), kBlue);
    EXPECT_EQ(at(screen, 2, 2), kRed);
    EXPECT_EQ(at(screen, 3, 3), kRed);

    app.advance(0.1);  // ends the run
    EXPECT_FALSE(app.transition()->is_running());
    EXPECT_EQ(frame(0, 0), kBlue);
    app.advance(0.04);  // destroys it and steps the form again
    EXPECT_EQ(app.transition(), nullptr);
    EXPECT_EQ(b.advanced.size(), 1u);
}

TEST_F(ApplicationStack, TransitionsTurnRoundWhenTheFormGoesOrComesBackMidway) {
    TestForm a("a", kRed);
    TestForm b("b", kBlue, u"right");
    app.add_modal_form(a, false, false);
    app.add_modal_form(b, false, true);
    app.advance(0.08);
    const zentra::VisibilityAnimation* transition = app.transition();
    ASSERT_NEAR(transition->progress(), 0.4, 1e-9);

    EXPECT_TRUE(app.remove_modal_form(b, true));
    EXPECT_EQ(app.transition(), transition) << "the same run, backward";
    EXPECT_EQ(transition->direction(), -1);
    EXPECT_NEAR(transition->progress(), 0.4, 1e-9);
    EXPECT_TRUE(a.visible());
    EXPECT_FALSE(b.visible());
    EXPECT_EQ(app.top_form(), &a);

    app.advance(0.04);
    app.add_modal_form(b, false, true);
    EXPECT_EQ(app.transition(), transition);
    EXPECT_EQ(transition->direction(), 1);
    EXPECT_NEAR(transition->progress(), 0.2, 1e-9);
    EXPECT_FALSE(a.visible());
    EXPECT_TRUE(b.visible());
    EXPECT_EQ(app.top_form(), &b);
    EXPECT_EQ(app.form_count(), 2);

    // Without animate the run is dropped and the change is immediate.
    EXPECT_TRUE(app.remove_modal_form(b, false));
    EXPECT_EQ(app.transition(), nullptr);
    EXPECT_EQ(frame(0, 0), kRed);
}

TEST_F(ApplicationStack, RemovingAnAnimatedFormShrinksItAwayOverTheFormBelow) {
    TestForm a("a", kRed);
    TestForm b("b", kBlue, u"scale");
    app.add_modal_form(a, false, false);
    app.add_modal_form(b, false, false);
    EXPECT_TRUE(app.remove_modal_form(b, true));

    ASSERT_NE(app.transition(), nullptr);
    EXPECT_EQ(app.transition()->direction(), -1);
    EXPECT_TRUE(app.screen_surface().empty()) << "the transition took the image";
    EXPECT_FALSE(b.visible());
    EXPECT_TRUE(a.visible());
    EXPECT_EQ(frame(0, 0), kBlue) << "progress 1: the removed form whole";
    app.advance(0.1);
    EXPECT_EQ(frame(0, 0), kRed);
    EXPECT_EQ(at(screen, 3, 2), kBlue);
    finish_transition();
    EXPECT_EQ(frame(3, 2), kRed);
}

TEST_F(ApplicationStack, FullScreenFormOverAnOverlayDropsTheDimmedBackground) {
    TestForm a("a", kRed);
    TestForm menu("menu", kGreen, 0, 2);
    TestForm b("b", kBlue);
    app.add_modal_form(a, false, false);
    app.add_modal_form(menu, true, false);
    frames_until_settled();
    app.add_modal_form(b, false, false);

    EXPECT_TRUE(app.screen_surface().empty());
    EXPECT_EQ(app.dim_level(), Application::kDimNone);
    EXPECT_FALSE(menu.visible());
    EXPECT_TRUE(b.visible());
    EXPECT_EQ(frame(0, 5), kBlue);
}

TEST_F(ApplicationStack, TransitionOverAnOverlayStartsFromWhatTheScreenShowed) {
    TestForm a("a", kRed);
    TestForm menu("menu", kGreen, 0, 2);
    TestForm b("b", kBlue, u"left");
    app.add_modal_form(a, false, false);
    app.add_modal_form(menu, true, false);
    frames_until_settled();
    app.add_modal_form(b, false, true);

    ASSERT_NE(app.transition(), nullptr);
    EXPECT_EQ(app.dim_level(), Application::kDimNone);
    const RenderSurface& from = app.transition()->from();
    ASSERT_EQ(from.size(), (Size{kWidth, kHeight}));
    EXPECT_EQ(at(from, 0, 5), dimmed(kRed, 128));
    EXPECT_EQ(at(from, 0, 0), kGreen);
    EXPECT_EQ(frame(0, 5), dimmed(kRed, 128)) << "progress 0 shows the old screen as it was";

    // Taken back mid-run: the menu returns over its background dimmed once, not twice.
    app.advance(0.08);
    EXPECT_TRUE(app.remove_modal_form(b, true));
    EXPECT_TRUE(menu.visible());
    finish_transition();
    frames_until_settled();
    EXPECT_EQ(at(screen, 0, 5), dimmed(kRed, 128));
    EXPECT_EQ(at(screen, 0, 0), kGreen);
}

TEST_F(ApplicationStack, RemovingAFormAboveAnOverlayRefreezesTheFullScreenFormUnderIt) {
    TestForm a("a", kRed);
    TestForm menu("menu", kGreen, 0, 2);
    TestForm b("b", kBlue, u"scale");
    app.add_modal_form(a, false, false);
    app.add_modal_form(menu, true, false);
    app.add_modal_form(b, false, false);
    ASSERT_TRUE(app.screen_surface().empty());

    EXPECT_TRUE(app.remove_modal_form(b, true));
    EXPECT_TRUE(menu.visible());
    EXPECT_FALSE(a.visible());
    ASSERT_NE(app.transition(), nullptr);
    // The menu's background is a's image, kept while the transition plays from a copy.
    ASSERT_FALSE(app.screen_surface().empty());
    EXPECT_EQ(at(app.screen_surface(), 0, 5), kRed);
    EXPECT_EQ(at(app.transition()->from(), 0, 5), kRed);

    finish_transition();
    frames_until_settled();
    EXPECT_EQ(at(screen, 0, 5), dimmed(kRed, 128));
    EXPECT_EQ(at(screen, 0, 0), kGreen);
}

TEST_F(ApplicationStack, OverlayPlaysItsOwnVisibilityAnimation) {
    TestForm a("a", kRed);
    TestForm menu("menu", kGreen, u"pop");
    app.add_modal_form(a, false, false);
    app.add_modal_form(menu, true, true);
    EXPECT_EQ(app.transition(), nullptr) << "overlays are not screen transitions";
    ASSERT_TRUE(menu.visibility_animation()->is_running());
    EXPECT_EQ(menu.visibility_animation()->direction(), 1);
    app.advance(0.04);
    EXPECT_NEAR(menu.visibility_animation()->progress(), 0.1, 1e-9);
}

TEST_F(ApplicationStack, InputAndTimeReachOnlyTheTopForm) {
    TestForm a("a", kRed);
    TestForm b("b", kBlue);
    app.add_modal_form(a, false, false);
    app.add_modal_form(b, false, false);

    EXPECT_TRUE(app.on_pointer({2, 3, 10, true, false}));
    app.on_pointer_move({4, 4});
    EXPECT_FALSE(app.on_text(u"x")) << "the form's own answer";
    EXPECT_EQ(b.pointers.size(), 1u);
    EXPECT_EQ(b.moves, (std::vector<Point>{Point{4, 4}}));
    EXPECT_EQ(b.texts, std::vector<platform::WString>{u"x"});
    EXPECT_TRUE(a.pointers.empty());
    EXPECT_TRUE(a.moves.empty());
    EXPECT_TRUE(a.texts.empty());

    app.set_screen_metrics({10, 4, 1, 96});
    app.advance(0.04);
    EXPECT_EQ(b.advanced, std::vector<double>{0.04});
    EXPECT_TRUE(a.advanced.empty());
    EXPECT_EQ(b.size(), (Size{10, 4})) << "placed at the screen size every step";
}

TEST_F(ApplicationStack, PushingAFormAgainMovesItToTheTop) {
    TestForm a("a", kRed);
    TestForm b("b", kBlue);
    app.add_modal_form(a, false, false);
    app.add_modal_form(b, false, false);
    app.add_modal_form(a, false, false);
    EXPECT_EQ(app.form_count(), 2);
    EXPECT_EQ(app.top_form(), &a);
    EXPECT_EQ(app.form_at(0), &b);
    EXPECT_TRUE(a.visible());
    EXPECT_FALSE(b.visible());
}

class RecordingListener : public zentra::ReloadListener {
public:
    RecordingListener(std::vector<int>& log, int id) : m_log(log), m_id(id) {}
    void on_reload_skin(zentra::Properties&) override { m_log.push_back(m_id); }

private:
    std::vector<int>& m_log;
    int m_id;
};

TEST_F(ApplicationStack, NewSkinReachesEveryListenerInOrderOnTheNextStep) {
    TestForm a("a", kRed);
    app.add_modal_form(a, false, false);
    zentra::Properties skin;
    std::vector<int> order;
    RecordingListener first(order, 1), second(order, 2), third(order, 3);
    skin.add_reload_listener(&first);
    skin.add_reload_listener(&second);
    skin.add_reload_listener(&third);

    app.reload_skin(skin);
    app.reload_skin(skin);  // still pending: one reload is enough
    EXPECT_EQ(app.form_count(), 2);
    EXPECT_NE(app.top_form(), &a);
    EXPECT_TRUE(order.empty()) << "nothing happens inside the caller's own code";

    app.advance(0.04);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(app.form_count(), 1);
    EXPECT_EQ(app.top_form(), &a);
    EXPECT_TRUE(a.visible());
    EXPECT_EQ(frame(0, 0), kRed);

    app.advance(0.04);
    EXPECT_EQ(order.size(), 3u);
    ASSERT_EQ(observer.events.size(), 3u);
    EXPECT_EQ(observer.events[1].rfind("added", 0), 0u);
    EXPECT_EQ(observer.events[2].rfind("removed", 0), 0u);
}

TEST_F(ApplicationStack, TheFocusedEditGetsTheFocusBackWhenItsFormIsOnTopAgain) {
    using zentra::EditNode;
    TestForm a("a", kRed);
    auto& name = static_cast<EditNode&>(a.add_child(std::make_unique<EditNode>()));
    auto& other = static_cast<EditNode&>(a.add_child(std::make_unique<EditNode>()));
    TestForm menu("menu", kGreen);
    TestForm b("b", kBlue);
    app.add_modal_form(a, false, false);
    name.focus();
    ASSERT_EQ(EditNode::focused(), &name);

    // Covered by an overlay, then by a full-screen form: the focus goes and comes back.
    app.add_modal_form(menu, true, true);
    EXPECT_EQ(EditNode::focused(), nullptr);
    app.add_modal_form(b, false, false);
    app.remove_modal_form(b, false);
    EXPECT_EQ(EditNode::focused(), nullptr) << "the overlay is on top";
    app.remove_modal_form(menu, true);
    EXPECT_EQ(EditNode::focused(), &name);
    app.add_modal_form(b, false, true);
    app.remove_modal_form(b, true);
    EXPECT_EQ(EditNode::focused(), &name);

    // Whatever had the focus when the form was covered is what comes back; with none, none.
    other.focus();
    app.add_modal_form(menu, true, false);
    app.remove_modal_form(menu, false);
    EXPECT_EQ(EditNode::focused(), &other);
    EditNode::clear_focus();
    app.add_modal_form(menu, true, false);
    app.remove_modal_form(menu, false);
    EXPECT_EQ(EditNode::focused(), nullptr);

    // A form that asked for the focus before it was pushed keeps it.
    app.add_modal_form(b, false, false);
    auto& in_menu = static_cast<EditNode&>(menu.add_child(std::make_unique<EditNode>()));
    in_menu.focus();
    app.add_modal_form(menu, true, true);
    EXPECT_EQ(EditNode::focused(), &in_menu);
    app.remove_modal_form(menu, false);
    app.remove_modal_form(b, false);

    // An edit destroyed while covered (a skin reload rebuilds the form) is not followed.
    name.focus();
    app.add_modal_form(menu, true, false);
    a.destroy_children();
    app.remove_modal_form(menu, false);
    EXPECT_EQ(EditNode::focused(), nullptr);
}

}  // namespace
