// The program in a real window: under a virtual X server it opens its window, shows the
// splash, runs its frame loop and closes cleanly when the desktop asks it to.

#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>

#include "tests/e2e/e2e_support.h"

namespace {

namespace fs = std::filesystem;

// The program started from this home: its executable, with this HOME in its environment.
pid_t find_program(const e2e::Home& home) {
    const std::string wanted = "HOME=" + home.home().string();
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (!std::all_of(name.begin(), name.end(), ::isdigit)) {
            continue;
        }
        std::error_code error;
        if (fs::read_symlink(entry.path() / "exe", error) != fs::canonical(e2e::program_path())) {
            continue;
        }
        const std::string environment = e2e::read_file(entry.path() / "environ");
        if (environment.find(wanted + '\0') != std::string::npos) {
            return static_cast<pid_t>(std::stol(name));
        }
    }
    return 0;
}

bool log_has(const e2e::Home& home, std::string_view text) {
    for (const std::string& line : home.log_lines()) {
        if (line.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

TEST(Window, OpensUnderAnXServerRunsItsLoopAndClosesWhenAsked) {
    const fs::path xvfb_run = "/usr/bin/xvfb-run";
    if (!fs::exists(xvfb_run) || !fs::exists("/usr/bin/xauth")) {
        GTEST_SKIP() << "xvfb-run is not installed";
    }
    e2e::Home home;
    home.enable_log();
    // The display libraries (D-Bus, the GL driver) keep allocations past exit that are not
    // the program's; a sanitizer build must not count them against it.
    ::setenv("LSAN_OPTIONS", "detect_leaks=0", 1);
    auto child = home.start(xvfb_run, {"-a", "-s", "-screen 0 800x900x24",
                                       e2e::program_path().string(), "contacts"});
    ASSERT_TRUE(e2e::eventually([&] { return log_has(home, " WinMain 10"); }))
        << "the splash never handed over";
    const pid_t program = find_program(home);
    ASSERT_NE(program, 0);
    // The desktop's close arrives as a termination request.
    ::kill(program, SIGTERM);
    const e2e::RunResult result = home.wait(child, std::chrono::seconds(30));
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_TRUE(log_has(home, "Application::~Application()"));
}

}  // namespace
