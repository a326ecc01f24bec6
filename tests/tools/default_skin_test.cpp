// The shipped default skin and its dark variant, loaded from the program folder with the
// program's own loader at 96 and 192 dpi: every definition and named node the screens bind
// is there with the class the screens expect, the main screen lays out sensibly in portrait
// and landscape, a menu shows its rows on its first opening, and a few pixels come out in
// the skin's colours. The committed pictures are what their script draws.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/ustring.h"
#include "skin/bitmap.h"
#include "skin/button_node.h"
#include "core/key_value.h"
#include "skin/edit_node.h"
#include "skin/exceptions.h"
#include "skin/image_node.h"
#include "skin/label_edit_node.h"
#include "skin/layout.h"
#include "skin/menu.h"
#include "skin/multinode.h"
#include "skin/node.h"
#include "skin/node_factory.h"
#include "skin/node_types.h"
#include "skin/properties.h"
#include "skin/render_surface.h"
#include "skin/richtext_node.h"
#include "skin/ruler.h"
#include "skin/spinner.h"
#include "skin/table.h"
#include "skin/text_node.h"
#include "skin/vlist.h"
#include "skin/vlist_adapter.h"
#include "tests/skin/skin_test_support.h"
#include "tools/skinc/pictures.h"

namespace {

namespace fs = std::filesystem;
using platform::WString;
using platform::WStringView;
using zentra::Node;

struct SkinCase {
    const char* skin;
    int dpi;
};

std::string case_name(const ::testing::TestParamInfo<SkinCase>& info) {
    return std::string(info.param.skin) + "_" + std::to_string(info.param.dpi);
}

std::string utf8(WStringView text) {
    return platform::to_utf8(WString(text));
}

class SkinCheck : public ::testing::TestWithParam<SkinCase> {
protected:
    static void SetUpTestSuite() {
        if (!zentra::NodeFactory::is_registered(u"node")) {
            zentra::register_node_types();
        }
        // The program registers the spinner itself, at start-up.
        if (!zentra::NodeFactory::is_registered(u"spinner")) {
            zentra::NodeFactory::register_type(u"spinner",
                                               zentra::create_node<zentra::SpinnerNode>);
        }
    }

    void SetUp() override {
        const fs::path path =
            fs::path(VELVANE_PROGRAM_DIR) / "skins/bin" / (std::string(GetParam().skin) + ".skin");
        ASSERT_TRUE(fs::is_regular_file(path)) << path << " has not been built";
        zentra::ScreenMetrics metrics;
        metrics.dpi_y = GetParam().dpi;
        ASSERT_TRUE(m_skin.load_skin(platform::from_utf8(path.string()), metrics))
            << path << " does not load (a picture missing or not 16-bit?)";
        m_shift = metrics.scale_shift();
    }

    // The definition as a screen would fill itself from it.
    std::unique_ptr<Node> build(WStringView definition) {
        const auto record = m_skin.find_definition(definition);
        if (!record) {
            ADD_FAILURE() << "no definition " << utf8(definition);
            return nullptr;
        }
        const WString type = m_skin.get_string(*record, u"type", u"node");
        auto root = zentra::NodeFactory::create(type);
        zentra::load_from_skin(*root, m_skin, definition);
        return root;
    }

    template <typename T = Node>
    T* expect_node(const Node& parent, WStringView name) {
        Node* found = parent.find_descendant(name);
        if (found == nullptr) {
            ADD_FAILURE() << utf8(parent.name()) << " has no " << utf8(name);
            return nullptr;
        }
        T* typed = dynamic_cast<T*>(found);
        EXPECT_NE(typed, nullptr) << utf8(name) << " is not of the class its screen binds";
        return typed;
    }

    // A tab: a multinode with one button per state.
    void expect_tab(const Node& main, WStringView name, int states) {
        auto* tab = expect_node<zentra::MultiNode>(main, name);
        if (tab == nullptr) {
            return;
        }
        ASSERT_EQ(tab->child_count(), states) << utf8(name);
        for (int i = 0; i < states; ++i) {
            EXPECT_NE(dynamic_cast<zentra::ButtonNode*>(tab->child(i)), nullptr)
                << utf8(name) << " state " << i;
        }
    }

    void expect_keypad(const Node& parent) {
        const Node* keypad = expect_node(parent, u"KeyboardContainer");
        ASSERT_NE(keypad, nullptr);
        for (WStringView key : {u"button0", u"button1", u"button2", u"button3", u"button4",
                                u"button5", u"button6", u"button7", u"button8", u"button9",
                                u"button_hash", u"button_backspace", u"button_call",
                                u"button_close"}) {
            expect_node<zentra::ButtonNode>(*keypad, key);
        }
        expect_node<zentra::TextNode>(*keypad, u"text_button_call");
    }

    // The container, its title bar and the ruler beside it, as the list binds them.
    void expect_contact_list(const Node& parent) {
        const Node* container = expect_node(parent, u"ContactSelectorContainer");
        ASSERT_NE(container, nullptr);
        expect_node<zentra::VList>(*container, u"ContactsList");
        const Node* top = expect_node(*container, u"top");
        ASSERT_NE(top, nullptr);
        expect_node<zentra::ButtonNode>(*top, u"btnCategory");
        expect_node<zentra::TextNode>(*top, u"title");
        expect_node<zentra::ButtonNode>(*top, u"btnAddContact");

        Node* ruler = expect_node(parent, u"ContactsListRuler");
        ASSERT_NE(ruler, nullptr);
        Node* hint = expect_node(*ruler, u"hint");
        ASSERT_NE(hint, nullptr);
        // The letter is set by the hint's own name: a text of that name must be inside.
        const Node* letter = hint->find_descendant(u"hint");
        EXPECT_NE(dynamic_cast<const zentra::TextNode*>(letter), nullptr);
        expect_node<zentra::ButtonNode>(*ruler, u"ruler_button");
        expect_node<zentra::Table>(*ruler, u"ruler_table");
        zentra::Ruler binding;
        binding.bind(*ruler, u"AlphabetRulerText", m_skin);
        EXPECT_GT(binding.letter_height(), 0) << "ruler letters would never be shown";
    }

    zentra::Properties m_skin;
    int m_shift = 0;
};

TEST_P(SkinCheck, MainHoldsTheTabsTheListAndTheKeypad) {
    auto main = build(u"Main");
    ASSERT_NE(main, nullptr);
    expect_tab(*main, u"button_contacts", 3);
    expect_tab(*main, u"button_favorits", 3);
    expect_tab(*main, u"button_recents", 3);
    expect_tab(*main, u"button_menu", 2);
    expect_node<zentra::ButtonNode>(*main, u"open_keyboard");
    // The badge is found under the recents tab and its count is set by the badge's name.
    const Node* recents = main->find_descendant(u"button_recents");
    ASSERT_NE(recents, nullptr);
    Node* badge = expect_node(*recents, u"recent_count");
    ASSERT_NE(badge, nullptr);
    EXPECT_NE(dynamic_cast<zentra::TextNode*>(badge->find_descendant(u"recent_count")), nullptr);
    // Every state carries one: the count stays in sight while the tab is the current one.
    for (int state = 0; state < recents->child_count(); ++state) {
        EXPECT_NE(recents->child(state)->find_descendant(u"recent_count"), nullptr) << state;
    }
    for (WStringView place : {u"RecentsContainer", u"FavoritesContainer", u"FavoritesContainer2"}) {
        expect_node(*main, place);
    }
    expect_contact_list(*main);
    expect_keypad(*main);
}

TEST_P(SkinCheck, ChooserHoldsItsOwnListAndKeypad) {
    auto form = build(u"ContactSelectorForm");
    ASSERT_NE(form, nullptr);
    expect_node<zentra::ButtonNode>(*form, u"cancel");
    expect_node<zentra::ButtonNode>(*form, u"open_keyboard");
    expect_contact_list(*form);
    expect_keypad(*form);
}

TEST_P(SkinCheck, RowsAndTheirTextStyles) {
    auto row = build(u"ContactsListElement");
    ASSERT_NE(row, nullptr);
    for (WStringView line : {u"big", u"small"}) {
        Node* node = expect_node(*row, line);
        EXPECT_TRUE(dynamic_cast<zentra::RichTextNode*>(node) != nullptr ||
                    dynamic_cast<zentra::TextNode*>(node) != nullptr);
    }
    for (WStringView state : {u"#vlist_normal", u"#vlist_pressed", u"#vlist_selected"}) {
        expect_node(*row, state);
    }
    const zentra::Color black{0, 0, 0, 255};
    const auto second = m_skin.find_definition(u"ContactsListElementSecondText");
    const auto filtered = m_skin.find_definition(u"ContactsListElementFilteredText");
    ASSERT_TRUE(second && filtered);
    EXPECT_NE(m_skin.get_font(*second, u"font", nullptr), nullptr);
    // Without a colour of their own both styles would fall back to black, and the marked
    // part must stand out from the rest of the line.
    const zentra::Color second_color = m_skin.get_color(*second, u"color", black);
    const zentra::Color filtered_color = m_skin.get_color(*filtered, u"color", black);
    EXPECT_FALSE(second_color == black);
    EXPECT_FALSE(filtered_color == black);
    EXPECT_FALSE(filtered_color == second_color);
}

TEST_P(SkinCheck, MenuRowsHaveTheirParts) {
    for (WStringView name : {u"MenuElement", u"MenuElementDisabled", u"MenuElementRed"}) {
        auto row = build(name);
        ASSERT_NE(row, nullptr);
        expect_node<zentra::TextNode>(*row, u"#text");
        expect_node(*row, u"separator");
        expect_node(*row, u"checked");
    }
    auto buttons = build(u"MenuElement4Buttons");
    ASSERT_NE(buttons, nullptr);
    for (WStringView name : {u"Help", u"Minimize", u"Exit"}) {
        expect_node<zentra::ButtonNode>(*buttons, name);
    }
}

struct Box {
    int x, y, w, h;
    int right() const { return x + w; }
    int bottom() const { return y + h; }
};

Box box(const Node& node) {
    return {node.position().x, node.position().y, node.size().w, node.size().h};
}

// What a screen binds a named node as.
enum class Bound {
    Any, Button, Text, Image, VList, LabelEdit, Spinner, Toggle, Icons,
    // The direction of a call: incoming, missed, outgoing, as buttons (the recents list takes
    // taps on it) or as pictures (the history's rows leave taps to the row).
    DirectionButtons, DirectionPictures
};

struct Part {
    const char16_t* name;
    Bound as;
};

struct Screen {
    const char16_t* definition;
    std::vector<Part> parts;
};

// The contact card, its rows and its editors, as their screens bind them.
const std::vector<Screen>& card_screens() {
    static const std::vector<Screen> screens = {
        {u"ContactForm",
         {{u"cancel", Bound::Button}, {u"padding", Bound::Any}, {u"standart", Bound::Button},
          {u"edit_mode", Bound::Toggle}, {u"List", Bound::VList}}},
        {u"ContactHead",
         {{u"firstname", Bound::Text}, {u"lastname", Bound::Text}, {u"company", Bound::Text},
          {u"button_choose_photo", Bound::Button}, {u"button_remove_photo", Bound::Button},
          {u"photo", Bound::Image}, {u"edit_header", Bound::Button}}},
        {u"ContactFieldElement",
         {{u"big", Bound::Text}, {u"small", Bound::Text}, {u"favorite", Bound::Toggle},
          {u"icons", Bound::Icons}, {u"sms", Bound::Button}, {u"remove", Bound::Button},
          {u"action", Bound::Button}, {u"confirm_remove", Bound::Button}}},
        {u"ContactFieldButtons", {{u"new_field", Bound::Button}, {u"delete_contact", Bound::Button}}},
        {u"GroupSeparatorElement", {}},
        {u"SeparatorElement", {}},
        {u"EditContactHeaderForm",
         {{u"cancel", Bound::Button}, {u"label_edit_firstname", Bound::LabelEdit},
          {u"label_edit_lastname", Bound::LabelEdit}, {u"label_edit_company", Bound::LabelEdit}}},
        {u"EditContactAddressForm",
         {{u"cancel", Bound::Button}, {u"label_edit_street", Bound::LabelEdit},
          {u"label_edit_city", Bound::LabelEdit}, {u"label_edit_zip", Bound::LabelEdit},
          {u"label_edit_state", Bound::LabelEdit}, {u"label_edit_country", Bound::LabelEdit}}},
        {u"EditFieldForm", {{u"cancel", Bound::Button}, {u"label_edit", Bound::LabelEdit}}},
        {u"EditDateForm",
         {{u"cancel", Bound::Button}, {u"date", Bound::Any}, {u"year", Bound::Spinner},
          {u"month", Bound::Spinner}, {u"day", Bound::Spinner}, {u"hour", Bound::Spinner},
          {u"minute", Bound::Spinner}}},
        {u"SpinnerElementDate", {{u"#text", Bound::Text}}},
        {u"SelectFieldForm", {{u"cancel", Bound::Button}, {u"List", Bound::VList}}},
        {u"SelectFieldFormElement",
         {{u"big", Bound::Text}, {u"icons", Bound::Icons}, {u"action", Bound::Button}}},
        {u"EditCategoriesForm",
         {{u"catList", Bound::VList}, {u"cancel", Bound::Button},
          {u"add_category", Bound::Button}}},
        {u"CategoryElement", {{u"checked", Bound::Image}, {u"cat_name", Bound::Text}}},
    };
    return screens;
}

// A multinode whose every state is of class T, with states of them.
template <typename T>
void expect_states(const Node& node, int states) {
    const auto* multi = dynamic_cast<const zentra::MultiNode*>(&node);
    ASSERT_NE(multi, nullptr) << utf8(node.name()) << " is not a multinode";
    ASSERT_EQ(multi->child_count(), states) << utf8(node.name());
    for (int i = 0; i < states; ++i) {
        EXPECT_NE(dynamic_cast<const T*>(multi->child(i)), nullptr)
            << utf8(node.name()) << " state " << i;
    }
}

void expect_bound(const Node& root, const Part& part) {
    SCOPED_TRACE(utf8(root.name()) + " / " + utf8(part.name));
    const Node* node = root.find_descendant(part.name);
    ASSERT_NE(node, nullptr) << "missing";
    switch (part.as) {
    case Bound::Any:
        break;
    case Bound::Button:
        EXPECT_NE(dynamic_cast<const zentra::ButtonNode*>(node), nullptr);
        break;
    case Bound::Text:
        EXPECT_NE(dynamic_cast<const zentra::TextNode*>(node), nullptr);
        break;
    case Bound::Image:
        EXPECT_NE(dynamic_cast<const zentra::ImageNode*>(node), nullptr);
        break;
    case Bound::VList:
        EXPECT_NE(dynamic_cast<const zentra::VList*>(node), nullptr);
        break;
    case Bound::LabelEdit:
        // Loading it already found its edit and placeholder; a clear button is the skin's.
        EXPECT_NE(dynamic_cast<const zentra::LabelEditNode*>(node), nullptr);
        break;
    case Bound::Spinner:
        EXPECT_NE(dynamic_cast<const zentra::SpinnerNode*>(node), nullptr);
        break;
    case Bound::Toggle:
        expect_states<zentra::ButtonNode>(*node, 2);
        break;
    case Bound::Icons:
        // One picture per kind of field, in the order the screens number them.
        expect_states<zentra::ImageNode>(*node, 8);
        break;
    case Bound::DirectionButtons:
        expect_states<zentra::ButtonNode>(*node, 3);
        break;
    case Bound::DirectionPictures:
        expect_states<zentra::ImageNode>(*node, 3);
        break;
    }
}

// The favourites, the recents and the call screen, as their screens bind them.
const std::vector<Screen>& call_screens() {
    static const std::vector<Screen> screens = {
        {u"FavoritesListElement",
         {{u"photo", Bound::Image}, {u"big", Bound::Text}, {u"small", Bound::Text},
          {u"btnFav", Bound::Button}}},
        {u"FavoritesListElement2", {}},
        {u"FavoritesItem",
         {{u"btnContact", Bound::Button}, {u"btnFav", Bound::Button}, {u"photo", Bound::Image},
          {u"text1", Bound::Text}, {u"text2", Bound::Text}}},
        {u"RecentsListElement",
         {{u"firstlast", Bound::Text}, {u"count", Bound::Text}, {u"datetime", Bound::Text},
          {u"duration", Bound::Text}, {u"phone", Bound::Text},
          {u"direction", Bound::DirectionButtons}, {u"btnRecents", Bound::Button}}},
        {u"ContactRecentsForm",
         {{u"padding", Bound::Any}, {u"cancel", Bound::Button}, {u"edit_mode", Bound::Toggle},
          {u"List", Bound::VList}}},
        {u"SimpleContactHead",
         {{u"firstname", Bound::Text}, {u"lastname", Bound::Text}, {u"company", Bound::Text},
          {u"photo", Bound::Image}}},
        {u"SimpleRecentsListElement",
         {{u"phone", Bound::Text}, {u"call_info", Bound::Text},
          {u"direction", Bound::DirectionPictures}, {u"remove", Bound::Button}}},
        {u"CallForm",
         {{u"firstname", Bound::Text}, {u"lastname", Bound::Text}, {u"company", Bound::Text},
          {u"photo", Bound::Image}, {u"txtStatus", Bound::Text},
          {u"buttonSpeaker", Bound::Button}, {u"buttonMute", Bound::Button},
          {u"buttonHold", Bound::Button}, {u"buttonNote", Bound::Button},
          {u"buttonContacts", Bound::Button}, {u"buttonKeyboard", Bound::Button},
          {u"buttonAnswer", Bound::Button}, {u"buttonIgnore", Bound::Button},
          {u"buttonEndCall", Bound::Button}}},
    };
    return screens;
}

TEST_P(SkinCheck, CardAndEditorsHoldWhatTheirScreensBind) {
    for (const Screen& screen : card_screens()) {
        auto root = build(screen.definition);
        ASSERT_NE(root, nullptr);
        for (const Part& part : screen.parts) {
            expect_bound(*root, part);
        }
    }
    // The card sets the photo button's text by the button's label.
    auto head = build(u"ContactHead");
    ASSERT_NE(head, nullptr);
    expect_node<zentra::TextNode>(head->find(u"button_choose_photo"), u"#text");
    auto date = build(u"EditDateForm");
    ASSERT_NE(date, nullptr);
    for (WStringView spinner : {u"year", u"month", u"day", u"hour", u"minute"}) {
        expect_node<zentra::SpinnerNode>(date->find(u"date"), spinner);
    }
}

TEST_P(SkinCheck, FavoritesRecentsAndCallHoldWhatTheirScreensBind) {
    for (const Screen& screen : call_screens()) {
        auto root = build(screen.definition);
        ASSERT_NE(root, nullptr);
        for (const Part& part : screen.parts) {
            expect_bound(*root, part);
        }
    }
    // Each tab's container holds its list under the main screen.
    auto main = build(u"Main");
    ASSERT_NE(main, nullptr);
    for (const auto& [container, list] :
         {std::pair{u"FavoritesContainer", u"FavoritesList"},
          std::pair{u"FavoritesContainer2", u"FavoritesList2"},
          std::pair{u"RecentsContainer", u"RecentsList"}}) {
        const Node* node = expect_node(*main, container);
        ASSERT_NE(node, nullptr);
        expect_node<zentra::VList>(*node, list);
    }
    // The call screen finds each switch inside its own button, and its keypad as the main
    // screen's; the call buttons set their labels by name.
    auto call = build(u"CallForm");
    ASSERT_NE(call, nullptr);
    for (const auto& [button, toggle] :
         {std::pair{u"buttonSpeaker", u"switchSpeaker"}, std::pair{u"buttonMute", u"switchMute"},
          std::pair{u"buttonHold", u"switchHold"}}) {
        expect_node(call->find(button), toggle);
    }
    for (WStringView button : {u"buttonAnswer", u"buttonIgnore", u"buttonEndCall"}) {
        expect_node<zentra::TextNode>(call->find(button), u"#text");
    }
    expect_keypad(*call);
}

// A favourite's photo goes through the picture of its `photo` node: the key colour stays out,
// pixels marked opaque let the photo through, the rest (the rim) lie over it. The node draws
// that picture at its own size and as it is (keyed, no translucency), so where a contact has
// no photo the same picture is the default one.
TEST_P(SkinCheck, FavouritePhotosAreFramed) {
    const int s = m_shift;
    for (WStringView definition : {u"FavoritesListElement", u"FavoritesItem"}) {
        SCOPED_TRACE(utf8(definition));
        auto root = build(definition);
        ASSERT_NE(root, nullptr);
        const auto& photo = root->find<zentra::ImageNode>(u"photo");
        const zentra::ImageRef& frame = photo.source();
        ASSERT_FALSE(frame.empty());
        const zentra::Bitmap& picture = *frame.picture;
        const int w = picture.width();
        const int h = picture.height();
        ASSERT_EQ(w, h) << "a round frame";
        zentra::layout_root(*root, {0, 0}, {240 << s, 200 << s});
        EXPECT_EQ(photo.size().w, w << s);
        EXPECT_EQ(photo.size().h, h << s);

        // Across the middle row: key colour outside, then the rim (not the key colour, not
        // marked opaque), then the inside, marked opaque throughout.
        constexpr uint16_t key = 0xF81F;
        constexpr uint16_t marked = 0x0020;
        const uint16_t* row = picture.row(h / 2);
        EXPECT_EQ(picture.row(0)[0], key);
        EXPECT_EQ(picture.row(h - 1)[w - 1], key);
        int x = 0;
        while (x < w / 2 && row[x] == key) {
            ++x;
        }
        EXPECT_LE(x, 1) << "the frame reaches the picture's edge";
        const int rim_x = x;
        int rim = 0;
        while (x < w / 2 && !(row[x] & marked)) {
            EXPECT_NE(row[x], key);
            ++rim;
            ++x;
        }
        EXPECT_GE(rim, 1);
        EXPECT_LE(rim, 3);
        for (; x < w - rim_x - rim; ++x) {
            EXPECT_TRUE(row[x] & marked) << "inside pixel " << x << " would cover the photo";
        }

        // Drawn with the keyed copy of level 0: the rim lands exactly as stored, and the
        // corners show what lies under them.
        const Box b = box(photo);
        zentra::RenderSurface surface;
        surface.recreate(240 << s, 200 << s);
        root->render(surface, {0, 0});
        const auto pixel = [&](int px, int py) { return surface.bitmap()->row(py)[px]; };
        EXPECT_EQ(pixel(b.x + (rim_x << s), b.y + ((h / 2) << s)), row[rim_x]);
        EXPECT_NE(pixel(b.x, b.y), key);
        EXPECT_EQ(pixel(b.x, b.y), pixel(b.x - 1, b.y));
    }
}

// Every screen of the card fits the screen, with its header on top and its list, when it
// has one, filling the rest, in every orientation.
// Texts as a screen fills them (texts that size themselves to their content have no width
// while empty), the long forms of the short ones.
void fill_texts(Node& root, const std::vector<Part>& parts) {
    for (const Part& part : parts) {
        if (part.as != Bound::Text) {
            continue;
        }
        const WStringView name = part.name;
        const char16_t* text = name == u"count"      ? u" (12)"
                               : name == u"datetime" ? u"21.11.2026"
                               : name == u"duration" ? u"1:02:03"
                                                     : u"Anna Karenina";
        root.find<zentra::TextNode>(name).set_text(text);
    }
}

std::vector<Screen> every_screen() {
    std::vector<Screen> screens = card_screens();
    screens.insert(screens.end(), call_screens().begin(), call_screens().end());
    return screens;
}

// A form with a header; the call screen has none (its own test follows).
bool has_header(WStringView name) {
    return name.ends_with(u"Form") && name != u"CallForm";
}

TEST_P(SkinCheck, FormsLayOutInPortraitAndLandscape) {
    const int s = m_shift;
    for (const Screen& screen : every_screen()) {
        const WStringView name = screen.definition;
        if (!has_header(name)) {
            continue;
        }
        auto root = build(name);
        ASSERT_NE(root, nullptr);
        for (const auto& [w, h] : {std::pair{240, 320}, std::pair{320, 240},
                                  std::pair{240, 400}, std::pair{400, 240}}) {
            SCOPED_TRACE(utf8(name) + " " + std::to_string(w) + "x" + std::to_string(h));
            zentra::layout_root(*root, {0, 0}, {w << s, h << s});
            const Box cancel = box(root->find(u"cancel"));
            EXPECT_EQ(cancel.x, 0);
            EXPECT_EQ(cancel.y, 0);
            EXPECT_GE(cancel.h, 30 << s) << "a finger-sized way back";
            for (const Part& part : screen.parts) {
                const Box b = box(root->find(part.name));
                EXPECT_GT(b.w, 0) << utf8(part.name);
                EXPECT_GT(b.h, 0) << utf8(part.name);
                EXPECT_GE(b.x, 0) << utf8(part.name);
                EXPECT_GE(b.y, 0) << utf8(part.name);
                EXPECT_LE(b.right(), w << s) << utf8(part.name);
                EXPECT_LE(b.bottom(), h << s) << utf8(part.name);
                if (part.as == Bound::VList) {
                    EXPECT_EQ(b.y, cancel.bottom()) << utf8(part.name) << " under the header";
                    EXPECT_EQ(b.bottom(), h << s);
                    EXPECT_EQ(b.w, w << s);
                }
                if (part.as == Bound::Spinner) {
                    // Room for the chosen value and one row on either side of it.
                    const auto& spinner = root->find<zentra::SpinnerNode>(part.name);
                    EXPECT_GE(b.h, 2 * spinner.row_height()) << utf8(part.name);
                }
            }
        }
    }
}

// Rows keep every part inside themselves, at their own height, on narrow and wide lists.
TEST_P(SkinCheck, RowsKeepTheirPartsInside) {
    const int s = m_shift;
    for (const Screen& screen : every_screen()) {
        const WStringView name = screen.definition;
        if (name.ends_with(u"Form")) {
            continue;
        }
        auto row = build(name);
        ASSERT_NE(row, nullptr);
        const int h = m_skin.get_point(*m_skin.find_definition(name), u"design_size", {0, 0}).y;
        EXPECT_GT(h, 0) << utf8(name) << " has no height of its own";
        // A tile is as wide as its share of a grid row: from its own width to just under two.
        const bool tile = name == u"FavoritesItem";
        for (const int w : tile ? std::vector<int>{76, 150} : std::vector<int>{240, 400}) {
            SCOPED_TRACE(utf8(name) + " " + std::to_string(w));
            fill_texts(*row, screen.parts);
            zentra::layout_root(*row, {0, 0}, {w << s, h});
            for (const Part& part : screen.parts) {
                const Box b = box(row->find(part.name));
                EXPECT_GT(b.w, 0) << utf8(part.name);
                EXPECT_GT(b.h, 0) << utf8(part.name);
                EXPECT_GE(b.x, 0) << utf8(part.name);
                EXPECT_GE(b.y, 0) << utf8(part.name);
                EXPECT_LE(b.right(), w << s) << utf8(part.name);
                EXPECT_LE(b.bottom(), h) << utf8(part.name);
            }
        }
    }
}

// The call screen, ringing, connected and with its keypad open, in every orientation: the
// call buttons on the bottom edge, the keypad over everything else but never over them, the
// toggles finger-sized, and each switch exactly over its button's own face, which it hides.
TEST_P(SkinCheck, CallFormLaysOutInPortraitAndLandscape) {
    auto call = build(u"CallForm");
    ASSERT_NE(call, nullptr);
    const int s = m_shift;
    for (const auto& [w, h] : {std::pair{240, 320}, std::pair{320, 240}, std::pair{240, 400},
                              std::pair{400, 240}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        // Ringing: answer and ignore side by side; then end call alone.
        call->find(u"buttonEndCall").set_visible_at_once(false);
        fill_texts(*call, call_screens().back().parts);
        zentra::layout_root(*call, {0, 0}, {w << s, h << s});
        for (const Part& part : call_screens().back().parts) {
            const Box b = box(call->find(part.name));
            EXPECT_GT(b.w, 0) << utf8(part.name);
            EXPECT_GT(b.h, 0) << utf8(part.name);
            EXPECT_GE(b.x, 0) << utf8(part.name);
            EXPECT_LE(b.right(), w << s) << utf8(part.name);
        }
        const Box answer = box(call->find(u"buttonAnswer"));
        const Box ignore = box(call->find(u"buttonIgnore"));
        EXPECT_LE(answer.right(), ignore.x);
        EXPECT_EQ(answer.y, ignore.y);
        EXPECT_GE(answer.w, 90 << s) << "room for the label";
        EXPECT_GE(answer.h, 36 << s);
        EXPECT_GE(answer.x, 0);
        EXPECT_LE(ignore.right(), w << s);
        EXPECT_LE(answer.bottom(), h << s);
        EXPECT_GE(answer.bottom(), (h - 8) << s) << "on the bottom edge";

        call->find(u"buttonEndCall").set_visible_at_once(true);
        call->find(u"buttonAnswer").set_visible_at_once(false);
        call->find(u"buttonIgnore").set_visible_at_once(false);
        zentra::layout_root(*call, {0, 0}, {w << s, h << s});
        const Box end = box(call->find(u"buttonEndCall"));
        EXPECT_GE(end.w, 180 << s);
        EXPECT_GE(end.x, 0);
        EXPECT_LE(end.right(), w << s);
        EXPECT_EQ(end.y, answer.y);

        const Box keypad = box(call->find(u"KeyboardContainer"));
        EXPECT_LE(keypad.bottom(), end.y) << "the keypad leaves the call buttons free";
        EXPECT_GE(keypad.y, 0);
        EXPECT_GE(box(call->find(u"button_hash")).y, keypad.y);
        EXPECT_LE(box(call->find(u"button_hash")).bottom(), keypad.bottom());

        const Box status = box(call->find(u"txtStatus"));
        const Box photo = box(call->find(u"photo"));
        const Box company = box(call->find(u"company"));
        EXPECT_GE(status.y, 0);
        EXPECT_LE(status.bottom(), photo.y);
        EXPECT_LE(photo.bottom(), company.y);
        EXPECT_GE(photo.h, 24 << s) << "a caller's picture that can still be made out";
        for (WStringView name : {u"buttonSpeaker", u"buttonMute", u"buttonHold", u"buttonNote",
                                 u"buttonContacts", u"buttonKeyboard"}) {
            const Box b = box(call->find(name));
            EXPECT_GE(b.w, 60 << s) << utf8(name);
            EXPECT_GE(b.h, 40 << s) << utf8(name);
            EXPECT_GE(b.y, company.bottom()) << utf8(name);
            EXPECT_LE(b.bottom(), end.y) << utf8(name);
            // The caption under the round face, not over it.
            const Box face = box(call->find(name).find(u"face"));
            const Box caption = box(call->find(name).find(u"#text"));
            EXPECT_GE(face.y, b.y) << utf8(name);
            EXPECT_GE(caption.y, face.bottom()) << utf8(name);
            EXPECT_LE(caption.bottom(), b.bottom()) << utf8(name);
        }
        for (const auto& [button, toggle] :
             {std::pair{u"buttonSpeaker", u"switchSpeaker"},
              std::pair{u"buttonMute", u"switchMute"}, std::pair{u"buttonHold", u"switchHold"}}) {
            Node& parent = call->find(button);
            const Box face = box(parent.find(u"face"));
            const Box on = box(parent.find(toggle));
            EXPECT_TRUE(face.x == on.x && face.y == on.y && face.w == on.w && face.h == on.h)
                << utf8(toggle) << " covers its button's face";
        }
        call->find(u"buttonAnswer").set_visible_at_once(true);
        call->find(u"buttonIgnore").set_visible_at_once(true);
    }
}

// A switched toggle shows only its switch: the face under it does not show anywhere, not
// even at the edge of the round, and a press still shows over the switch.
TEST_P(SkinCheck, CallTogglesShowTheirSwitchAndTheirPress) {
    auto call = build(u"CallForm");
    ASSERT_NE(call, nullptr);
    const int s = m_shift;
    call->find(u"KeyboardContainer").set_visible_at_once(false);
    zentra::layout_root(*call, {0, 0}, {240 << s, 320 << s});
    for (const auto& [button, toggle] :
         {std::pair{u"buttonSpeaker", u"switchSpeaker"}, std::pair{u"buttonMute", u"switchMute"},
          std::pair{u"buttonHold", u"switchHold"}}) {
        SCOPED_TRACE(utf8(button));
        Node& parent = call->find(button);
        const Box cell = box(parent);
        const auto render = [&](bool face, bool on, bool pressed) {
            parent.find(u"face").set_visible_at_once(face);
            parent.find(toggle).set_visible_at_once(on);
            parent.find(u"#pressed").set_visible_at_once(pressed);
            zentra::RenderSurface surface;
            surface.recreate(240 << s, 320 << s);
            call->render(surface, {0, 0});
            std::vector<uint16_t> pixels;
            for (int y = cell.y; y < cell.bottom(); ++y) {
                const uint16_t* row = surface.bitmap()->row(y);
                pixels.insert(pixels.end(), row + cell.x, row + cell.right());
            }
            return pixels;
        };
        const auto off = render(true, false, false);
        const auto on = render(true, true, false);
        EXPECT_NE(off, on);
        EXPECT_EQ(on, render(false, true, false)) << "the face shows beside the switch";
        EXPECT_NE(on, render(true, true, true)) << "no press shows over the switch";
        parent.find(u"face").set_visible_at_once(true);
        parent.find(toggle).set_visible_at_once(true);
        parent.find(u"#pressed").set_visible_at_once(false);
    }
}

// A whole picture (no nine-patch middle) drawn at another size than its own is cut short
// or repeated; every such image of these screens gets exactly its picture's size.
TEST_P(SkinCheck, WholePicturesAreDrawnAtTheirOwnSize) {
    const int s = m_shift;
    for (const Screen& screen : call_screens()) {
        auto root = build(screen.definition);
        ASSERT_NE(root, nullptr);
        const zentra::Point design =
            m_skin.get_point(*m_skin.find_definition(screen.definition), u"design_size", {0, 0});
        const bool row = !WStringView(screen.definition).ends_with(u"Form");
        fill_texts(*root, screen.parts);
        const int w = row && design.x > 0 ? design.x : 240 << s;
        zentra::layout_root(*root, {0, 0}, {w, row ? design.y : 320 << s});
        std::vector<const Node*> nodes{root.get()};
        while (!nodes.empty()) {
            const Node* node = nodes.back();
            nodes.pop_back();
            for (int i = 0; i < node->child_count(); ++i) {
                nodes.push_back(node->child(i));
            }
            const auto* image = dynamic_cast<const zentra::ImageNode*>(node);
            if (image == nullptr || image->save_aspect_ratio() || image->source().empty()) {
                continue;
            }
            const auto& pairs = image->source().pairs;
            if (pairs[0].x == pairs[1].x && pairs[2].x == pairs[3].x &&
                pairs[0].y == pairs[1].y && pairs[2].y == pairs[3].y) {
                const zentra::Size natural{pairs[3].x - pairs[0].x, pairs[3].y - pairs[0].y};
                EXPECT_TRUE(image->size().w == natural.w && image->size().h == natural.h)
                    << utf8(screen.definition) << ": " << utf8(node->name()) << " under "
                    << utf8(node->parent()->name()) << " is " << image->size().w << "x"
                    << image->size().h << ", its picture " << natural.w << "x" << natural.h;
            }
        }
    }
}

// The favourites grid: a tile narrow enough for three in a 240 wide portrait row and four
// in landscape, and as high as the row the screen puts it in.
TEST_P(SkinCheck, FavouriteTilesFitTheirRow) {
    const auto tile = m_skin.find_definition(u"FavoritesItem");
    const auto row = m_skin.find_definition(u"FavoritesListElement2");
    ASSERT_TRUE(tile && row);
    const zentra::Point tile_size = m_skin.get_point(*tile, u"design_size", {0, 0});
    const int w = tile_size.x >> m_shift;
    EXPECT_GE(w, 70);
    EXPECT_LE(w, 80);
    EXPECT_EQ(240 / w, 3);
    EXPECT_EQ(320 / w, 4);
    EXPECT_EQ(tile_size.y, m_skin.get_point(*row, u"design_size", {0, 0}).y);
    // The screen places a tile by its borders in the row: it must stretch between them.
    EXPECT_EQ(m_skin.get_string(*tile, u"anchor_x", u""), u"");
}

// A list's empty-list text lies within the first row's height, so one row hides it.
TEST_P(SkinCheck, EmptyListTextsHideUnderTheFirstRow) {
    auto main = build(u"Main");
    ASSERT_NE(main, nullptr);
    const int s = m_shift;
    for (const auto& [list_name, row_name] :
         {std::pair{u"FavoritesList", u"FavoritesListElement"},
          std::pair{u"FavoritesList2", u"FavoritesListElement2"},
          std::pair{u"RecentsList", u"RecentsListElement"}}) {
        const int row_h =
            m_skin.get_point(*m_skin.find_definition(row_name), u"design_size", {0, 0}).y;
        for (const auto& [w, h] : {std::pair{240, 320}, std::pair{400, 240}}) {
            SCOPED_TRACE(utf8(list_name) + " " + std::to_string(w));
            zentra::layout_root(*main, {0, 0}, {w << s, h << s});
            Node& list = main->find(list_name);
            const Box area = box(list);
            const Box text = box(list.find(u"empty"));
            EXPECT_EQ(area.y, 38 << s) << "under the tab bar";
            EXPECT_EQ(area.bottom(), h << s);
            EXPECT_GT(text.h, 0);
            EXPECT_GE(text.y, area.y);
            EXPECT_LE(text.bottom(), area.y + row_h);
        }
    }
}

// On a field row the small buttons lie over `action`, which covers the row: a tap on one of
// them is that button's, a tap on the texts is the row's action.
TEST_P(SkinCheck, FieldRowButtonsTakeTheirTapsAndActionTheRest) {
    auto row = build(u"ContactFieldElement");
    ASSERT_NE(row, nullptr);
    const int s = m_shift;
    for (const int w : {240, 400}) {
        zentra::layout_root(*row, {0, 0}, {w << s, 48 << s});
        auto& action = row->find<zentra::ButtonNode>(u"action");
        EXPECT_EQ(box(action).w, w << s);
        EXPECT_EQ(box(action).h, 48 << s);
        for (WStringView name : {u"sms", u"favorite", u"remove", u"confirm_remove", u"big"}) {
            SCOPED_TRACE(utf8(name) + " at " + std::to_string(w));
            Node& target = row->find(name);
            // Only one of remove and the kind icon, and of sms and confirm_remove, shows at a
            // time; the others stand aside as the card would have them.
            for (WStringView other : {u"sms", u"favorite", u"remove", u"confirm_remove"}) {
                row->find(other).set_visible_at_once(other == name);
            }
            zentra::layout_root(*row, {0, 0}, {w << s, 48 << s});
            const Box b = box(target);
            const zentra::PointerEvent press{b.x + b.w / 2, b.y + b.h / 2, 0, true, false};
            ASSERT_TRUE(row->on_pointer(press));
            zentra::ButtonNode* pressed = &action;
            if (name != u"big") {
                pressed = dynamic_cast<zentra::ButtonNode*>(&target);
                if (pressed == nullptr) {
                    // The favourite toggle: its state button takes the tap.
                    pressed = dynamic_cast<zentra::ButtonNode*>(target.child(0));
                }
            }
            ASSERT_NE(pressed, nullptr);
            EXPECT_TRUE(pressed->pressed());
            EXPECT_EQ(action.pressed(), pressed == &action);
            row->on_pointer({press.x, press.y, 0, false, true});
        }
    }
}

// The card's default picture is drawn like a contact's photo, without a key colour, so
// every pixel of it must be opaque: a transparent one would show as the key colour itself.
TEST_P(SkinCheck, DefaultPhotoIsOpaque) {
    auto head = build(u"ContactHead");
    ASSERT_NE(head, nullptr);
    const int s = m_shift;
    zentra::layout_root(*head, {0, 0}, {240 << s, 100 << s});
    zentra::RenderSurface surface;
    surface.recreate(240 << s, 100 << s);
    head->render(surface, {0, 0});
    const Box photo = box(head->find(u"photo"));
    ASSERT_EQ(photo.w, 64 << s);
    ASSERT_EQ(photo.h, 64 << s);
    int key_pixels = 0;
    for (int y = photo.y; y < photo.bottom(); ++y) {
        for (int x = photo.x; x < photo.right(); ++x) {
            key_pixels += surface.bitmap()->row(y)[x] == 0xF81F;
        }
    }
    EXPECT_EQ(key_pixels, 0);
}

// Texts in the skin that are language keys must be in every shipped language.
TEST_P(SkinCheck, EveryKeyTheSkinNamesIsInEveryLanguage) {
    std::vector<std::pair<std::string, velvane::KeyValues>> languages;
    for (const char* file : {"english.lng", "russian.lng"}) {
        velvane::KeyValues map;
        const fs::path path =
            fs::weakly_canonical(fs::path(VELVANE_TEST_DATA) / "../../../lang" / file);
        ASSERT_TRUE(velvane::read_key_values(platform::from_utf8(path.string()), map)) << path;
        languages.emplace_back(file, std::move(map));
    }
    // A key is a word with a small letter in it; "ABC" on a key or ":" are shown as they are.
    const auto is_key = [](const WString& text) {
        bool lower = false;
        for (char16_t c : text) {
            const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
            if (!letter && !(c >= u'0' && c <= u'9')) {
                return false;
            }
            lower = lower || (c >= u'a' && c <= u'z');
        }
        return lower;
    };
    int keys = 0;
    std::vector<zentra::SkinRecord> records;
    for (const WString& name : m_skin.definition_names()) {
        records.push_back(*m_skin.find_definition(name));
    }
    while (!records.empty()) {
        const zentra::SkinRecord record = records.back();
        records.pop_back();
        for (int i = 0; i < m_skin.child_count(record); ++i) {
            records.push_back(m_skin.child(record, i));
        }
        const WString text = m_skin.get_string(record, u"text", u"");
        if (!is_key(text)) {
            continue;
        }
        ++keys;
        for (const auto& [file, map] : languages) {
            EXPECT_TRUE(map.count(text)) << file << " lacks " << utf8(text);
        }
    }
    EXPECT_GT(keys, 30);
}

class FixedMenu : public zentra::MenuListener {
public:
    std::vector<zentra::MenuItem> menu_items(zentra::Menu&, WStringView) override {
        std::vector<zentra::MenuItem> items(4);
        items[0].key = WString(zentra::kMagic4ButtonsKey);
        items[0].row_style = u"MenuElement4Buttons";
        items[1].key = u"Settings";
        items[2].key = u"Dialer";
        items[2].checked = true;
        items[3].key = u"ReallyDelete";
        items[3].row_style = u"MenuElementRed";
        items[3].enabled = false;
        return items;
    }
};

// A menu grows up from the bottom edge with its rows, and must do so on its first opening,
// before anything has been laid out.
TEST_P(SkinCheck, MenuShowsItsRowsOnTheFirstOpening) {
    FixedMenu listener;
    zentra::Menu menu(m_skin, u"Menu", listener);
    menu.open_by_name(u"MainMenu", u"", true);
    const int w = 240 << m_shift;
    const int h = 320 << m_shift;
    zentra::layout_root(menu, {0, 0}, {w, h});
    zentra::RenderSurface surface;
    surface.recreate(w, h);
    menu.render(surface, {0, 0});
    zentra::layout_root(menu, {0, 0}, {w, h});

    const zentra::VList& list = menu.list();
    const int rows = (48 + 3 * 40) << m_shift;
    const int caption = 32 << m_shift;
    EXPECT_EQ(list.size().h, rows + caption);
    EXPECT_EQ(list.position().y + list.size().h, h) << "the sheet sits on the bottom edge";
    ASSERT_NE(menu.caption(), nullptr);
    EXPECT_EQ(utf8(menu.caption()->text()), "MainMenu");
}

TEST_P(SkinCheck, MainLaysOutInPortraitAndLandscape) {
    auto main = build(u"Main");
    ASSERT_NE(main, nullptr);
    const int s = m_shift;
    for (const auto& [w, h] : {std::pair{240, 320}, std::pair{320, 240}, std::pair{240, 400},
                              std::pair{400, 240}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        zentra::Node& sync_line = main->find(u"sync_status");
        sync_line.set_visible_at_once(true);
        zentra::layout_root(*main, {0, 0}, {w << s, h << s});
        const Box tabs = box(main->find(u"button_contacts"));
        const Box menu = box(main->find(u"button_menu"));
        EXPECT_EQ(tabs.y, 0);
        EXPECT_EQ(tabs.h, 38 << s);
        EXPECT_EQ(menu.right(), w << s) << "menu button at the right edge";
        EXPECT_EQ(box(main->find(u"button_recents")).right(), menu.x);

        const Box top = box(main->find(u"top"));
        EXPECT_EQ(top.y, tabs.bottom());
        // The sync's line sits under the title bar while it shows, and gives its room back.
        EXPECT_EQ(box(sync_line).y, top.bottom());
        EXPECT_EQ(box(main->find(u"ContactsList")).y, box(sync_line).bottom());
        sync_line.set_visible_at_once(false);
        zentra::layout_root(*main, {0, 0}, {w << s, h << s});
        const Box list = box(main->find(u"ContactsList"));
        EXPECT_EQ(list.y, top.bottom());
        EXPECT_EQ(list.bottom(), h << s);

        // The keypad sits at the bottom, never over the title bar, at most 240 wide.
        const Box keypad = box(main->find(u"KeyboardContainer"));
        EXPECT_EQ(keypad.bottom(), h << s);
        EXPECT_EQ(keypad.right(), w << s);
        EXPECT_EQ(keypad.w, std::min(w, 240) << s);
        EXPECT_GE(keypad.y, top.bottom());
        // Twelve keys side by side in threes, each finger-sized and inside the keypad.
        const Box one = box(main->find(u"button1"));
        const Box two = box(main->find(u"button2"));
        const Box three = box(main->find(u"button3"));
        const Box call = box(main->find(u"button_call"));
        EXPECT_LE(std::abs(one.w - two.w), 1);
        EXPECT_LE(std::abs(three.w - two.w), 1);
        EXPECT_EQ(call.right(), three.right());
        EXPECT_GE(one.h, 30 << s);
        EXPECT_GE(one.w, 70 << s);
        EXPECT_GE(one.x, keypad.x);
        EXPECT_LE(call.bottom(), keypad.bottom());

        const Box ruler = box(main->find(u"ruler_table"));
        EXPECT_EQ(ruler.right(), w << s);
        EXPECT_GE(ruler.y, top.bottom());
        const Box fab = box(main->find(u"open_keyboard"));
        EXPECT_LT(fab.right(), ruler.x) << "the keypad button leaves the ruler free";
        EXPECT_LE(fab.bottom(), h << s);
    }
}

// Rows the skin's own row definition makes; their data does not matter for the layout.
class SkinRow : public zentra::VListElement {
public:
    void bind(zentra::VList&, int, int) override {}
};

class SkinRows : public zentra::VListAdapter {
public:
    explicit SkinRows(const zentra::Properties& skin) : m_skin(skin) {}
    void on_item_click(zentra::VList&, int) override {}
    std::unique_ptr<zentra::VListElement> create_element(zentra::VList&, int) override {
        auto row = std::make_unique<SkinRow>();
        zentra::load_from_skin(*row, m_skin, u"ContactsListElement");
        return row;
    }

private:
    const zentra::Properties& m_skin;
};

// A long list fills the whole of its area with rows on every screen shape, so nothing under
// the last row is left blank while there are more contacts below.
TEST_P(SkinCheck, ListRowsFillTheListArea) {
    SkinRows rows(m_skin);
    const int s = m_shift;
    for (WStringView screen : {u"Main", u"ContactSelectorForm"}) {
        auto root = build(screen);
        ASSERT_NE(root, nullptr);
        auto* list = dynamic_cast<zentra::VList*>(root->find_descendant(u"ContactsList"));
        ASSERT_NE(list, nullptr);
        list->set_adapter(&rows);
        list->reset(200);
        for (const auto& [w, h] : {std::pair{240, 320}, std::pair{320, 240},
                                  std::pair{400, 240}, std::pair{240, 400}}) {
            SCOPED_TRACE(utf8(screen) + " " + std::to_string(w) + "x" + std::to_string(h));
            zentra::layout_root(*root, {0, 0}, {w << s, h << s});
            list->fill();
            zentra::layout_root(*root, {0, 0}, {w << s, h << s});
            ASSERT_GT(list->row_count(), 0);
            const Box area = box(*list);
            const Box first = box(*list->row(0));
            const Box last = box(*list->row(list->row_count() - 1));
            EXPECT_EQ(first.y, area.y);
            EXPECT_GE(last.bottom(), area.bottom())
                << list->row_count() << " rows leave the list's foot blank";
            EXPECT_LT(last.y, area.bottom());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Skins, SkinCheck,
                         ::testing::Values(SkinCase{"default", 96}, SkinCase{"default", 192},
                                           SkinCase{"default_dark", 96},
                                           SkinCase{"default_dark", 192}),
                         case_name);

constexpr uint16_t rgb565(uint32_t rgb) {
    return static_cast<uint16_t>((((rgb >> 16) & 0xFF) >> 3) << 11 |
                                 (((rgb >> 8) & 0xFF) >> 2) << 5 | ((rgb & 0xFF) >> 3));
}
constexpr uint16_t kOpaque = 0x0020;

// Drawn pixels of the default skin: colour fills land as they are, picture pixels carry the
// opaque mark, and at 192 dpi everything lands at twice the place.
class DefaultSkinPixels : public SkinCheck {
protected:
    uint16_t pixel(int x, int y) const {
        return m_surface.bitmap()->row(y)[x];
    }
    void draw(Node& root, int w, int h) {
        zentra::layout_root(root, {0, 0}, {w, h});
        m_surface.recreate(w, h);
        ASSERT_FALSE(m_surface.empty());
        root.render(m_surface, {0, 0});
    }
    zentra::RenderSurface m_surface;
};

TEST_P(DefaultSkinPixels, MainScreenColours) {
    auto main = build(u"Main");
    ASSERT_NE(main, nullptr);
    const int s = m_shift;
    draw(*main, 240 << s, 320 << s);
    // The contacts tab, not current: the bar's own colour at its top left.
    EXPECT_EQ(pixel(1 << s, 1 << s), rgb565(0x1f3a5f));
    // The list's title bar.
    EXPECT_EQ(pixel(120 << s, 40 << s), rgb565(0xe8edf3));
    // The call key, a rounded picture inset by two: solid green just inside its top edge,
    // the keypad's background above it.
    const Box call = box(main->find(u"button_call"));
    EXPECT_EQ(pixel(call.x + call.w / 2, call.y + (3 << s)), rgb565(0x2e9d4e) | kOpaque);
    EXPECT_EQ(pixel(call.x + call.w / 2, call.y + (1 << s)), rgb565(0xe8edf3));
    // Between two keys the keypad's background shows.
    const Box one = box(main->find(u"button1"));
    EXPECT_EQ(pixel(one.right() - 1, one.y + one.h / 2), rgb565(0xe8edf3));
}

TEST_P(DefaultSkinPixels, RowStates) {
    auto row = build(u"ContactsListElement");
    ASSERT_NE(row, nullptr);
    const int s = m_shift;
    row->find(u"#vlist_pressed").set_visible_at_once(false);
    row->find(u"#vlist_selected").set_visible_at_once(false);
    draw(*row, 240 << s, 40 << s);
    EXPECT_EQ(pixel(2 << s, 20 << s), rgb565(0xffffff));
    // The rule under the row starts past the text's margin.
    EXPECT_EQ(pixel(2 << s, (40 << s) - 1), rgb565(0xffffff));
    EXPECT_EQ(pixel(20 << s, (40 << s) - 1), rgb565(0xdde3ea));
}

INSTANTIATE_TEST_SUITE_P(Default, DefaultSkinPixels,
                         ::testing::Values(SkinCase{"default", 96}, SkinCase{"default", 192}),
                         case_name);

// Both skins' pictures are drawn by a script from their palettes; a hand edit of a committed
// picture, or a script change that was never run, would make them drift apart. (Their
// sources are written by the build itself.)
TEST(DefaultSkinPictures, AreWhatTheirScriptDraws) {
    const fs::path root = fs::weakly_canonical(fs::path(VELVANE_TEST_DATA) / "../../..");
    skintest::TempDir out;
    const std::string command = "python3 '" + (root / "scripts" / "draw-icons.py").string() +
                                "' --out '" + out.path().string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    for (const char* skin : {"default", "default_dark"}) {
        const fs::path committed = root / "skins" / skin;
        const fs::path written = out.path() / skin;
        int files = 0;
        for (const auto& entry : fs::directory_iterator(committed)) {
            const fs::path name = entry.path().filename();
            if (name.extension() != ".png") {
                continue;
            }
            ++files;
            std::vector<uint8_t> mine, theirs;
            ASSERT_TRUE(skinc::read_file(written / name, theirs)) << name << " is not written";
            ASSERT_TRUE(skinc::read_file(entry.path(), mine));
            // Compressed bytes may differ between zlib versions; the pixels may not.
            skinc::RgbaImage a, b;
            std::string error;
            ASSERT_TRUE(skinc::decode_png(mine, a, error)) << error;
            ASSERT_TRUE(skinc::decode_png(theirs, b, error)) << error;
            EXPECT_TRUE(a.width == b.width && a.height == b.height && a.pixels == b.pixels)
                << skin << "/" << name << " differs from its script";
        }
        int produced = 0;
        for (const auto& entry : fs::directory_iterator(written)) {
            produced += 1;
            EXPECT_TRUE(fs::exists(committed / entry.path().filename()))
                << skin << "/" << entry.path().filename() << " is drawn but not committed";
        }
        EXPECT_EQ(files, produced);
    }
}

}  // namespace
