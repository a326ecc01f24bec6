// The `multinode`: one visible child at a time, chosen by code, by a click on a child button
// or by cycling through the children on a timer.

#include "skin/multinode.h"

#include <string>
#include <vector>

#include "tests/skin/node_type_test_support.h"

namespace {

using zentra::ButtonNode;
using zentra::MultiNode;
using zentra::Node;

struct SelectRecorder : zentra::MultiNodeListener {
    void on_select(MultiNode& node, bool by_user) override {
        calls.push_back(std::to_string(node.current()) + (by_user ? " user" : " auto"));
    }
    std::vector<std::string> calls;
};

using Calls = std::vector<std::string>;

class MultiNodeTest : public skintest::NodeStage {
protected:
    MultiNode& multi() { return node<MultiNode>(u"multi"); }

    // The visible children, as their indexes in order.
    std::string visible_children() {
        std::string shown;
        for (int i = 0; i < multi().child_count(); ++i) {
            if (multi().child(i)->visible()) {
                shown += std::to_string(i);
            }
        }
        return shown;
    }

    SelectRecorder recorder;
};

// Three frames of half a second: red, green, blue.
constexpr const char* kMovie = R"(
    define Screen {
        node {
            string type = "multinode"  string id = "multi"  int delay = 1
            node { string type = "color"  string movie = "0.5"  color color = 255, 0, 0 }
            node { string type = "color"  string movie = "0.5"  color color = 0, 255, 0 }
            node { string type = "color"  string movie = "0.5"  color color = 0, 0, 255 }
        }
    }
)";

TEST_F(MultiNodeTest, OnlyTheFirstChildStartsVisible) {
    load(kMovie);
    show("Screen", 4, 4);
    EXPECT_EQ(multi().current(), 0);
    EXPECT_EQ(visible_children(), "0");
    EXPECT_EQ(pixel(1, 1), 0xF800);
}

TEST_F(MultiNodeTest, CyclesEachChildForItsTimeAndWrapsToTheFirst) {
    load(kMovie);
    show("Screen", 4, 4);
    multi().set_listener(&recorder);
    // Eighths of a second add up exactly, so the switch times are sharp.
    std::string seen;
    for (int step = 1; step <= 16; ++step) {
        root.advance(0.125);
        seen += std::to_string(multi().current());
        EXPECT_EQ(visible_children(), std::to_string(multi().current())) << step;
    }
    EXPECT_EQ(seen, "0001111222200001");
    EXPECT_EQ(recorder.calls, (Calls{"1 auto", "2 auto", "0 auto", "1 auto"}));
    root.render(surface, {0, 0});
    EXPECT_EQ(pixel(1, 1), 0x07E0);
}

TEST_F(MultiNodeTest, ALongStepMovesOneChildAndKeepsTheRest) {
    load(kMovie);
    show("Screen", 4, 4);
    root.advance(0.75);
    EXPECT_EQ(multi().current(), 1);
    EXPECT_DOUBLE_EQ(multi().elapsed(), 0.25);
    root.advance(0.25);
    EXPECT_EQ(multi().current(), 2);
}

TEST_F(MultiNodeTest, ChildrenWithoutATimeTakeTheMultinodes) {
    load(R"(
        define Screen {
            node {
                string type = "multinode"  string id = "multi"  int delay = 1
                string movie = "0.25"
                node { string type = "node" }
                node { string type = "node"  int movie = 1 }
                node { string type = "node"  string movie = "junk" }
            }
        }
    )");
    show("Screen", 4, 4);
    EXPECT_DOUBLE_EQ(multi().duration(0), 0.25);
    EXPECT_DOUBLE_EQ(multi().duration(1), 1.0);
    EXPECT_DOUBLE_EQ(multi().duration(2), 0.25);
    root.advance(0.25);
    EXPECT_EQ(multi().current(), 1);
    root.advance(0.5);
    EXPECT_EQ(multi().current(), 1);
    root.advance(0.5);
    EXPECT_EQ(multi().current(), 2);
}

TEST_F(MultiNodeTest, StandsStillWithoutDelayWhileHiddenOrWithoutAnyTime) {
    load(R"(
        define Screen {
            node { string type = "multinode"  string id = "multi"  string movie = "0.5"
                   node { string type = "node" }  node { string type = "node" } }
            node { string type = "multinode"  string id = "timeless"  int delay = 1
                   node { string type = "node" }  node { string type = "node" } }
        }
    )");
    show("Screen", 4, 4);
    root.advance(2);
    EXPECT_EQ(multi().current(), 0);
    EXPECT_EQ(node<MultiNode>(u"timeless").current(), 0);

    multi().set_cycling(true);
    root.set_visible(false);
    root.advance(0.4);
    EXPECT_EQ(multi().elapsed(), 0) << "time does not pass for a hidden multinode";
    root.set_visible(true);
    root.advance(0.4);
    EXPECT_EQ(multi().current(), 0);
    root.advance(0.1);
    EXPECT_EQ(multi().current(), 1);
}

TEST_F(MultiNodeTest, SelectShowsExactlyOneChildAndTellsOnlyOfChanges) {
    load(kMovie);
    show("Screen", 4, 4);
    multi().set_listener(&recorder);
    multi().select(2, true);
    EXPECT_EQ(visible_children(), "2");
    multi().select(2, true);  // already current
    multi().select(3, true);  // no such child
    multi().select(-1, false);
    multi().select(0, false);
    EXPECT_EQ(visible_children(), "0");
    EXPECT_EQ(recorder.calls, (Calls{"2 user", "0 auto"}));
}

TEST_F(MultiNodeTest, RemovingChildrenKeepsTheCurrentIndexInRange) {
    load(kMovie);
    show("Screen", 4, 4);
    multi().select(2, false);
    std::unique_ptr<Node> taken = multi().take_child(0);
    // Two entries left: 2 modulo 2 is the first.
    EXPECT_EQ(multi().current(), 0);
    EXPECT_EQ(visible_children(), "0");
    multi().take_child(1);
    multi().take_child(0);
    EXPECT_EQ(multi().current(), 0);
    root.advance(1);  // nothing left to cycle through
    EXPECT_EQ(multi().child_count(), 0);
}

TEST_F(MultiNodeTest, AClickOnAChildButtonStepsToTheNextAndLabelsReachEveryButton) {
    load(R"(
        define Screen {
            node {
                string type = "multinode"  string id = "multi"  string text = "Speaker"
                node { string type = "button"  string id = "off" }
                node { string type = "button"  string id = "on" }
            }
        }
    )");
    skin.set_dictionary({{u"Speaker", u"Loudspeaker"}});
    show("Screen", 10, 10);
    multi().set_listener(&recorder);
    auto& off = node<ButtonNode>(u"off");
    auto& on = node<ButtonNode>(u"on");
    EXPECT_EQ(off.label(), u"Loudspeaker");
    EXPECT_EQ(on.label(), u"Loudspeaker");

    auto tap = [this](bool pressed) { root.on_pointer({5, 5, 0, pressed, false}); };
    tap(true);
    tap(false);
    EXPECT_EQ(multi().current(), 1);
    tap(true);
    tap(false);
    EXPECT_EQ(multi().current(), 0);
    EXPECT_EQ(recorder.calls, (Calls{"1 user", "0 user"}));

    // A button taken out no longer reports to the multinode.
    std::unique_ptr<Node> taken = multi().take_child(1);
    EXPECT_EQ(static_cast<ButtonNode&>(*taken).listener(), nullptr);
    EXPECT_NE(off.listener(), nullptr);
}

TEST_F(MultiNodeTest, SelectAtOnceSwitchesWithoutTheAnimationsAndEndsOneThatRuns) {
    load(R"(
        define Screen {
            node {
                string type = "multinode"  string id = "multi"
                node { string type = "color"  string visibility_animation = "scale" }
                node { string type = "color"  string visibility_animation = "scale" }
            }
        }
    )");
    show("Screen", 4, 4);
    multi().set_listener(&recorder);
    auto running = [this](int i) {
        return multi().child(i)->visibility_animation()->is_running();
    };
    multi().select(1, true);
    EXPECT_TRUE(running(0));
    EXPECT_TRUE(running(1));

    // Back at once: neither child animates, and the change is told as not by the user.
    multi().select_at_once(0);
    EXPECT_EQ(visible_children(), "0");
    EXPECT_FALSE(running(0));
    EXPECT_FALSE(running(1));
    EXPECT_EQ(recorder.calls, (Calls{"1 user", "0 auto"}));

    // Already current: a run still going is ended, nobody is told.
    multi().select(1, false);
    multi().select(0, false);
    EXPECT_TRUE(running(0));
    multi().select_at_once(0);
    multi().select_at_once(5);
    EXPECT_FALSE(running(0));
    EXPECT_FALSE(running(1));
    EXPECT_EQ(visible_children(), "0");
    EXPECT_EQ(recorder.calls, (Calls{"1 user", "0 auto", "1 auto", "0 auto"}));
}

struct LayoutRecorder : zentra::LayoutListener {
    void on_layout(Node& node, zentra::Axis axis, int length) override {
        calls.push_back(platform::to_utf8(node.name()) +
                        (axis == zentra::Axis::Horizontal ? " w" : " h") + std::to_string(length));
    }
    std::vector<std::string> calls;
};

TEST_F(MultiNodeTest, TheMultinodeHearsItsButtonsPlacementAndPassesItOn) {
    load(R"(
        define Screen {
            node {
                string type = "multinode"  string id = "multi"
                node { string type = "button"  string id = "off" }
                node { string type = "color"  string id = "plain" }
            }
        }
    )");
    show("Screen", 10, 8);
    LayoutRecorder owner;
    multi().set_button_layout_listener(&owner);
    EXPECT_NE(node<ButtonNode>(u"off").layout_listener(), nullptr);
    EXPECT_EQ(node<Node>(u"plain").layout_listener(), nullptr);
    zentra::layout_root(root, {0, 0}, {12, 6});
    EXPECT_EQ(owner.calls, (Calls{"off w12", "off h6"}));

    std::unique_ptr<Node> taken = multi().take_child(0);
    EXPECT_EQ(taken->layout_listener(), nullptr);
}

}  // namespace
