// The menu driven as a person would: it opens, rows are tapped, sub-menus replace the rows,
// commands close it, Backspace and the cancel button back out, and the window-button row
// routes each of its buttons.

#include "skin/menu.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/keys.h"
#include "skin/button_node.h"
#include "skin/form_host.h"
#include "skin/magic4_buttons.h"
#include "skin/menu_element.h"
#include "skin/text_node.h"
#include "skin/vlist.h"
#include "tests/skin/node_type_test_support.h"

namespace {

using platform::WString;
using zentra::Menu;
using zentra::MenuItem;

// Records the stack operations as lines; keeps no stack of its own.
class FakeHost : public zentra::FormHost {
public:
    FakeHost() { set_instance(this); }
    ~FakeHost() { set_instance(nullptr); }
    void add_modal_form(zentra::Form&, bool overlay, bool animate) override {
        calls.push_back(std::string("add") + (overlay ? " overlay" : "") +
                        (animate ? " animate" : ""));
    }
    bool remove_modal_form(zentra::Form&, bool animate) override {
        calls.push_back(std::string("remove") + (animate ? " animate" : ""));
        return true;
    }
    zentra::Form* top_form() const override { return nullptr; }
    void request_redraw() override {}
    const zentra::ScreenMetrics& screen_metrics() const override { return m_metrics; }

    std::vector<std::string> calls;

private:
    zentra::ScreenMetrics m_metrics;
};

// Hands out the items set for each name and records every name asked for.
class Owner : public zentra::MenuListener {
public:
    std::vector<MenuItem> menu_items(Menu&, platform::WStringView name) override {
        asked.push_back(platform::to_utf8(name));
        auto found = items.find(WString(name));
        return found != items.end() ? found->second : std::vector<MenuItem>{};
    }
    std::map<WString, std::vector<MenuItem>> items;
    std::vector<std::string> asked;
};

using Lines = std::vector<std::string>;

// A 100 x 100 menu: caption in the top 10 pixels, the list below it in 80, the cancel button
// in the last 10. Rows are 20 high; the window-button row has four 25-pixel buttons.
constexpr const char* kSkin = R"(
    define Menu {
        node { string type = "node"  string id = "panel"
            node { string type = "text"  string id = "caption"
                   string anchor_y = "MIN_SIDE"  point design_size = 100, 10 }
            node { string type = "vlist"  string id = "vlist"
                   point border_min = 0, 10  point border_max = 0, 10 }
            node { string type = "button"  string id = "cancel"
                   string anchor_y = "MAX_SIDE"  point design_size = 100, 10 }
        }
    }
    define MenuElement {
        point design_size = 100, 20
        node { string type = "text"  string id = "#text" }
        node { string type = "node"  string id = "separator" }
        node { string type = "node"  string id = "checked" }
    }
    define MenuElementDisabled {
        point design_size = 100, 20
        node { string type = "text"  string id = "#text" }
        node { string type = "node"  string id = "dimmed" }
    }
    define MenuElementRed {
        point design_size = 100, 20
        node { string type = "text"  string id = "#text" }
        node { string type = "node"  string id = "red" }
    }
    define MenuElement4Buttons {
        point design_size = 100, 20
        node { string type = "button"  string id = "Help"  string anchor_x = "MIN_SIDE"
               point border_min = 0, 0  point design_size = 25, 20 }
        node { string type = "button"  string id = "Minimize"  string anchor_x = "MIN_SIDE"
               point border_min = 25, 0  point design_size = 25, 20 }
        node { string type = "button"  string id = "Exit"  string anchor_x = "MIN_SIDE"
               point border_min = 50, 0  point design_size = 25, 20 }
        node { string type = "button"  string id = "About"  string anchor_x = "MIN_SIDE"
               point border_min = 75, 0  point design_size = 25, 20 }
    }
)";

MenuItem item(const char16_t* key, bool enabled = true) {
    MenuItem made;
    made.key = key;
    made.enabled = enabled;
    return made;
}

class MenuTest : public skintest::NodeStage {
protected:
    void SetUp() override {
        NodeStage::SetUp();
        load(kSkin);
        skin.set_dictionary({{u"Main", u"Main menu"},
                             {u"Call", u"Call now"},
                             {u"Help", u"Help!"},
                             {u"Settings", u"Settings..."}});
        MenuItem labelled = item(u"Settings");
        labelled.label = u"Options";
        labelled.separator = true;
        MenuItem red = item(u"Delete");
        red.row_style = u"MenuElementRed";
        red.checked = true;
        MenuItem buttons = item(u"Magic4Buttons");
        buttons.row_style = u"MenuElement4Buttons";
        owner.items[u"Main"] = {item(u"Call"), item(u"Locked", false), labelled, red};
        owner.items[u"Settings"] = {buttons, item(u"Sound"), item(u"Screen")};
        owner.items[u"Help"] = {item(u"Manual")};
        owner.items[u"Minimize"] = {item(u"Manual")};
        owner.items[u"Exit"] = {item(u"Manual")};
        owner.items[u"About"] = {item(u"Manual")};
        menu = std::make_unique<Menu>(skin, u"Menu", owner);
    }
    void TearDown() override {
        menu.reset();
        NodeStage::TearDown();
    }

    void draw() {
        zentra::layout_root(*menu, {0, 0}, {100, 100});
        surface.recreate(100, 100);
        menu->render(surface, {0, 0});
    }
    void open() {
        menu->open_by_name(u"Main", {}, true);
        draw();
    }
    void tap(int x, int y) {
        menu->on_pointer({x, y, now, true, false});
        now += 50;
        menu->on_pointer({x, y, now, false, false});
        now += 50;
        draw();
    }
    // Row i of the list as a menu row.
    zentra::MenuElement& row(int i) {
        auto* element = dynamic_cast<zentra::MenuElement*>(menu->list().element_for(i));
        EXPECT_NE(element, nullptr) << "row " << i;
        return *element;
    }
    std::string row_text(int i) {
        return platform::to_utf8(row(i).find<zentra::TextNode>(u"#text").text());
    }
    std::string caption() { return platform::to_utf8(menu->caption()->text()); }
    bool key(int code) { return menu->on_key({code, true, true}); }

    FakeHost host;
    Owner owner;
    std::unique_ptr<Menu> menu;
    uint32_t now = 1000;
};

TEST_F(MenuTest, FirstOpeningPushesAnAnimatedOverlayAndBuildsEachRowFromItsItem) {
    open();
    EXPECT_EQ(host.calls, Lines{"add overlay animate"});
    EXPECT_EQ(owner.asked, Lines{"Main"});
    EXPECT_EQ(caption(), "Main menu");
    ASSERT_EQ(menu->list().item_count(), 4);

    EXPECT_EQ(row_text(0), "Call now");  // no label: the key's translation
    EXPECT_EQ(row_text(2), "Options");   // a label wins over the key
    EXPECT_EQ(row(1).find_descendant(u"dimmed") != nullptr, true);
    EXPECT_EQ(row(3).find_descendant(u"red") != nullptr, true);

    EXPECT_TRUE(row(2).find(u"separator").visible());
    EXPECT_FALSE(row(2).find(u"checked").visible());
    EXPECT_FALSE(row(0).find(u"separator").visible());
    // The red style has no separator or check mark; the flags ask for none of it.
    EXPECT_EQ(row(3).find_descendant(u"checked"), nullptr);
}

TEST_F(MenuTest, RowsTheSkinCannotBuildAreLeftOutWhenTheMenuOpens) {
    MenuItem odd = item(u"Odd", false);  // a disabled row needs MenuElementRedDisabled
    odd.row_style = u"MenuElementRed";
    MenuItem unknown = item(u"Unknown");
    unknown.row_style = u"NoSuchRow";
    MenuItem buttons = item(u"Magic4Buttons");  // its row has no "#text", and needs none
    buttons.row_style = u"MenuElement4Buttons";
    MenuItem textless = item(u"Textless");  // a text row without "#text"
    textless.row_style = u"MenuElement4Buttons";
    owner.items[u"Main"] = {item(u"Call"), odd, buttons, unknown, textless, item(u"Help")};
    open();  // draws: nothing leaves the frame
    EXPECT_EQ(host.calls, Lines{"add overlay animate"});
    ASSERT_EQ(menu->items().size(), 3u);
    EXPECT_EQ(menu->items()[1].key, u"Magic4Buttons");
    EXPECT_EQ(menu->list().item_count(), 3);
    EXPECT_EQ(row_text(0), "Call now");
    EXPECT_EQ(row_text(2), "Help!");
    tap(50, 10 + 20 * 2 + 5);  // the rows still match their items
    EXPECT_EQ(owner.asked, (Lines{"Main", "Help"}));
    // Without its default row style no menu could show a row: it is not made at all.
    EXPECT_THROW(Menu(skin, u"Menu", owner, u"NoSuchRow"), zentra::NodeNotFoundInSkin);
}

TEST_F(MenuTest, ChosenRowReachesTheOwnerOnceAndItsSubMenuReplacesTheRowsInPlace) {
    open();
    tap(50, 10 + 20 * 1 + 5);  // disabled: nothing happens
    EXPECT_EQ(owner.asked, Lines{"Main"});
    EXPECT_EQ(caption(), "Main menu");

    tap(50, 10 + 20 * 2 + 5);  // "Settings", labelled "Options"
    EXPECT_EQ(owner.asked, (Lines{"Main", "Settings"}));
    EXPECT_EQ(caption(), "Options");
    EXPECT_EQ(host.calls, Lines{"add overlay animate"});  // still the one overlay
    ASSERT_EQ(menu->list().item_count(), 3);
    EXPECT_NE(dynamic_cast<zentra::Magic4Buttons*>(menu->list().element_for(0)), nullptr);
    EXPECT_EQ(row_text(1), "Sound");

    // The same items again only refresh the rows: the row objects stay.
    zentra::VListElement* before = menu->list().element_for(1);
    menu->open_by_name(u"Settings", u"Options", false);
    draw();
    EXPECT_EQ(menu->list().element_for(1), before);

    // A command leads to no items: the menu closes itself.
    tap(50, 10 + 20 * 2 + 5);  // "Screen"
    EXPECT_EQ(owner.asked, (Lines{"Main", "Settings", "Settings", "Screen"}));
    EXPECT_EQ(host.calls, (Lines{"add overlay animate", "remove animate"}));
    EXPECT_EQ(menu->list().item_count(), 0);
}

TEST_F(MenuTest, BackspaceAndCancelTellTheOwnerAndCloseTheMenu) {
    open();
    EXPECT_FALSE(key(velvane::key::Left + 100));  // unknown keys are not taken
    EXPECT_EQ(owner.asked, Lines{"Main"});
    EXPECT_FALSE(menu->on_key({velvane::key::Backspace, false, true}));  // a release alone
    EXPECT_TRUE(key(velvane::key::Backspace));
    EXPECT_EQ(owner.asked, (Lines{"Main", ""}));
    EXPECT_EQ(host.calls, (Lines{"add overlay animate", "remove animate"}));

    open();
    tap(50, 95);
    EXPECT_EQ(owner.asked, (Lines{"Main", "", "Main", ""}));
    EXPECT_EQ(host.calls.back(), "remove animate");
    EXPECT_EQ(host.calls.size(), 4u);
}

TEST_F(MenuTest, EachWindowButtonOpensTheEntryOfItsName) {
    const std::vector<std::pair<int, std::string>> buttons = {
        {10, "Help"}, {35, "Minimize"}, {60, "Exit"}, {85, "About"}};
    for (const auto& [x, name] : buttons) {
        owner.asked.clear();
        menu->open_by_name(u"Settings", {}, false);
        draw();
        ASSERT_NE(dynamic_cast<zentra::Magic4Buttons*>(menu->list().element_for(0)), nullptr);
        tap(x, 10 + 5);
        EXPECT_EQ(owner.asked, (Lines{"Settings", name})) << name;
        EXPECT_EQ(row_text(0), "Manual") << name;
    }
    EXPECT_EQ(caption(), "About");
    // The row itself, between no buttons, names no command.
    menu->open_by_name(u"Settings", {}, false);
    owner.asked.clear();
    menu->on_item_click(menu->list(), 0);
    EXPECT_TRUE(owner.asked.empty());
}

}  // namespace
