// The keypad driven by taps: keys append, backspace removes, held keys give their second
// character, the swap of backspace and close, the call key and closing.

#include "screens/keyboard_container.h"

#include "skin/node.h"
#include "skin/text_node.h"
#include "tests/screens/screen_test_support.h"

namespace screens_test {
namespace {

class Owner : public KeyboardListener {
public:
    std::vector<std::string> reports;
    void on_keyboard_text(KeyboardContainer&, WStringView text) override {
        reports.push_back("text " + platform::to_utf8(text));
    }
    void on_keyboard_closed(KeyboardContainer&) override { reports.push_back("closed"); }
    void on_keyboard_call(KeyboardContainer&, WStringView text) override {
        reports.push_back("call " + platform::to_utf8(text));
    }
    std::vector<std::string> take() { return std::exchange(reports, {}); }
};

using Reports = std::vector<std::string>;

class Keypad : public ScreenStage {
protected:
    void build(bool swap) {
        load("define Screen { point design_size = 100, 100\n" + keypad_source() + "}\n");
        ASSERT_TRUE(zentra::load_from_skin(root, skin, u"Screen"));
        zentra::layout_root(root, {0, 0}, {100, 100});
        keypad = std::make_unique<KeyboardContainer>(owner, swap);
        keypad->bind(root);
    }
    void tap_key(const std::string& id) {
        const KeyAt at = key_at(id);
        tap(root, at.x, at.y);
    }
    void hold_key(const std::string& id, uint32_t ms) {
        const KeyAt at = key_at(id);
        root.on_pointer(pointer(at.x, at.y, true));
        run_for(ms);
        root.on_pointer(pointer(at.x, at.y, false));
    }
    zentra::Node& node(const char16_t* name) { return root.find(name); }
    std::string shown_text() {
        return platform::to_utf8(root.find<zentra::TextNode>(u"text_button_call").text());
    }

    zentra::Node root;
    Owner owner;
    std::unique_ptr<KeyboardContainer> keypad;
};

TEST_F(Keypad, KeysAppendAndBackspaceRemovesReportingEveryChange) {
    build(true);
    for (const char* key : {"button1", "button2", "button9", "button0", "button_hash"}) {
        tap_key(key);
    }
    EXPECT_EQ(keypad->text(), u"1290#");
    EXPECT_EQ(shown_text(), "1290#");
    EXPECT_EQ(owner.take(), (Reports{"text 1", "text 12", "text 129", "text 1290", "text 1290#"}));
    tap_key("button_backspace");
    EXPECT_EQ(owner.take(), (Reports{"text 1290"}));
    keypad->set_text(u"");
    owner.take();
    tap_key("button_backspace");
    EXPECT_TRUE(owner.take().empty()) << "backspace on an empty text reports nothing";
}

TEST_F(Keypad, HeldKeysGiveTheirSecondCharacterAndNoFirst) {
    build(false);
    hold_key("button0", 700);
    hold_key("button1", 800);
    hold_key("button_hash", 700);
    EXPECT_EQ(keypad->text(), u"+ *");
    EXPECT_EQ(owner.take(), (Reports{"text +", "text + ", "text + *"}));
    // Let go just before the time: an ordinary click, and the timer does not fire later.
    hold_key("button0", 690);
    run_for(1000);
    EXPECT_EQ(keypad->text(), u"+ *0");
    // Keys without a second action stay themselves however long they are held.
    hold_key("button5", 2000);
    EXPECT_EQ(keypad->text(), u"+ *05");
}

TEST_F(Keypad, HoldingBackspaceClearsAndTheSwapBringsCloseBack) {
    build(true);
    EXPECT_FALSE(node(u"button_backspace").visible());
    EXPECT_TRUE(node(u"button_close").visible());
    tap_key("button4");
    EXPECT_TRUE(node(u"button_backspace").visible());
    EXPECT_FALSE(node(u"button_close").visible());
    tap_key("button5");
    owner.take();
    hold_key("button_backspace", 700);
    EXPECT_EQ(keypad->text(), u"");
    EXPECT_EQ(owner.take(), (Reports{"text "}));
    EXPECT_FALSE(node(u"button_backspace").visible());
    EXPECT_TRUE(node(u"button_close").visible());
}

TEST_F(Keypad, WithoutTheSwapBothKeysFollowOnlyTheBinding) {
    build(false);
    tap_key("button4");
    EXPECT_FALSE(node(u"button_backspace").visible()) << "hidden after binding, not swapped";
    EXPECT_TRUE(node(u"button_close").visible());
}

TEST_F(Keypad, SlidingOffAHeldKeyIsNeitherClickNorLongPress) {
    build(false);
    const KeyAt at = key_at("button0");
    root.on_pointer(pointer(at.x, at.y, true));
    run_for(300);
    root.on_pointer_move({95, 95});
    root.on_pointer(pointer(95, 95, false));
    run_for(1000);
    EXPECT_EQ(keypad->text(), u"");
    EXPECT_TRUE(owner.take().empty());
}

TEST_F(Keypad, CallReportsTheTextEvenEmptyAndChangesNothing) {
    build(true);
    tap_key("button_call");
    tap_key("button7");
    tap_key("button_call");
    EXPECT_EQ(owner.take(), (Reports{"call ", "text 7", "call 7"}));
    EXPECT_EQ(keypad->text(), u"7");
}

TEST_F(Keypad, ShowAndCloseOnlyWhileVisible) {
    build(true);
    keypad->root()->set_visible_at_once(false);
    keypad->close(false);
    EXPECT_TRUE(owner.take().empty()) << "closing a hidden keypad does nothing";

    keypad->show(false);
    EXPECT_TRUE(keypad->is_visible());
    EXPECT_FALSE(node(u"button_call").visible());
    tap_key("button3");
    owner.take();
    tap_key("button_backspace");
    tap_key("button_close");
    EXPECT_EQ(owner.take(), (Reports{"text ", "text ", "closed"}));
    EXPECT_FALSE(keypad->is_visible());
    keypad->show(true);
    EXPECT_TRUE(node(u"button_call").visible());
}

TEST_F(Keypad, AMissingKeyStopsTheBinding) {
    load(
        "define Screen { node { string type = \"node\" string id = \"KeyboardContainer\" "
        "node { string type = \"button\" string id = \"button0\" } } }\n");
    ASSERT_TRUE(zentra::load_from_skin(root, skin, u"Screen"));
    KeyboardContainer incomplete(owner, true);
    try {
        incomplete.bind(root);
        FAIL() << "bound without its keys";
    } catch (const zentra::NodeNotFound& missing) {
        EXPECT_EQ(missing.name, u"button1");
    }
}

}  // namespace
}  // namespace screens_test
