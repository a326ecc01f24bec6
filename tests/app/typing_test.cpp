// Typing on a keyboard, from the window's events to where the text lands: the focused edit or
// the top form, keys that stay keys, and an input method's composition held until committed.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/application.h"
#include "app/game_base.h"
#include "core/keys.h"
#include "display/headless_backend.h"
#include "display/sdl_events.h"
#include "platform/messages.h"
#include "skin/draw.h"
#include "skin/edit_node.h"
#include "skin/form.h"
#include "tests/skin/skin_test_support.h"
#include "tests/support/temp_home.h"

namespace velvane {
namespace {

using platform::WString;

constexpr const char* kSkin = R"(
    define Screen {
        node {
            string type = "node"  string id = "box"  point border_min = 10, 30
            string anchor_y = "MIN_SIDE"  point design_size = 220, 40
            node {
                string type = "edit"  string id = "name"  string text = ""  int capitalize = 1
                string anchor_y = "MIN_SIDE"  point design_size = 200, 20
            }
            node {
                string type = "edit"  string id = "notes"  string text = ""  int wrap = 1
                string anchor_y = "MIN_SIDE"  point design_size = 200, 20
            }
        }
    }
)";

// Writes down each text and each key press that reaches it.
class TypedForm : public zentra::Form {
public:
    explicit TypedForm(const zentra::Properties& skin) { load_definition(skin, u"Screen"); }
    bool on_key(const zentra::KeyEvent& event) override {
        if (event.down) {
            keys += (keys.empty() ? u"" : u" ") + key_name(event.key);
        }
        return true;
    }
    bool on_text(platform::WStringView text) override {
        texts += (texts.empty() ? u"" : u"|") + WString(text);
        return true;
    }
    WString keys;
    WString texts;
};

SDL_Event key_down(SDL_Keycode sym) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = sym;
    e.key.state = SDL_PRESSED;
    return e;
}

SDL_Event key_up(SDL_Keycode sym) {
    SDL_Event e = key_down(sym);
    e.type = SDL_KEYUP;
    e.key.state = SDL_RELEASED;
    return e;
}

SDL_Event text_input(const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    SDL_strlcpy(e.text.text, utf8, sizeof e.text.text);
    return e;
}

SDL_Event editing(const char* utf8, int start) {
    SDL_Event e{};
    e.type = SDL_TEXTEDITING;
    SDL_strlcpy(e.edit.text, utf8, sizeof e.edit.text);
    e.edit.start = start;
    return e;
}

// A key as a keyboard with text input on gives it: press, its text, release.
std::vector<SDL_Event> typed(SDL_Keycode sym, const char* utf8) {
    return {key_down(sym), text_input(utf8), key_up(sym)};
}

std::vector<SDL_Event> operator+(std::vector<SDL_Event> a, const std::vector<SDL_Event>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class TypingTest : public ::testing::Test {
protected:
    TypingTest() {
        skintest::load_source(skin, kSkin);
        form = std::make_unique<TypedForm>(skin);
        app.add_modal_form(*form, false, false);
    }
    ~TypingTest() override {
        base().set_edit_node(nullptr, false);
        app.remove_modal_form(*form, false);
    }
    GameBase& base() { return *app.platform(); }
    zentra::EditNode& edit(platform::WStringView id) { return form->find<zentra::EditNode>(id); }
    // Each event as the window turns it into messages, then the window procedure.
    void feed(const std::vector<SDL_Event>& events) {
        display::TranslateState state;
        state.window = base().main_window();
        for (const SDL_Event& event : events) {
            for (const platform::Message& m : display::translate_event(event, state)) {
                platform::post_message(m.window, m.message, m.wparam, m.lparam);
            }
        }
        platform::dispatch_pending_messages();
    }

    test_support::TempHome home;
    display::HeadlessBackend backend{{240, 320, 0, 96}};
    Application app{u"Velvane", &backend};
    zentra::Properties skin;
    std::unique_ptr<TypedForm> form;
};

TEST_F(TypingTest, KeyboardEventsReachTheFocusedEditOrTheTopFormAndKeysStayKeys) {
    struct Case {
        const char* what;
        const char16_t* focus;  // the edit with the input focus; null for none
        std::vector<SDL_Event> events;
        const char16_t* edit_text;   // the focused edit's text afterwards
        const char16_t* form_texts;  // each text the form got, "|" between
        const char16_t* form_keys;   // each key press the form got
        const char16_t* composition;
        const char* typed_digits;
    };
    const Case cases[] = {
        {"letters and digits to the form, as keys and as text", nullptr,
         typed(SDLK_a, "a") + typed(SDLK_SPACE, " ") + typed(SDLK_1, "1"), u"", u"a| |1",
         u"A Space 1", u"", "1"},
        {"keys that are no text stay keys, even where a platform gives a control character",
         nullptr,
         std::vector<SDL_Event>{key_down(SDLK_ESCAPE), text_input("\x1b"), key_down(SDLK_RETURN),
                                text_input("\r"), key_down(SDLK_BACKSPACE), text_input("\b"),
                                key_down(SDLK_LEFT), key_down(SDLK_DOWN), text_input("\x7f")},
         u"", u"", u"Backspace Enter Backspace Left Down", u"", ""},
        {"a character beyond 16 bits reaches the form whole",
         nullptr,
         {text_input("\xF0\x9F\x98\x80"), text_input("x")},
         u"",
         u"\U0001F600|x",
         u"",
         u"",
         ""},
        {"a composition is held, not typed",
         nullptr,
         {editing("zh", 2), editing("zhong", 5)},
         u"",
         u"",
         u"",
         u"zhong",
         ""},
        {"a committed composition reaches the form once",
         nullptr,
         {editing("zhong", 5), text_input("中文"), editing("", 0)},
         u"",
         u"中|文",
         u"",
         u"",
         ""},
        {"typing keys are the edit's; their text goes into it", u"name",
         typed(SDLK_h, "h") + typed(SDLK_i, "i") + typed(SDLK_2, "2"), u"Hi2", u"", u"", u"", ""},
        {"backspace erases in the edit; escape and arrows still reach the form", u"name",
         typed(SDLK_a, "a") + typed(SDLK_b, "b") +
             std::vector<SDL_Event>{key_down(SDLK_BACKSPACE), key_down(SDLK_ESCAPE),
                                    key_down(SDLK_UP)},
         u"A", u"", u"Backspace Up", u"", ""},
        {"enter in a one-line edit is the form's key", u"name",
         typed(SDLK_a, "a") + std::vector<SDL_Event>{key_down(SDLK_RETURN)}, u"A", u"", u"Enter",
         u"", ""},
        {"enter in an edit with lines breaks the line", u"notes",
         typed(SDLK_a, "a") + std::vector<SDL_Event>{key_down(SDLK_RETURN), key_up(SDLK_RETURN)} +
             typed(SDLK_b, "b"),
         u"a\nb", u"", u"", u"", ""},
        {"the edit's text holds nothing of a composition until it is committed",
         u"notes",
         {text_input("a"), editing("ni", 1)},
         u"a",
         u"",
         u"",
         u"ni",
         ""},
        {"a commit goes into the edit and ends the composition",
         u"notes",
         {editing("ni", 2), text_input("你"), text_input("\xF0\x9F\x98\x80")},
         u"你\U0001F600",
         u"",
         u"",
         u"",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        base().set_edit_node(nullptr, false);
        app.set_listener(nullptr);
        zentra::KeyEvent clear;
        clear.key = key::CallEnd;
        clear.down = true;
        app.on_key(clear);
        form->keys.clear();
        form->texts.clear();
        feed({editing("", 0)});
        for (const char16_t* id : {u"name", u"notes"}) {
            edit(id).set_text(u"");
        }
        form->keys.clear();
        if (c.focus != nullptr) {
            base().set_edit_node(&edit(c.focus), true);
        }

        feed(c.events);

        if (c.focus != nullptr) {
            EXPECT_EQ(platform::to_utf8(edit(c.focus).get_text()), platform::to_utf8(c.edit_text));
        }
        EXPECT_EQ(platform::to_utf8(form->texts), platform::to_utf8(c.form_texts));
        EXPECT_EQ(platform::to_utf8(form->keys), platform::to_utf8(c.form_keys));
        EXPECT_EQ(platform::to_utf8(base().composition()), platform::to_utf8(c.composition));
        EXPECT_EQ(platform::to_utf8(app.typed_digits()), c.typed_digits);
    }
}

TEST_F(TypingTest, ACompositionDiesWithItsEditAndShowsUnderIt) {
    zentra::EditNode& name = edit(u"name");
    base().set_edit_node(&name, true);
    feed({editing("xin", 3)});
    ASSERT_EQ(base().composition(), u"xin");
    EXPECT_EQ(base().composition_caret(), 3u);

    // Shown in a strip right under the edit; the edit keeps its text.
    zentra::RenderSurface surface;
    surface.recreate(240, 320);
    zentra::fill(surface, zentra::Color{0, 0, 0, 255});
    base().paint_composition(surface);
    const zentra::Bitmap& pixels = *surface.bitmap();
    const int below = name.position().y + name.size().h;
    EXPECT_NE(pixels.row(below + 1)[name.position().x + 1], 0);
    EXPECT_EQ(pixels.row(name.position().y - 1)[name.position().x + 1], 0);
    EXPECT_EQ(name.get_text(), u"");

    // Another edit takes the focus: nothing of it is typed there, nor later into the form.
    base().set_edit_node(&edit(u"notes"), true);
    EXPECT_EQ(base().composition(), u"");
    // Half a character is no text, however its halves come.
    for (const char16_t unit : {u'\xD83D', u'y', u'\xDE00'}) {
        platform::post_message(base().main_window(), platform::WM_CHAR, unit, 1);
    }
    platform::dispatch_pending_messages();
    EXPECT_EQ(edit(u"notes").get_text(), u"y");
    base().set_edit_node(nullptr, false);
    EXPECT_EQ(form->texts, u"");

    // Without an edit the form's composition shows at the foot of the screen.
    feed({editing("a", 1)});
    zentra::fill(surface, zentra::Color{0, 0, 0, 255});
    base().paint_composition(surface);
    EXPECT_NE(pixels.row(318)[120], 0);
    EXPECT_EQ(pixels.row(100)[120], 0);
}

}  // namespace
}  // namespace velvane
