// The `edit` node: its text and password rules, the change listener, and the input focus it
// asks of the shell's bridge.

#include "skin/edit_node.h"

#include <string>
#include <vector>

#include "skin/edit_bridge.h"
#include "tests/skin/node_type_test_support.h"

namespace {

using zentra::EditNode;

// Accepts the focus requests and records them, one line each.
class RecordingBridge : public zentra::EditBridge {
public:
    RecordingBridge() { set_instance(this); }
    ~RecordingBridge() { set_instance(nullptr); }
    void set_edit_node(EditNode* edit, bool create) override {
        calls.push_back(edit == nullptr ? "stop" : std::string(create ? "start " : "move ") +
                                                       platform::to_utf8(edit->name()));
    }
    void edit_text_changed(EditNode& edit) override {
        calls.push_back("text " + platform::to_utf8(edit.get_text()));
    }
    std::vector<std::string> calls;
};

struct CountingListener : zentra::EditListener {
    void on_changed(EditNode&) override { ++count; }
    int count = 0;
};

using Calls = std::vector<std::string>;

constexpr const char* kSkin = R"(
    define Screen {
        node {
            string type = "edit"  string id = "name"  string text = "Ann"
            color background_color = 255, 0, 0  int capitalize = 1
            string anchor_y = "MIN_SIDE"  point design_size = 40, 20
        }
    }
)";

class EditNodeTest : public skintest::NodeStage {
protected:
    void SetUp() override {
        NodeStage::SetUp();
        load(kSkin);
        show("Screen", 40, 40);
        node<EditNode>(u"name").set_listener(&listener);
    }
    void TearDown() override {
        EditNode::clear_focus();
        NodeStage::TearDown();
    }
    EditNode& edit() { return node<EditNode>(u"name"); }
    void press() { root.on_pointer({5, 5, 0, true}); }

    RecordingBridge bridge;
    CountingListener listener;
};

TEST_F(EditNodeTest, LoadsItsPropertiesAndDrawsTheBackgroundUnderTheText) {
    EXPECT_EQ(edit().get_text(), u"Ann");
    EXPECT_TRUE(edit().capitalize());
    EXPECT_EQ(pixel(0, 0), zentra::Color(255, 0, 0, 255).to_565());
    EXPECT_EQ(pixel(0, 30), 0);  // below the edit
}

TEST_F(EditNodeTest, SettingTheSameTextTwiceTellsTheListenerOnce) {
    edit().set_text(u"Bob");
    edit().set_text(u"Bob");
    EXPECT_EQ(listener.count, 1);
    EXPECT_EQ(edit().text(), u"Bob");
}

TEST_F(EditNodeTest, PasswordShowsOneStarPerCharacterAndKeepsTheRealText) {
    edit().set_password(u"s3cr3");
    EXPECT_EQ(edit().text(), u"*****");
    EXPECT_EQ(edit().get_text(), u"s3cr3");
    // Text set later stays a password too.
    edit().set_text(u"ab");
    EXPECT_EQ(edit().text(), u"**");
    EXPECT_EQ(edit().get_text(), u"ab");
}

TEST_F(EditNodeTest, PressStartsTheBridgeAndHidingStopsIt) {
    press();
    EXPECT_EQ(EditNode::focused(), &edit());
    edit().set_text(u"Cy");
    edit().set_visible(false);
    EXPECT_EQ(bridge.calls, (Calls{"start name", "text Cy", "stop"}));
    EXPECT_EQ(EditNode::focused(), nullptr);
}

TEST_F(EditNodeTest, TheFocusedEditFollowsALayoutAndAnUnfocusedOneDoesNot) {
    zentra::layout_root(root, {0, 0}, {40, 60});  // nothing focused yet
    EXPECT_TRUE(bridge.calls.empty());
    press();
    edit().invalidate_layout();
    zentra::layout_root(root, {0, 0}, {40, 60});
    EXPECT_EQ(bridge.calls, (Calls{"start name", "move name"}));
}

TEST_F(EditNodeTest, TypedTextComesInThroughOnText) {
    press();
    EXPECT_TRUE(edit().on_text(u"Dora"));
    EXPECT_EQ(edit().get_text(), u"Dora");
    EXPECT_TRUE(edit().layout_pending());
    EXPECT_EQ(listener.count, 1);
    // Typed text is the input's own; the bridge is not told about it again.
    EXPECT_EQ(bridge.calls, (Calls{"start name"}));
    // The last character erased: the input hands over an empty text, which the edit takes.
    EXPECT_TRUE(edit().on_text(u""));
    EXPECT_EQ(edit().get_text(), u"");
    EXPECT_EQ(listener.count, 2);
    // Already empty: nothing changes and nobody hears.
    EXPECT_TRUE(edit().on_text(u""));
    EXPECT_EQ(listener.count, 2);
}

TEST_F(EditNodeTest, FocusFromCodeTakesTheBridgeAtOnceOrOnceTheEditIsShown) {
    edit().focus();
    EXPECT_EQ(EditNode::focused(), &edit());
    EXPECT_EQ(bridge.calls, (Calls{"start name"}));

    // Asked while its screen is hidden: the edit waits and takes the focus when shown.
    root.set_visible(false);
    EXPECT_EQ(EditNode::focused(), nullptr);
    edit().focus();
    EXPECT_EQ(EditNode::focused(), nullptr);
    root.set_visible(true);
    EXPECT_EQ(EditNode::focused(), &edit());

    // Cleared by code, the waiting ends too.
    root.set_visible(false);
    edit().focus();
    EditNode::clear_focus();
    root.set_visible(true);
    EXPECT_EQ(EditNode::focused(), nullptr);
    EXPECT_EQ(bridge.calls, (Calls{"start name", "stop", "start name", "stop"}));
}

TEST_F(EditNodeTest, DestroyingTheFocusedEditStopsTheBridge) {
    press();
    root.destroy_children();
    EXPECT_EQ(EditNode::focused(), nullptr);
    EXPECT_EQ(bridge.calls, (Calls{"start name", "stop"}));
}

}  // namespace
