// Whole runs of the program without a screen: start-up, splash, second start, keys, quit.

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/e2e/e2e_support.h"
#include "tests/e2e/png_pixels.h"

namespace {

using e2e::Home;

bool has_line(const std::vector<std::string>& lines, std::string_view text) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

// Each text is found on a later line than the one before it.
::testing::AssertionResult in_order(const std::vector<std::string>& lines,
                                    const std::vector<std::string>& texts) {
    size_t at = 0;
    for (const std::string& text : texts) {
        while (at < lines.size() && lines[at].find(text) == std::string::npos) {
            ++at;
        }
        if (at == lines.size()) {
            return ::testing::AssertionFailure() << "\"" << text << "\" missing or out of order";
        }
        ++at;
    }
    return ::testing::AssertionSuccess();
}

TEST(Startup, LogsEveryStepInOrderShowsTheSplashAndEndsCleanly) {
    Home home;
    home.enable_log();
    const e2e::RunResult run = home.run_script(
        "frames 5\n"
        "screenshot splash.png\n"
        "dump splash.txt\n"
        "wait 3\n"
        "screenshot after.png\n"
        "dump after.txt\n"
        "quit\n");
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_code, 0) << run.err;

    const auto lines = home.log_lines();
    EXPECT_TRUE(in_order(lines, {" start: 1", "show_running_instance_open_bracket cmd_line=",
                                 " start: 2", " GameBase 0", " GameBase 1", " GameBase 2",
                                 " GameBase 3", " GameBase 4", " GameBase 5",
                                 "Application::Application() this=", " start: 3", " start: 5",
                                 " start: 6", " start: run: 2", " start: run: 3",
                                 " start: run: 4", " start: run: 5", " WinMain 10",
                                 "Application::~Application()"}));

    const e2e::Picture splash = e2e::read_png((home.root() / "splash.png").string());
    ASSERT_EQ(splash.width, 480);
    ASSERT_EQ(splash.height, 800);
    // The title band is lighter than the backdrop above it, and it holds the white title.
    EXPECT_NE(splash.at(5, 5), splash.at(5, 300));
    bool white = false;
    for (int x = 0; x < splash.width && !white; ++x) {
        white = splash.at(x, 350) == 0xFFFFFF;
    }
    EXPECT_TRUE(white);
    EXPECT_NE(e2e::read_file(home.root() / "splash.txt").find("{FormSplash}"), std::string::npos);

    // Afterwards the main screen has taken over.
    const e2e::Picture after = e2e::read_png((home.root() / "after.png").string());
    ASSERT_FALSE(after.empty());
    EXPECT_NE(after.at(240, 350), splash.at(240, 350));
    EXPECT_NE(e2e::read_file(home.root() / "after.txt").find("{ContactSelectorContainer}"),
              std::string::npos);
}

TEST(Startup, ScreenOptionsSetTheFrameSize) {
    Home home;
    const e2e::RunResult run =
        home.run_script("frames 3\nscreenshot small.png\n", {"--size", "240x320", "--dpi", "96"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    const e2e::Picture picture = e2e::read_png((home.root() / "small.png").string());
    EXPECT_EQ(picture.width, 240);
    EXPECT_EQ(picture.height, 320);
}

TEST(Startup, ASecondStartHandsItsCommandLineToTheFirstAndEnds) {
    Home home;
    home.enable_log();
    // The first copy stays up in real time until the test has seen every hand-over arrive;
    // it handles them while it waits.
    auto first = home.start_script("wait 1\nawait 600 go\nframes 1\nquit\n");

    // Its window can be found once the loop runs.
    ASSERT_TRUE(e2e::eventually([&] { return has_line(home.log_lines(), " start: 6"); }));

    // Every start opens the log afresh, so each hand-over is looked for before the next start;
    // the first copy goes on writing at its own place, after a gap of zeros.
    const auto arrived = [&](std::string_view line) {
        return e2e::eventually([&] {
            for (std::string text : home.log_lines()) {
                std::erase(text, '\0');
                if (text == line) {
                    return true;
                }
            }
            return false;
        });
    };
    const e2e::RunResult second =
        home.run(e2e::program_path(), {"--headless", "open:+4930123456"}, std::chrono::seconds(20));
    EXPECT_EQ(second.exit_code, 0) << second.err;
    EXPECT_TRUE(arrived("Application::EnumProc window found 2"));
    EXPECT_TRUE(arrived("GameBase::on_copy_data cmd_line=open:+4930123456"));

    // The empty command line travels as a marker and arrives empty.
    const e2e::RunResult third = home.run(e2e::program_path(), {"--headless"},
                                          std::chrono::seconds(20));
    EXPECT_EQ(third.exit_code, 0) << third.err;
    EXPECT_TRUE(arrived("GameBase::on_copy_data cmd_line="));

    home.write("go", "");
    const e2e::RunResult result = home.wait(first);
    EXPECT_EQ(result.exit_code, 0) << result.err;
    // The later starts ended without a word of their own.
    EXPECT_TRUE(second.err.empty()) << second.err;
    EXPECT_TRUE(third.err.empty()) << third.err;
}

TEST(Startup, KeysMapThroughTheTableAndTheTalkKeyPlacesEmergencyCalls) {
    Home home;
    home.enable_log();
    const e2e::RunResult run = home.run_script(
        "wait 2\n"
        "key 5\nkey 1\nkey 1\nkey 2\n"
        "key CALL_MAKE\n"
        "key Left\n"
        "key 9\nkey CALL_MAKE\n"
        "quit\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    const auto lines = home.log_lines();
    EXPECT_TRUE(in_order(lines, {"WM_KEYDOWN = 53(5)", "WM_KEYUP = 53(5)", "WM_KEYDOWN = 49(1)",
                                 "WM_KEYDOWN = 50(2)", "WM_KEYDOWN = 114(CALL_MAKE)",
                                 "try call 5112", "emergency call 112",
                                 "WM_KEYDOWN = 37(Left)", "try call 9"}));
    // The typed digits were cleared by the call and by Left.
    EXPECT_FALSE(has_line(lines, "emergency call 9"));
}

// A script's sleep keeps the program alive: a second start is handled meanwhile.
TEST(Startup, ACommandLineIsHandledWhileTheScriptSleeps) {
    Home home;
    home.enable_log();
    auto first = home.start_script("wait 1\nsleep 600\n");
    ASSERT_TRUE(e2e::eventually([&] { return has_line(home.log_lines(), " start: 6"); }));
    const e2e::RunResult second = home.run(e2e::program_path(), {"--headless", "recents"});
    EXPECT_EQ(second.exit_code, 0) << second.err;
    // Handled, not only taken: the main screen came to the front for it.
    EXPECT_TRUE(e2e::eventually([&] {
        return in_order(home.log_lines(),
                        {"GameBase::on_copy_data cmd_line=recents", "GameBase::bring_to_front 2"});
    }));
    EXPECT_EQ(::waitpid(first.pid, nullptr, WNOHANG), 0) << "still asleep";
}

TEST(Startup, EmergencyNumbersComeFromTheRegistry) {
    Home home;
    home.enable_log();
    home.add_registry("[HKEY_CURRENT_USER\\Software\\Quorr\\Velvane]\n"
                      "\"EmergencyNumbers\"=\"999, 08\"\n");
    const e2e::RunResult run =
        home.run_script("wait 2\nkey 1\nkey 1\nkey 2\nkey CALL_MAKE\nkey 0\nkey 8\nkey CALL_MAKE\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    const auto lines = home.log_lines();
    EXPECT_FALSE(has_line(lines, "emergency call 112"));
    EXPECT_TRUE(has_line(lines, "emergency call 08"));
}

TEST(Startup, ABadScriptStopsWithItsLineNumber) {
    Home home;
    const e2e::RunResult run = home.run_script("frames 2\n\ntap 10\n");
    EXPECT_NE(run.exit_code, 0);
    EXPECT_NE(run.err.find("line 3"), std::string::npos) << run.err;
}

TEST(Startup, WithoutADisplayTheProgramSaysHowToRunHeadless) {
    Home home;
    const e2e::RunResult run = home.run(e2e::program_path(), {});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find("--headless"), std::string::npos) << run.err;
}

}  // namespace

namespace {

// Closed while the start-up thread still sleeps: the splash waits for it before deleting
// what it builds, and the run still ends cleanly.
TEST(Startup, ClosingDuringTheSplashWaitsForTheStartUp) {
    Home home;
    home.enable_log();
    const e2e::RunResult run = home.run_script("frames 1\nquit\n");
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_FALSE(run.timed_out);
    const auto lines = home.log_lines();
    EXPECT_TRUE(in_order(lines, {" start: 6", "Application::~Application()"}));
    EXPECT_FALSE(has_line(lines, " WinMain 10"));
}

}  // namespace
