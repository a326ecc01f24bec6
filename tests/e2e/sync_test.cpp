// A running program and another device sharing one book through a real CardDAV server: what
// the other device adds shows in the contact list after the program's next sync, with no
// restart, and the line over the list says what the pass brought.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>

#include "tests/e2e/e2e_support.h"
#include "tests/support/radicale_server.h"

namespace {

using e2e::Home;
namespace fs = std::filesystem;

fs::path pim() { return e2e::program_dir() / "velvane-pim"; }

struct Box {
    int x = 0, y = 0, w = 0, h = 0;
};

Box box_of(const std::string& line) {
    Box box;
    const size_t close = line.find('}');
    if (close != std::string::npos) {
        std::sscanf(line.c_str() + close + 1, " position=%d %d size=%d %d", &box.x, &box.y, &box.w,
                    &box.h);
    }
    return box;
}

// The first node called name in a dump; with text, the row (a node whose name starts with
// name) that holds a text beginning with it.
Box find(const Home& home, const std::string& dump, const std::string& name,
         const std::string& text = {}) {
    std::istringstream lines(e2e::read_file(home.root() / dump));
    Box row;
    for (std::string line; std::getline(lines, line);) {
        if (text.empty() && line.find("{" + name + "}") != std::string::npos) {
            return box_of(line);
        }
        if (!text.empty() && line.find("{" + name) != std::string::npos) {
            row = box_of(line);
        }
        if (!text.empty() && line.find("text=\"" + text) != std::string::npos) {
            return row;
        }
    }
    return {};
}

std::string tap(const Box& box) {
    return "tap " + std::to_string(box.x + box.w / 2) + " " + std::to_string(box.y + box.h / 2) +
           "\nwait 1\n";
}

e2e::RunResult add_account(Home& home, const std::string& url) {
    return home.run("/bin/sh", {"-c", "printf 'secret\\n' | '" + pim().string() + "' account add '" +
                                          url + "' --user alice"});
}

TEST(Sync, ARunningProgramShowsWhatAnotherDeviceAddedAfterItsNextSync) {
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    test_support::RadicaleServer server;
    server.make_book("/alice/book/");
    Home phone;
    Home other;
    phone.enable_log();
    ASSERT_EQ(phone.run(pim(), {"add", "--first", "Anna", "--last", "Smith"}).exit_code, 0);
    ASSERT_EQ(add_account(phone, server.url()).exit_code, 0);
    ASSERT_EQ(add_account(other, server.url()).exit_code, 0);

    // Where the menu button and the menu's "Sync now" row are, from runs of their own.
    ASSERT_EQ(phone.run_script("wait 3\ndump layout.txt\nquit\n").exit_code, 0);
    const Box menu = find(phone, "layout.txt", "button_menu");
    ASSERT_GT(menu.w, 0);
    ASSERT_EQ(phone.run_script("wait 3\n" + tap(menu) + "dump menu.txt\nquit\n").exit_code, 0);
    const Box sync_row = find(phone, "menu.txt", "MenuElement", "Sync now");
    ASSERT_GT(sync_row.w, 0) << e2e::read_file(phone.root() / "menu.txt");

    // The runs above may have finished a pass of their own: only the running program's count.
    std::filesystem::remove(phone.log_path());
    const auto passes_done = [&] {
        const std::vector<std::string> log = phone.log_lines();
        return std::count_if(log.begin(), log.end(), [](const std::string& line) {
            return line.find("BackgroundSync::run done") != std::string::npos;
        });
    };
    e2e::Child running = phone.start_script("wait 3\nawait 60 added\n" + tap(menu) + tap(sync_row) +
                                            "await 60 synced\nwait 1\ndump after.txt\nquit\n");
    // Bob comes after the program's first pass, so the pass asked for is the one to bring him.
    ASSERT_TRUE(e2e::eventually([&] { return passes_done() == 1; }));
    ASSERT_EQ(other.run(pim(), {"add", "--first", "Bob", "--last", "Adams"}).exit_code, 0);
    ASSERT_EQ(other.run(pim(), {"sync"}).exit_code, 0);
    phone.write("added", "");
    // The program's pass has stored Bob; the program then follows the book's change journal.
    EXPECT_TRUE(e2e::eventually([&] { return passes_done() == 2; }));
    phone.write("synced", "");
    const e2e::RunResult run = phone.wait(running);
    ASSERT_EQ(run.exit_code, 0) << run.err;
    // The list holds both contacts: Bob came in while the program ran.
    const std::string after = e2e::read_file(phone.root() / "after.txt");
    size_t rows = 0;
    for (size_t at = after.find("{ContactsListElement}"); at != std::string::npos;
         at = after.find("{ContactsListElement}", at + 1)) {
        ++rows;
    }
    EXPECT_EQ(rows, 2u) << after;
    // The line over the list tells what the pass did, still in sight a second later.
    const size_t line = after.find("{sync_status}");
    ASSERT_NE(line, std::string::npos) << after;
    EXPECT_FALSE(after.substr(line, after.find('\n', line) - line).ends_with("hidden")) << after;
    EXPECT_NE(after.find("text=\"Synced: 1 received, 0 sent\"", line), std::string::npos) << after;
}

}  // namespace
