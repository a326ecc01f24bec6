// Headless runs as a test or a person at a terminal uses them: the run needs a script, the
// phone's replies come out on standard output, and one script played twice from the same
// data shows the same screens, down to the byte.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"
#include "tests/e2e/screen_walk.h"

namespace {

namespace fs = std::filesystem;
using e2e::Dump;
using e2e::Home;

TEST(HeadlessRuns, WithoutAScriptTheRunSaysWhatItNeeds) {
    Home home;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--headless"}, {"--headless", "recents"}}) {
        const e2e::RunResult run = home.run(e2e::program_path(), args, std::chrono::seconds(20));
        EXPECT_FALSE(run.timed_out);
        EXPECT_EQ(run.exit_code, 2) << args.back();
        EXPECT_NE(run.err.find("--headless needs --script FILE"), std::string::npos) << run.err;
    }
}

TEST(HeadlessRuns, PhoneLinesPrintThePhonesReplies) {
    Home home;
    const e2e::RunResult run = home.run_script(
        "wait 3\nphone ring 5550100 --name Anna\nwait 1\nphone status\nphone hangup\nquit\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    // The replies in order: the ring, the status with its call, the hang-up.
    const size_t ringing = run.out.find(" ringing\n");
    const size_t status = run.out.find("calls 1\ncall ");
    const size_t offered = run.out.find(" incoming 5550100 OFFERING name=Anna\n");
    const size_t ended = run.out.rfind(" ended\n");
    EXPECT_NE(ringing, std::string::npos) << run.out;
    EXPECT_NE(offered, std::string::npos) << run.out;
    EXPECT_NE(run.out.find("talk presses 0\n"), std::string::npos) << run.out;
    EXPECT_LT(ringing, status);
    EXPECT_LT(status, offered);
    EXPECT_LT(offered, ended);
    EXPECT_NE(ended, std::string::npos);
}

// A call placed from the program dials for half a second of program time: the phone's own
// steps follow the frames like everything else, so the same frame always sees the same state.
TEST(HeadlessRuns, APlacedCallMovesOnWithTheFrames) {
    Home home;
    e2e::Walk walk(home);
    walk << "wait 3\nphone ring 5550100\nwait 2\nphone hangup\nwait 3\n";
    walk << e2e::tap(walk.look().box("button_recents"));
    const e2e::Box row = walk.look().box("firstlast");
    ASSERT_FALSE(row.empty());
    // The call is placed when the tap lets go, one frame after it began.
    walk << "tap " << std::to_string(row.cx()) << " " << std::to_string(row.cy()) << "\n"
         << "frames 1\nphone status\nframes 23\nphone status\nframes 2\nphone status\n";
    for (int run = 0; run < 3; ++run) {
        const e2e::RunResult played = walk.play();
        ASSERT_EQ(played.exit_code, 0) << played.err;
        std::vector<std::string> states;
        for (size_t at = 0; (at = played.out.find(" outgoing 5550100 ", at)) != std::string::npos;) {
            at += 18;
            states.push_back(played.out.substr(at, played.out.find_first_of(" \n", at) - at));
        }
        EXPECT_EQ(states, (std::vector<std::string>{"DIALING", "DIALING", "PROCEEDING"}))
            << played.out;
    }
}

// A book long enough to fling, read in by the contact tool.
std::string book() {
    std::string cards;
    for (int i = 0; i < 40; ++i) {
        const std::string n = std::to_string(100 + i);
        cards += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Person" + n + ";Pat\r\nTEL;TYPE=CELL:555" + n +
                 "\r\nEND:VCARD\r\n";
    }
    return cards;
}

// Everything that moves with time (the fling, a call with its time and length, the recents'
// today) follows the run's own clock, not the machine's: two runs give the same pictures.
TEST(HeadlessRuns, TheSameScriptShowsTheSameScreensEveryTime) {
    // The calendar of a run starts at 09:00 UTC; the machine's zone would only shift it.
    ::setenv("TZ", "UTC", 1);
    Home home;
    const e2e::RunResult imported = home.run(e2e::program_dir() / "velvane-pim",
                                             {"import", home.write("book.vcf", book()).string()});
    ASSERT_EQ(imported.exit_code, 0) << imported.err;
    e2e::Walk walk(home);
    walk << "wait 3\n";
    const Dump main = walk.look();
    const e2e::Box list = main.box("ContactsList");
    const e2e::Box recents = main.box("button_recents");
    ASSERT_FALSE(list.empty());
    ASSERT_FALSE(recents.empty());

    // A quick throw that lets go while moving, shot while it still runs and after it stopped.
    const int x = list.cx();
    walk << "press " << std::to_string(x) << " " << std::to_string(list.bottom() - 20) << "\n";
    for (int y = list.bottom() - 80; y > list.y + 40; y -= 60) {
        walk << "move " << std::to_string(x) << " " << std::to_string(y) << "\nframes 1\n";
    }
    walk << "release " << std::to_string(x) << " " << std::to_string(list.y + 40) << "\n"
         << "frames 5\nscreenshot flinging.png\nwait 3\nscreenshot flung.png\n"
         << "phone ring 5550139\nwait 2\nphone hangup\nwait 3\n"
         << e2e::tap(recents) << "screenshot recents.png\ndump recents.txt\n";

    const std::vector<std::string> shots{"flinging.png", "flung.png", "recents.png"};
    ASSERT_EQ(walk.play().exit_code, 0);
    for (const std::string& shot : shots) {
        fs::rename(home.root() / shot, home.root() / ("first-" + shot));
    }
    const e2e::RunResult second = walk.play();
    ASSERT_EQ(second.exit_code, 0) << second.err;
    for (const std::string& shot : shots) {
        const std::string first = e2e::read_file(home.root() / ("first-" + shot));
        ASSERT_FALSE(first.empty()) << shot;
        EXPECT_TRUE(first == e2e::read_file(home.root() / shot)) << shot << " differs";
    }
    EXPECT_FALSE(e2e::read_file(home.root() / "flinging.png") ==
                 e2e::read_file(home.root() / "flung.png"))
        << "the list was still moving";

    // The call came at the run's own time of day and lasted the two seconds it was given.
    const std::string rows = e2e::read_file(home.root() / "recents.txt");
    EXPECT_NE(rows.find("{datetime}"), std::string::npos) << rows;
    EXPECT_NE(rows.find("text=\"09:00\""), std::string::npos) << rows;
    EXPECT_NE(rows.find("text=\"00:02\""), std::string::npos) << rows;
}

}  // namespace
