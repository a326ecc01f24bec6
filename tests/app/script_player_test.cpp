#include "app/script_player.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "display/display.h"
#include "platform/clock.h"
#include "platform/messages.h"

namespace velvane {
namespace {

using namespace platform;

struct Got {
    uint32_t message;
    uintptr_t wparam;
    intptr_t lparam;
    // The stylus position as the window procedure takes it apart.
    int x() const { return static_cast<int16_t>(lparam & 0xFFFF); }
    int y() const { return static_cast<int16_t>((lparam >> 16) & 0xFFFF); }
};

constexpr WStringView kClass = u"ScriptPlayerTestWindow";

// A window on the test thread whose procedure records what the player posts, frame by frame.
class ScriptPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(register_window_class(kClass, [this](WindowHandle, uint32_t message,
                                                         uintptr_t wparam, intptr_t lparam) {
            if (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP ||
                message == WM_MOUSEMOVE || message == WM_KEYDOWN || message == WM_KEYUP ||
                message == WM_CHAR || message == display::kCompositionUnit ||
                message == display::kComposition) {
                m_got.push_back({message, wparam, lparam});
            }
            return intptr_t{0};
        }));
        m_window = create_window(kClass, u"");
        ASSERT_TRUE(m_window);
    }
    void TearDown() override {
        destroy_window(m_window);
        unregister_window_class(kClass);
        use_virtual_clock(false);
    }

    void load(std::string_view script, ScriptHooks hooks = {}) {
        std::vector<ScriptCommand> commands;
        std::string error;
        ASSERT_TRUE(parse_script(script, commands, error)) << error;
        m_player.emplace(std::move(commands), std::move(hooks));
    }
    // One frame of the loop: the player, then the messages it posted reach the window.
    std::vector<Got> frame() {
        m_got.clear();
        m_player->on_frame(m_window);
        dispatch_pending_messages();
        return m_got;
    }

    WindowHandle m_window;
    std::vector<Got> m_got;
    std::optional<ScriptPlayer> m_player;
};

TEST_F(ScriptPlayerTest, TapPressesThisFrameAndReleasesTheNextAtTheSamePlace) {
    load("tap 120 -7\ntap -32768 32767\n");
    auto got = frame();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].message, WM_LBUTTONDOWN);
    EXPECT_EQ(got[0].x(), 120);
    EXPECT_EQ(got[0].y(), -7);

    // The release, then the next tap begins on the same frame.
    got = frame();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].message, WM_LBUTTONUP);
    EXPECT_EQ(got[0].x(), 120);
    EXPECT_EQ(got[0].y(), -7);
    EXPECT_EQ(got[1].message, WM_LBUTTONDOWN);
    EXPECT_EQ(got[1].x(), -32768);
    EXPECT_EQ(got[1].y(), 32767);
    EXPECT_FALSE(m_player->done());

    got = frame();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].message, WM_LBUTTONUP);
    EXPECT_EQ(got[0].x(), -32768);
    EXPECT_EQ(got[0].y(), 32767);
    EXPECT_TRUE(m_player->done());
    EXPECT_FALSE(m_player->failed());
    EXPECT_TRUE(frame().empty());
}

TEST_F(ScriptPlayerTest, DragRunsInOneFrameAndMovesCarryTheButtonOnlyWhileDown) {
    load("move 1 1\npress 10 20\nmove 15 25\nrelease 30 40\nmove 2 2\n");
    const auto got = frame();
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[0].message, WM_MOUSEMOVE);
    EXPECT_EQ(got[0].wparam, 0u);
    EXPECT_EQ(got[1].message, WM_LBUTTONDOWN);
    EXPECT_EQ(got[2].message, WM_MOUSEMOVE);
    EXPECT_NE(got[2].wparam, 0u);
    EXPECT_EQ(got[2].x(), 15);
    EXPECT_EQ(got[2].y(), 25);
    EXPECT_EQ(got[3].message, WM_LBUTTONUP);
    EXPECT_EQ(got[3].x(), 30);
    EXPECT_EQ(got[3].y(), 40);
    EXPECT_EQ(got[4].message, WM_MOUSEMOVE);
    EXPECT_EQ(got[4].wparam, 0u);
    EXPECT_TRUE(m_player->done());
}

TEST_F(ScriptPlayerTest, KeysPostTheVirtualKeyWithFirstPressAndReleaseBits) {
    load("key CALL_MAKE\nkeydown 0\nkeyup 0\n");
    auto got = frame();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].message, WM_KEYDOWN);
    EXPECT_EQ(got[0].wparam, 114u);
    EXPECT_EQ(got[0].lparam, 1);
    EXPECT_EQ(got[0].lparam & (1 << 30), 0);

    got = frame();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].message, WM_KEYUP);
    EXPECT_EQ(got[0].wparam, 114u);
    EXPECT_EQ(static_cast<uint32_t>(got[0].lparam), 0xC0000001u);
    EXPECT_EQ(got[1].message, WM_KEYDOWN);
    EXPECT_EQ(got[1].wparam, 48u);
    EXPECT_EQ(got[1].lparam, 1);
    EXPECT_EQ(got[2].message, WM_KEYUP);
    EXPECT_EQ(got[2].wparam, 48u);
    EXPECT_EQ(static_cast<uint32_t>(got[2].lparam), 0xC0000001u);
    EXPECT_TRUE(m_player->done());
}

TEST_F(ScriptPlayerTest, TextPostsOneCharacterPerCodeUnitInOneFrame) {
    load("text \"a\xF0\x9F\x98\x80\xC3\xBC\"\n");
    const auto got = frame();
    ASSERT_EQ(got.size(), 4u);
    for (const Got& g : got) {
        EXPECT_EQ(g.message, WM_CHAR);
    }
    EXPECT_EQ(got[0].wparam, u'a');
    EXPECT_EQ(got[1].wparam, 0xD83Du);
    EXPECT_EQ(got[2].wparam, 0xDE00u);
    EXPECT_EQ(got[3].wparam, 0xFCu);
    EXPECT_TRUE(m_player->done());
}

// As the window brings a keyboard's typing: a key with a character, a character without a key
// (a sign, a character beyond 16 bits in both its halves); and a composition, then its end.
TEST_F(ScriptPlayerTest, TypeGivesKeysWithTheirCharactersAndComposeTheComposition) {
    load("type \"a Z9-\xF0\x9F\x98\x80\"\ncompose \"ni\"\ncompose \"\"\n");
    const auto got = frame();
    struct Want {
        uint32_t message;
        uintptr_t wparam;
    };
    const Want want[] = {
        {WM_KEYDOWN, 'A'}, {WM_CHAR, u'a'}, {WM_KEYUP, 'A'},
        {WM_KEYDOWN, 32}, {WM_CHAR, u' '}, {WM_KEYUP, 32},
        {WM_KEYDOWN, 'Z'}, {WM_CHAR, u'Z'}, {WM_KEYUP, 'Z'},
        {WM_KEYDOWN, '9'}, {WM_CHAR, u'9'}, {WM_KEYUP, '9'},
        {WM_CHAR, u'-'}, {WM_CHAR, 0xD83D}, {WM_CHAR, 0xDE00},
        {display::kCompositionUnit, u'n'}, {display::kCompositionUnit, u'i'},
        {display::kComposition, 2}, {display::kComposition, 0},
    };
    ASSERT_EQ(got.size(), std::size(want));
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got[i].message, want[i].message);
        EXPECT_EQ(got[i].wparam, want[i].wparam);
        if (got[i].message == WM_KEYUP) {
            EXPECT_EQ(static_cast<uint32_t>(got[i].lparam), 0xC0000001u);
        }
    }
    EXPECT_TRUE(m_player->done());
}

TEST_F(ScriptPlayerTest, FramesLetExactlyThatManyFramesPass) {
    load("frames 3\nkeydown A\nframes 1\nkeyup A\n");
    EXPECT_TRUE(frame().empty());
    EXPECT_TRUE(frame().empty());
    EXPECT_TRUE(frame().empty());
    auto got = frame();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].message, WM_KEYDOWN);
    got = frame();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].message, WM_KEYUP);
    EXPECT_TRUE(m_player->done());
}

TEST_F(ScriptPlayerTest, WaitFollowsTheProgramClockAcrossItsWrap) {
    use_virtual_clock(true);
    // Just before the 32-bit tick count wraps: only signed differences see the wait end.
    advance_virtual_clock(0xFFFFFFFFu - 40);
    load("wait 0\nkeydown A\nwait 0.1\nkeyup A\n");
    auto got = frame();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].message, WM_KEYDOWN);
    advance_virtual_clock(60);
    EXPECT_TRUE(frame().empty());
    advance_virtual_clock(39);
    EXPECT_TRUE(frame().empty());
    EXPECT_FALSE(m_player->done());
    advance_virtual_clock(1);
    got = frame();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].message, WM_KEYUP);
    EXPECT_TRUE(m_player->done());
}

TEST_F(ScriptPlayerTest, SleepTakesRealTimeWithoutMovingTheProgramClock) {
    use_virtual_clock(true);
    load("sleep 0.03\nkeydown A\n");
    const uint32_t ticks = tick_count();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(frame().size(), 1u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
    EXPECT_EQ(tick_count(), ticks);
}

// A second start hands over its command line by sending to the window from another thread;
// the sleep delivers it, and hands back to the loop once something is posted.
TEST_F(ScriptPlayerTest, SleepDeliversSentMessagesAndReturnsForPostedOnes) {
    use_virtual_clock(true);
    load("sleep 3600\nkeydown A\n");
    const uint32_t ticks = tick_count();
    std::thread other([this] {
        send_message(m_window, WM_KEYDOWN, 'B', 0);
        post_message(m_window, WM_CHAR, 'c', 0);
    });
    const std::vector<Got> got = frame();
    other.join();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].message, WM_KEYDOWN);
    EXPECT_EQ(got[0].wparam, uintptr_t{'B'});
    EXPECT_EQ(got[1].message, WM_CHAR);
    EXPECT_FALSE(m_player->done()) << "still asleep";
    EXPECT_EQ(tick_count(), ticks);
}

TEST_F(ScriptPlayerTest, AwaitEndsWhenTheFileAppearsAndFailsWhenItNeverDoes) {
    const std::filesystem::path go = std::filesystem::temp_directory_path() / "go";
    const std::filesystem::path never = std::filesystem::temp_directory_path() / "never";
    load("await 3600 " + go.string() + "\nkeydown A\nawait 0 " + never.string() + "\n");
    std::thread other([&] { std::ofstream(go).put('1'); });
    const std::vector<Got> got = frame();
    other.join();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].message, WM_KEYDOWN);
    EXPECT_TRUE(m_player->failed());
    EXPECT_EQ(m_player->error(), "line 3: nothing came: " + never.string());
}

TEST_F(ScriptPlayerTest, HooksGetTheirArgumentsAndQuitEndsTheRun) {
    std::vector<std::string> calls;
    ScriptHooks hooks;
    hooks.screenshot = [&](const std::string& path) {
        calls.push_back("screenshot " + path);
        return true;
    };
    hooks.dump = [&](const std::string& path) {
        calls.push_back("dump " + path);
        return true;
    };
    hooks.choose = [&](const std::string& path) { calls.push_back("choose " + path); };
    hooks.phone = [&](const std::vector<std::string>& words, std::string& reply) {
        calls.push_back("phone " + words.at(0) + "|" + words.at(1));
        reply = "ok";
        return true;
    };
    hooks.quit = [&] { calls.push_back("quit"); };
    load("choose /p/a.jpg\nscreenshot /s.png\ndump /d.txt\nphone ring \"1 2\"\nquit\nkey A\n",
         hooks);
    EXPECT_TRUE(frame().empty());
    EXPECT_EQ(calls, (std::vector<std::string>{"choose /p/a.jpg", "screenshot /s.png",
                                               "dump /d.txt", "phone ring|1 2", "quit"}));
    EXPECT_TRUE(m_player->done());
    EXPECT_FALSE(m_player->failed());
    // Nothing after quit runs.
    EXPECT_TRUE(frame().empty());
}

TEST_F(ScriptPlayerTest, FailingOrMissingHookStopsTheRunAtItsLine) {
    ScriptHooks hooks;
    int shots = 0;
    hooks.screenshot = [&](const std::string&) { return ++shots > 1; };
    load("screenshot /a.png\nframes 1\nscreenshot /b.png\nkey A\n", hooks);
    EXPECT_TRUE(frame().empty());
    EXPECT_TRUE(m_player->failed());
    EXPECT_TRUE(m_player->done());
    EXPECT_EQ(m_player->error(), "line 1: screenshot failed: /a.png");
    EXPECT_TRUE(frame().empty());
    EXPECT_EQ(shots, 1);

    load("frames 1\ndump /tree.txt\nkey A\n");
    EXPECT_TRUE(frame().empty());
    EXPECT_FALSE(m_player->failed());
    EXPECT_TRUE(frame().empty());
    EXPECT_EQ(m_player->error(), "line 2: dump is not supported here: /tree.txt");

    hooks.phone = [](const std::vector<std::string>&, std::string& reply) {
        reply = "no call to answer";
        return false;
    };
    load("\n\nphone answer\n", hooks);
    frame();
    EXPECT_EQ(m_player->error(), "line 3: phone failed: answer: no call to answer");

    load("quit\n");
    frame();
    EXPECT_EQ(m_player->error(), "line 1: quit is not supported here: quit");
}

TEST_F(ScriptPlayerTest, AWindowThatIsGoneFailsTheRun) {
    load("key A\n");
    destroy_window(m_window);
    frame();
    EXPECT_TRUE(m_player->failed());
    EXPECT_EQ(m_player->error(), "line 1: the window is gone: key A");
}

TEST_F(ScriptPlayerTest, EmptyScriptIsDoneAtTheFirstFrame) {
    load("# nothing\n");
    EXPECT_FALSE(m_player->done());
    EXPECT_TRUE(frame().empty());
    EXPECT_TRUE(m_player->done());
    EXPECT_FALSE(m_player->failed());
}

}  // namespace
}  // namespace velvane
