// The `label_edit` node: placeholder and clear button follow the edit's text.

#include "skin/label_edit_node.h"

#include "skin/edit_node.h"
#include "tests/skin/node_type_test_support.h"

namespace {

using zentra::EditNode;
using zentra::LabelEditNode;

struct CountingListener : zentra::EditListener {
    void on_changed(EditNode&) override { ++count; }
    int count = 0;
};

constexpr const char* kSkin = R"(
    define Screen {
        node {
            string type = "label_edit"  string id = "search"  string text = "Search"
            node { string type = "edit"  string id = "#edit" }
            node { string type = "text"  string id = "#text" }
            node {
                string type = "button"  string id = "clear"
                string anchor_x = "MAX_SIDE"  point design_size = 10, 10
            }
        }
    }
    define NoText {
        node {
            string type = "label_edit"
            node { string type = "edit"  string id = "#edit" }
        }
    }
)";

class LabelEditNodeTest : public skintest::NodeStage {
protected:
    void SetUp() override {
        NodeStage::SetUp();
        load(kSkin);
        show("Screen", 60, 20);
        label().set_listener(&listener);
    }
    LabelEditNode& label() { return node<LabelEditNode>(u"search"); }

    CountingListener listener;
};

TEST_F(LabelEditNodeTest, ShowsThePlaceholderWhileEmptyAndClearOnceTyped) {
    EXPECT_EQ(label().placeholder().text(), u"Search");
    EXPECT_TRUE(label().placeholder().visible());
    EXPECT_FALSE(label().clear_button()->visible());

    label().edit().on_text(u"a");
    EXPECT_FALSE(label().placeholder().visible());
    EXPECT_TRUE(label().clear_button()->visible());
    EXPECT_EQ(listener.count, 1);

    // Erasing the one character brings the placeholder back and hides clear.
    label().edit().on_text(u"");
    EXPECT_TRUE(label().placeholder().visible());
    EXPECT_FALSE(label().clear_button()->visible());
    EXPECT_EQ(listener.count, 2);
}

TEST_F(LabelEditNodeTest, ClearEmptiesTheEditAndBringsThePlaceholderBack) {
    label().edit().set_text(u"abc");
    // A tap on the clear button at the right end.
    root.on_pointer({55, 5, 0, true});
    root.on_pointer({55, 5, 10, false});
    EXPECT_EQ(label().edit().get_text(), u"");
    EXPECT_TRUE(label().placeholder().visible());
    EXPECT_FALSE(label().clear_button()->visible());
    EXPECT_EQ(listener.count, 2);
}

TEST_F(LabelEditNodeTest, AMissingPlaceholderIsAnError) {
    EXPECT_THROW(zentra::load_from_skin(root, skin, u"NoText"), zentra::NodeNotFound);
}

}  // namespace
