// The `button` node: state children, the click rules for the stylus and the bound key, and
// the order in which its listener hears about them.

#include "skin/button_node.h"

#include <string>
#include <vector>

#include "core/keys.h"
#include "skin/node_factory.h"
#include "tests/skin/node_type_test_support.h"

namespace {

using zentra::ButtonEvent;
using zentra::ButtonNode;
using zentra::Node;
using zentra::Point;
using zentra::PointerEvent;

// Writes every call as one line, so a test compares the whole sequence at once.
struct Recorder : zentra::ButtonListener {
    bool on_click(ButtonNode&, const ButtonEvent& event) override {
        calls.push_back("click " + at(event.point));
        return click_result;
    }
    void on_press_changed(ButtonNode& button, const ButtonEvent& event) override {
        calls.push_back(std::string(button.pressed() ? "down " : "up ") + at(event.point) +
                        (event.cancelled ? " cancelled" : ""));
    }
    void on_pointer(ButtonNode&, Point point) override { calls.push_back("pointer " + at(point)); }
    static std::string at(Point p) { return std::to_string(p.x) + "," + std::to_string(p.y); }

    std::vector<std::string> calls;
    bool click_result = true;
};

using Calls = std::vector<std::string>;

// A 20 x 10 button at (10, 10) in a 40 x 30 screen, bound to the talk key.
constexpr const char* kSkin = R"(
    define Screen {
        node {
            string type = "button"  string id = "ok"  string bind_key = "CALL_MAKE"
            string anchor_x = "MIN_SIDE"  string anchor_y = "MIN_SIDE"
            point border_min = 10, 10  point design_size = 20, 10
            node { string type = "color"  string id = "#normal"  color color = 0, 0, 255 }
            node { string type = "color"  string id = "#pressed"  color color = 255, 0, 0 }
            node { string type = "color"  string id = "#disabled"  color color = 128, 128, 128 }
        }
        node {
            string type = "button"  string id = "plain"
            string anchor_x = "MIN_SIDE"  string anchor_y = "MIN_SIDE"
            point border_min = 0, 25  point design_size = 5, 5
            node { string type = "color"  string id = "#normal" }
            node { string type = "color"  string id = "#pressed" }
        }
    }
)";

class ButtonNodeTest : public skintest::NodeStage {
protected:
    void SetUp() override {
        NodeStage::SetUp();
        load(kSkin);
        show("Screen", 40, 30);
        button().set_listener(&recorder);
    }

    ButtonNode& button() { return node<ButtonNode>(u"ok"); }

    // Through the root, as the screen passes the stylus on.
    bool tap(int x, int y, bool pressed, bool cancel = false) {
        PointerEvent event;
        event.x = x;
        event.y = y;
        event.pressed = pressed;
        event.cancel = cancel;
        return root.on_pointer(event);
    }

    bool key(int code, bool down) { return root.on_key({code, down, true}); }

    // Which state child the button shows.
    std::string shown(ButtonNode& b) {
        std::string names;
        for (const char16_t* name : {u"#normal", u"#pressed", u"#disabled"}) {
            if (Node* state = b.find_descendant(name); state != nullptr && state->visible()) {
                names += platform::to_utf8(name);
            }
        }
        return names;
    }

    Recorder recorder;
};

TEST_F(ButtonNodeTest, ShowsExactlyTheStateChildOfItsState) {
    EXPECT_EQ(shown(button()), "#normal");
    EXPECT_EQ(pixel(15, 15), 0x001F);
    ASSERT_TRUE(tap(15, 15, true));
    EXPECT_EQ(shown(button()), "#pressed");
    root.render(surface, {0, 0});
    EXPECT_EQ(pixel(15, 15), 0xF800);
    tap(15, 15, false);
    EXPECT_EQ(shown(button()), "#normal");

    button().set_enabled(false);
    EXPECT_EQ(shown(button()), "#disabled");
    // Disabled wins over pressed.
    button().set_pressed_by_code(true);
    EXPECT_EQ(shown(button()), "#disabled");
    button().set_enabled(true);
    EXPECT_EQ(shown(button()), "#pressed");
    button().set_pressed_by_code(false);
    EXPECT_EQ(shown(button()), "#normal");
    // Presses from code change the look only; the listener heard the tap alone.
    EXPECT_EQ(recorder.calls, (Calls{"pointer 15,15", "down 15,15", "up 15,15", "click 15,15"}));
}

TEST_F(ButtonNodeTest, WithoutADisabledChildADisabledButtonShowsNormal) {
    auto& plain = node<ButtonNode>(u"plain");
    plain.set_pressed_by_code(true);
    EXPECT_EQ(shown(plain), "#pressed");
    root.set_enabled(false);  // disabled through an ancestor
    EXPECT_FALSE(plain.is_enabled());
    EXPECT_EQ(shown(plain), "#normal");
}

TEST_F(ButtonNodeTest, PressAndReleaseInsideClicksOnce) {
    EXPECT_TRUE(tap(12, 11, true));
    EXPECT_TRUE(tap(13, 12, false));
    EXPECT_EQ(recorder.calls, (Calls{"pointer 12,11", "down 12,11", "up 13,12", "click 13,12"}));
    EXPECT_FALSE(button().pressed());
}

TEST_F(ButtonNodeTest, DraggingOutAndReleasingCancelsTheClick) {
    tap(15, 15, true);
    root.on_pointer_move({18, 13});
    root.on_pointer_move({35, 25});
    // The button captured the press, so it hears the release although it is elsewhere.
    tap(35, 25, false);
    EXPECT_EQ(recorder.calls,
              (Calls{"pointer 15,15", "down 15,15", "pointer 3,-2", "pointer 17,12", "up 35,25"}));
    EXPECT_EQ(shown(button()), "#normal");
}

TEST_F(ButtonNodeTest, ACancelledGestureReleasesWithoutAClick) {
    tap(15, 15, true);
    tap(15, 15, false, true);
    EXPECT_EQ(recorder.calls, (Calls{"pointer 15,15", "down 15,15", "up 15,15 cancelled"}));
}

TEST_F(ButtonNodeTest, TheClickAnswerIsTheListeners) {
    recorder.click_result = false;
    button().on_pointer({15, 15, 0, true, false});
    // The button takes the stylus even when the listener did not want the click.
    EXPECT_TRUE(button().on_pointer({15, 15, 0, false, false}));
    EXPECT_EQ(recorder.calls.back(), "click 15,15");
}

TEST_F(ButtonNodeTest, DisabledButtonNeverClicks) {
    button().set_enabled(false);
    // The screen does not even offer it the stylus.
    EXPECT_FALSE(tap(15, 15, true));
    EXPECT_FALSE(tap(15, 15, false));
    // Offered directly, the press is reported as cancelled and nothing clicks.
    button().on_pointer({15, 15, 0, true, false});
    button().on_pointer({15, 15, 0, false, false});
    // Its bound key is still its own, but does not click either.
    EXPECT_TRUE(key(velvane::key::CallMake, true));
    EXPECT_TRUE(key(velvane::key::CallMake, false));
    EXPECT_EQ(recorder.calls, (Calls{"pointer 15,15", "down 15,15 cancelled", "up 15,15 cancelled",
                                     "down 20,15 cancelled", "up 20,15 cancelled"}));
}

TEST_F(ButtonNodeTest, BoundKeyClicksAtTheCentreWhereverThePointerIs) {
    EXPECT_EQ(button().bound_key(), velvane::key::CallMake);
    tap(2, 2, true);  // elsewhere on the screen
    tap(2, 2, false);
    EXPECT_TRUE(key(velvane::key::CallMake, true));
    EXPECT_TRUE(button().pressed_by_key());
    EXPECT_EQ(shown(button()), "#pressed");
    EXPECT_TRUE(key(velvane::key::CallMake, false));
    EXPECT_EQ(recorder.calls, (Calls{"down 20,15", "up 20,15", "click 20,15"}));
}

TEST_F(ButtonNodeTest, OtherKeysPassOn) {
    EXPECT_FALSE(key(velvane::key::CallEnd, true));
    EXPECT_FALSE(key(velvane::key::Enter, true));
    // "plain" binds nothing: not even code 0 reaches it as its key.
    EXPECT_FALSE(node<ButtonNode>(u"plain").on_key({velvane::key::None, true, true}));
    EXPECT_TRUE(recorder.calls.empty());
    EXPECT_FALSE(button().pressed());
}

TEST_F(ButtonNodeTest, KeyAndStylusPressesOverlapWithoutADoubleClick) {
    tap(15, 15, true);
    key(velvane::key::CallMake, true);  // still pressed: no change to report
    tap(15, 15, false);                 // the key still holds it down
    EXPECT_TRUE(button().pressed());
    key(velvane::key::CallMake, false);
    EXPECT_EQ(recorder.calls, (Calls{"pointer 15,15", "down 15,15", "up 20,15", "click 20,15"}));
}

TEST_F(ButtonNodeTest, UnknownOrEmptyBindKeyBindsNothing) {
    load(R"(
        define Screen {
            node { string type = "button"  string id = "a"  string bind_key = "F3" }
            node { string type = "button"  string id = "b"  string bind_key = "" }
            node { string type = "button"  string id = "c"  string bind_key = "#" }
        }
    )");
    ASSERT_TRUE(zentra::load_from_skin(root, skin, u"Screen"));
    EXPECT_EQ(node<ButtonNode>(u"a").bound_key(), 0);
    EXPECT_EQ(node<ButtonNode>(u"b").bound_key(), 0);
    EXPECT_EQ(node<ButtonNode>(u"c").bound_key(), velvane::key::Hash);
}

// A stand-in for the text node: takes the text when it carries the name.
struct LabelProbe : Node {
    void set_text(platform::WStringView name, platform::WStringView text) override {
        if (name == this->name()) {
            got = text;
            ++times;
        }
    }
    platform::WString got;
    int times = 0;
};

TEST_F(ButtonNodeTest, TranslatedLabelGoesToTheHashTextNodeInside) {
    zentra::NodeFactory::register_type(u"label_probe", zentra::create_node<LabelProbe>);
    load(R"(
        define Screen {
            node {
                string type = "button"  string id = "b"  string text = "Call"
                node { string type = "node"
                       node { string type = "label_probe"  string id = "#text" } }
                node { string type = "label_probe"  string id = "other" }
            }
        }
    )");
    skin.set_dictionary({{u"Call", u"Dial"}});
    ASSERT_TRUE(zentra::load_from_skin(root, skin, u"Screen"));
    auto& b = node<ButtonNode>(u"b");
    auto& label = node<LabelProbe>(u"#text");
    EXPECT_EQ(b.label(), u"Dial");
    EXPECT_EQ(label.got, u"Dial");
    b.set_label(u"Hang up");
    EXPECT_EQ(label.got, u"Hang up");
    EXPECT_EQ(label.times, 2);
    EXPECT_EQ(node<LabelProbe>(u"other").times, 0);
    zentra::NodeFactory::unregister_type(u"label_probe");
}

}  // namespace
