// The main window's procedure as the headless back end drives it: stylus capture and its
// cancel, keys and their fall-through, typed text into a bridged edit, second starts' command
// lines, emergency calls and the frame step.

#include "app/game_base.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/application.h"
#include "core/keys.h"
#include "core/registry.h"
#include "core/timer.h"
#include "display/headless_backend.h"
#include "platform/clock.h"
#include "platform/copy_data.h"
#include "platform/messages.h"
#include "platform/phone_call.h"
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
        }
    }
)";

// A screen that writes down what reaches it.
class RecordingForm : public zentra::Form {
public:
    explicit RecordingForm(const zentra::Properties& skin) { load_definition(skin, u"Screen"); }
    bool on_pointer(const zentra::PointerEvent& event) override {
        pointers.push_back(event);
        return Form::on_pointer(event);
    }
    bool on_key(const zentra::KeyEvent& event) override {
        keys.push_back(event);
        return true;
    }
    bool on_text(platform::WStringView text) override {
        texts += WString(text);
        return true;
    }
    std::vector<zentra::PointerEvent> pointers;
    std::vector<zentra::KeyEvent> keys;
    WString texts;
};

class Listener : public ApplicationListener {
public:
    bool on_key(const zentra::KeyEvent& event) override {
        keys.push_back(event);
        return event.key == key::SoftLeft;
    }
    void on_command_line(platform::WStringView text) override { lines.emplace_back(text); }
    bool can_close() override { return allow_close; }
    void on_activate() override { ++activations; }
    void on_deactivate() override { ++deactivations; }
    std::vector<zentra::KeyEvent> keys;
    std::vector<WString> lines;
    bool allow_close = false;
    int activations = 0;
    int deactivations = 0;
};

intptr_t at(int x, int y) {
    return (x & 0xFFFF) | ((y & 0xFFFF) << 16);
}

class GameBaseTest : public ::testing::Test {
protected:
    GameBaseTest() {
        skintest::load_source(skin, kSkin);
        form = std::make_unique<RecordingForm>(skin);
        app.add_modal_form(*form, false, false);
        app.set_listener(&listener);
    }
    ~GameBaseTest() override {
        zentra::EditNode::clear_focus();
        app.set_listener(nullptr);
        app.remove_modal_form(*form, false);
        platform::set_make_call_function(nullptr);
    }
    GameBase& base() { return *app.platform(); }
    void send(uint32_t message, uintptr_t wparam = 0, intptr_t lparam = 0) {
        platform::post_message(base().main_window(), message, wparam, lparam);
        platform::dispatch_pending_messages();
    }
    void key(int virtual_key) {
        send(platform::WM_KEYDOWN, virtual_key, 1);
        send(platform::WM_KEYUP, virtual_key, static_cast<intptr_t>(0xC0000001u));
    }
    void type(platform::WStringView text) {
        for (char16_t c : text) {
            send(platform::WM_CHAR, c, 1);
        }
    }

    test_support::TempHome home;
    display::HeadlessBackend backend{{240, 320, 0, 96}};
    Application app{u"Velvane", &backend};
    zentra::Properties skin;
    std::unique_ptr<RecordingForm> form;
    Listener listener;
};

TEST_F(GameBaseTest, StylusReleasesComeThroughTheLostCaptureAndALostCaptureCancels) {
    send(platform::WM_LBUTTONDOWN, 1, at(10, 200));
    send(platform::WM_LBUTTONUP, 0, at(-5, 400));  // released outside the window
    ASSERT_EQ(form->pointers.size(), 2u);
    EXPECT_TRUE(form->pointers[0].pressed);
    EXPECT_EQ(form->pointers[0].y, 200);
    EXPECT_FALSE(form->pointers[1].pressed);
    EXPECT_FALSE(form->pointers[1].cancel);
    EXPECT_EQ(form->pointers[1].x, -5);
    EXPECT_EQ(form->pointers[1].y, 400);

    // The window loses the stylus without a release: one pointer-up, with cancel.
    send(platform::WM_LBUTTONDOWN, 1, at(20, 200));
    send(platform::WM_CAPTURECHANGED);
    ASSERT_EQ(form->pointers.size(), 4u);
    EXPECT_TRUE(form->pointers[3].cancel);
    EXPECT_FALSE(form->pointers[3].pressed);
    // A release after that, and a second loss, deliver nothing more.
    send(platform::WM_LBUTTONUP, 0, at(20, 200));
    send(platform::WM_CAPTURECHANGED);
    EXPECT_EQ(form->pointers.size(), 4u);
}

TEST_F(GameBaseTest, KeysGoToTheListenerFirstAndTheEscapeKeyIsBackspace) {
    key(112);  // F1: the left soft key, which the listener keeps
    key(27);
    send(platform::WM_KEYDOWN, 40, 1);
    send(platform::WM_KEYDOWN, 40, intptr_t{1} << 30);  // held: an automatic repeat
    send(platform::WM_KEYDOWN, 200, 1);  // a key the table does not know
    ASSERT_EQ(listener.keys.size(), 7u);
    EXPECT_EQ(listener.keys[0].key, key::SoftLeft);
    EXPECT_EQ(listener.keys[2].key, key::Backspace);
    EXPECT_FALSE(listener.keys[3].down);
    EXPECT_TRUE(listener.keys[3].first);
    EXPECT_TRUE(listener.keys[4].first);
    EXPECT_FALSE(listener.keys[5].first);
    EXPECT_EQ(listener.keys[6].key, key::None);
    // What the listener did not keep reached the top form through the application.
    ASSERT_EQ(form->keys.size(), 5u);
    EXPECT_EQ(form->keys[0].key, key::Backspace);
    EXPECT_EQ(form->keys[4].key, key::None);
}

TEST_F(GameBaseTest, TheTalkKeyCallsAnEmergencyNumberTypedAtTheEndOfTheDigits) {
    std::vector<WString> calls;
    platform::set_make_call_function([&](platform::WStringView number) {
        calls.emplace_back(number);
        return true;
    });
    for (int vk : {55, 49, 49, 50}) {  // 7 1 1 2
        key(vk);
    }
    EXPECT_EQ(app.typed_digits(), u"7112");
    send(platform::WM_KEYDOWN, 114, 1);
    EXPECT_EQ(calls, std::vector<WString>{u"112"});
    EXPECT_TRUE(app.typed_digits().empty());
    // The call screen takes over: frames rest until the next input.
    EXPECT_TRUE(base().resting());
    send(platform::WM_KEYUP, 114, static_cast<intptr_t>(0xC0000001u));

    // Another key between the digits starts them over.
    for (int vk : {57, 49, 37, 49}) {  // 9 1 Left 1
        key(vk);
    }
    key(114);
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_EQ(app.typed_digits(), u"1");
    // Any input ends the rest.
    EXPECT_FALSE(base().resting());
}

TEST(EmergencyList, SplitsAtEachNulAndEndsAtTheSecond) {
    using L = std::vector<WString>;
    EXPECT_EQ(Application::split_emergency_list(std::u16string(u"112\0" u"911\0\0", 9)),
              (L{u"112", u"911"}));
    EXPECT_EQ(Application::split_emergency_list(std::u16string(u"\0\0", 2)), (L{u""}));
    EXPECT_EQ(Application::split_emergency_list(std::u16string(u"999\0\0" u"08\0\0", 9)),
              (L{u"999"}));
    // Without its closing NULs the list stops where the buffer does, keeping what was whole.
    EXPECT_EQ(Application::split_emergency_list(std::u16string(u"112\0" u"9", 5)), (L{u"112"}));
    const std::u16string endless(5000, u'1');
    EXPECT_TRUE(Application::split_emergency_list(endless).empty());
}

TEST(EmergencyRegistry, AnEmptyEntryNeverTurnsTheTalkKeyIntoACall) {
    test_support::TempHome home;
    // Every typed number "ends with" an empty entry: it must not place a call.
    ASSERT_TRUE(write_string(Application::kEmergencyKey, Application::kEmergencyValue, u",999"));
    display::HeadlessBackend backend{{240, 320, 0, 96}};
    Application app{u"Velvane", &backend};
    EXPECT_EQ(app.emergency_numbers(), (std::vector<WString>{u"", u"999"}));
    std::vector<WString> calls;
    platform::set_make_call_function([&](platform::WStringView number) {
        calls.emplace_back(number);
        return true;
    });
    const auto press = [&](int code) {
        app.on_key({code, true, true});
        app.on_key({code, false, true});
    };
    press(key::Digit0 + 4);
    press(key::CallMake);
    EXPECT_TRUE(calls.empty());
    for (int digit : {9, 9, 9}) {
        press(key::Digit0 + digit);
    }
    press(key::CallMake);
    EXPECT_EQ(calls, std::vector<WString>{u"999"});
    platform::set_make_call_function(nullptr);
}

TEST_F(GameBaseTest, TypedTextGoesToTheTopFormOrTheBridgedEditWithAutomaticCapitals) {
    type(u"ab\x1F");  // below 32: not text
    EXPECT_EQ(form->texts, u"ab");

    auto* edit = &form->find<zentra::EditNode>(u"name");
    ASSERT_NE(edit, nullptr);
    send(platform::WM_LBUTTONDOWN, 1, at(15, 35));
    send(platform::WM_LBUTTONUP, 0, at(15, 35));
    ASSERT_EQ(base().edit_node(), edit);
    EXPECT_TRUE(backend.text_input_on());
    // The text-input area is where the edit is on the screen.
    EXPECT_EQ(backend.text_input_area().x, edit->position().x);
    EXPECT_EQ(backend.text_input_area().y, edit->position().y);
    EXPECT_GE(edit->position().y, 30);

    type(u"hi. wow! ok");
    EXPECT_EQ(edit->get_text(), u"Hi. Wow! Ok");
    // Only the character just typed is looked at: one in the middle stays as typed.
    for (int i = 0; i < 3; ++i) {
        send(platform::WM_KEYDOWN, 8, 1);
    }
    type(u"x.y");
    EXPECT_EQ(edit->get_text(), u"Hi. Wow!x.y");
    // Line breaks are only for edits with lines.
    type(u"\r");
    EXPECT_EQ(edit->get_text(), u"Hi. Wow!x.y");
    EXPECT_EQ(form->texts, u"ab");
    // The erasing key can take the edit down to nothing.
    for (int i = 0; i < 12; ++i) {
        send(platform::WM_KEYDOWN, 8, 1);
    }
    EXPECT_EQ(edit->get_text(), u"");

    zentra::EditNode::clear_focus();
    EXPECT_FALSE(backend.text_input_on());
    type(u"z");
    EXPECT_EQ(form->texts, u"abz");
}

TEST_F(GameBaseTest, ASecondStartsCommandLinesArriveInOrderAndEmptyStaysEmpty) {
    for (platform::WStringView line : {platform::WStringView(u"open:+4930"),
                                       platform::WStringView(u"%CommandLineEmpty%")}) {
        platform::CopyData copy{0, static_cast<uint32_t>(line.size() * 2), line.data()};
        send(platform::WM_COPYDATA, 0, reinterpret_cast<intptr_t>(&copy));
    }
    platform::CopyData other{7, 2, u"x"};  // another tag is not a command line
    send(platform::WM_COPYDATA, 0, reinterpret_cast<intptr_t>(&other));
    EXPECT_EQ(listener.lines, (std::vector<WString>{u"open:+4930", u""}));
}

TEST_F(GameBaseTest, CloseAsksTheListenerAndActivationPausesTheFrames) {
    send(platform::WM_CLOSE);
    EXPECT_TRUE(platform::is_window(base().main_window()));
    send(platform::WM_ACTIVATE, platform::WA_INACTIVE);
    EXPECT_TRUE(base().inactive());
    EXPECT_EQ(listener.deactivations, 1);
    base().rest_frames();
    send(platform::WM_ACTIVATE, platform::WA_ACTIVE);
    EXPECT_FALSE(base().inactive());
    EXPECT_FALSE(base().resting());
    EXPECT_EQ(listener.activations, 1);
    listener.allow_close = true;
    send(platform::WM_CLOSE);
    EXPECT_FALSE(platform::is_window(base().main_window()));
}

TEST_F(GameBaseTest, FullScreenFramesPaintThePresenterOnlyWhenSomethingChanged) {
    base().set_windowed(false);
    EXPECT_FALSE(base().has_display());
    base().set_fullscreen(0);
    ASSERT_TRUE(base().has_display());
    base().frame_step();
    const long long presented = backend.presented_frames();
    EXPECT_GE(presented, 1);
    base().frame_step();
    EXPECT_EQ(backend.presented_frames(), presented);
    app.request_redraw();
    base().frame_step();
    EXPECT_EQ(backend.presented_frames(), presented + 1);
}

// Runs the loop; step(n) is called on its n-th idle pass until it answers false, then the
// loop is ended with a quit.
void run_loop(display::HeadlessBackend& backend, GameBase& base, std::function<bool(int)> step) {
    // An earlier test on this thread may have left its quit behind.
    platform::Message left;
    while (platform::peek_message(left)) {
    }
    int pass = 0;
    backend.set_input_hook([&] {
        if (!step(pass++)) {
            platform::post_quit_message(0);
        }
    });
    base.run_message_loop();
    backend.set_input_hook(nullptr);
}

// While the start-up fills the Document, its notices, command lines and line events wait;
// the shell's own timers do not. After the hand-over they follow in arrival order.
TEST_F(GameBaseTest, WhatComesForTheDocumentDuringTheStartWaitsAndFollowsInOrder) {
    constexpr uint32_t kNotice = 0x8107;
    constexpr uint32_t kLineEvent = 0x400 + 100;
    std::vector<std::string> seen;
    ASSERT_TRUE(platform::register_window_class(
        u"LineTestWindow", [&](platform::WindowHandle w, uint32_t m, uintptr_t wp, intptr_t l) {
            if (m == kLineEvent) {
                seen.push_back("line " + std::to_string(wp));
            }
            return platform::def_window_proc(w, m, wp, l);
        }));
    const platform::WindowHandle line = platform::create_window(u"LineTestWindow", u"");
    struct Lines : ApplicationListener {
        std::vector<std::string>* seen;
        void on_command_line(platform::WStringView text) override {
            seen->push_back("command " + platform::to_utf8(text));
        }
    } lines;
    lines.seen = &seen;
    app.set_listener(&lines);
    struct Tick : TimerListener {
        std::vector<std::string>* seen;
        void on_timer(Timer&) override { seen->push_back("timer"); }
    } tick;
    tick.seen = &seen;
    Timer timer(&tick);

    base().hold_document_messages();
    const platform::WStringView command = u"open:1";
    platform::CopyData copy{0, static_cast<uint32_t>(command.size() * 2), command.data()};
    run_loop(backend, base(), [&](int pass) {
        if (pass == 0) {
            platform::post_message(base().main_window(), kNotice, 1);
            platform::post_message(line, kLineEvent, 1);
            platform::send_message(base().main_window(), platform::WM_COPYDATA, 0,
                                   reinterpret_cast<intptr_t>(&copy));
            platform::post_message(base().main_window(), kNotice, 2);
            timer.start(0);
        } else if (pass == 3) {
            EXPECT_EQ(seen, std::vector<std::string>{"timer"});
            base().release_document_messages(
                [&](uint32_t message, uintptr_t wparam, intptr_t) {
                    if (message == kNotice) {
                        seen.push_back("notice " + std::to_string(wparam));
                    }
                });
            platform::post_message(line, kLineEvent, 2);
        }
        return pass < 5;
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"timer", "notice 1", "line 1", "command open:1",
                                              "notice 2", "line 2"}));
    platform::destroy_window(line);
    platform::unregister_window_class(u"LineTestWindow");
}

// A rest pauses the frames. A window that really lost its place (deactivated) stays paused
// until it is back; one that never lost it draws again after a while without any input.
TEST_F(GameBaseTest, ARestPausesFramesUntilTheWindowIsBackOrTurnsOutNeverToHaveLeft) {
    platform::use_virtual_clock(true);
    base().set_fullscreen(0);
    const int grace_passes = static_cast<int>(GameBase::kRestKeptInPlaceMs / backend.frame_step());
    long long presented = 0;
    const auto drawn = [&] {
        const bool more = backend.presented_frames() > presented;
        presented = backend.presented_frames();
        app.request_redraw();
        return more;
    };
    for (const bool leaves : {false, true}) {
        std::vector<bool> frames;
        run_loop(backend, base(), [&](int pass) {
            if (pass == 0) {
                base().rest_frames();
                if (leaves) {
                    platform::post_message(base().main_window(), platform::WM_ACTIVATE,
                                           platform::WA_INACTIVE);
                }
                drawn();
            } else if (pass == grace_passes / 2 || pass == grace_passes + 5) {
                frames.push_back(drawn());
            } else if (pass == grace_passes + 6 && leaves) {
                platform::post_message(base().main_window(), platform::WM_ACTIVATE,
                                       platform::WA_ACTIVE);
            } else if (pass == grace_passes + 9) {
                frames.push_back(drawn());
            }
            return pass < grace_passes + 9;
        });
        EXPECT_EQ(frames, (std::vector<bool>{false, !leaves, true})) << "deactivated " << leaves;
    }
    platform::use_virtual_clock(false);
}

// A placed call rests the frames for the stock phone program, which has no window here to take
// the focus: the call's own events, or the window brought to the front, end the rest at once.
// The shell's own messages (its timers) do not.
TEST_F(GameBaseTest, ACallsEventsOrTheWindowBroughtToTheFrontEndARest) {
    constexpr uint32_t kLineEvent = 0x400 + 100;
    ASSERT_TRUE(platform::register_window_class(
        u"LineRestWindow", [](platform::WindowHandle w, uint32_t m, uintptr_t wp, intptr_t l) {
            return platform::def_window_proc(w, m, wp, l);
        }));
    const platform::WindowHandle line = platform::create_window(u"LineRestWindow", u"");
    struct Tick : TimerListener {
        void on_timer(Timer&) override {}
    } tick;
    Timer timer(&tick);
    std::vector<bool> resting;
    run_loop(backend, base(), [&](int pass) {
        if (pass == 0) {
            base().rest_frames();
            timer.start(0);
        } else if (pass == 2) {
            resting.push_back(base().resting());
            platform::post_message(line, kLineEvent, 1);
        } else if (pass == 4) {
            resting.push_back(base().resting());
            base().rest_frames();
            base().bring_to_front();
            resting.push_back(base().resting());
        }
        return pass < 4;
    });
    EXPECT_EQ(resting, (std::vector<bool>{true, false, false}));
    platform::destroy_window(line);
    platform::unregister_window_class(u"LineRestWindow");
}

// Another program's dialog (the picture chooser) gets the screen: no frames straight to the
// display and the window out of its way; afterwards both come back.
TEST_F(GameBaseTest, AnotherProgramsDialogGetsTheScreenAndGivesItBack) {
    base().set_fullscreen(0);
    base().release_screen();
    EXPECT_TRUE(base().windowed());
    EXPECT_FALSE(base().has_display());
    EXPECT_TRUE(backend.minimized());
    base().take_screen_back(0);
    EXPECT_FALSE(base().windowed());
    EXPECT_TRUE(base().has_display());
    EXPECT_FALSE(backend.minimized());
}

// Exit ends the loop with a quit while the window still stands: the shell takes it, and its
// frame timer, with it, so the next shell can have its window.
TEST(GameBaseExit, AQuitLeavesNoWindowBehindTheShell) {
    test_support::TempHome home;
    display::HeadlessBackend backend{{240, 320, 0, 96}};
    platform::WindowHandle window;
    {
        Application app{u"Velvane", &backend};
        window = app.platform()->main_window();
        backend.set_input_hook([] { platform::post_quit_message(0); });
        EXPECT_EQ(app.platform()->run_message_loop(), 0);
        backend.set_input_hook(nullptr);
    }
    EXPECT_FALSE(platform::is_window(window));
    platform::Message left;
    EXPECT_FALSE(platform::peek_message(left)) << left.message;
    Application again{u"Velvane", &backend};
    EXPECT_TRUE(again.platform()->main_window());
}

}  // namespace
}  // namespace velvane
