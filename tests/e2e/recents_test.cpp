// The recents screens in whole runs: calls missed through the phone engine raise the badge,
// showing recents resets it and lists the calls folded with their count, the newest on top;
// and one call deleted from a contact's history leaves the phone's call history.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/call_history.h"
#include "platform/ustring.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/screen_walk.h"
#include "tests/e2e/png_pixels.h"

namespace {

using e2e::Home;

using e2e::Box;
using e2e::boxes_of;
using e2e::tap;

Box first_box(const Home& home, const std::string& dump, const std::string& name) {
    const std::vector<Box> boxes = boxes_of(home, dump, name);
    return boxes.empty() ? Box{} : boxes.front();
}


int differences(const e2e::Picture& a, const e2e::Picture& b, const Box& box) {
    int n = 0;
    for (int y = box.y; y < box.y + box.h && y < a.height && y < b.height; ++y) {
        for (int x = box.x; x < box.x + box.w && x < a.width && x < b.width; ++x) {
            n += a.at(x, y) != b.at(x, y);
        }
    }
    return n;
}

// How many colours the box shows: text drawn into it shows more than one.
size_t colours(const e2e::Picture& picture, const Box& box) {
    std::set<uint32_t> seen;
    for (int y = box.y; y < box.y + box.h && y < picture.height; ++y) {
        for (int x = box.x; x < box.x + box.w && x < picture.width; ++x) {
            seen.insert(picture.at(x, y));
        }
    }
    return seen.size();
}

std::string missed_count(const Home& home) {
    const std::string registry = e2e::read_file(home.config() / "velvane" / "registry.reg");
    const size_t at = registry.find("\"Missed Call Count\"=dword:");
    return at == std::string::npos ? "" : registry.substr(at + 26, 8);
}

bool logged(const Home& home, const std::string& text) {
    for (const std::string& line : home.log_lines()) {
        if (line.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

void add_anna(Home& home) {
    const e2e::RunResult run =
        home.run(e2e::program_dir() / "velvane-pim",
                 {"add", "--first", "Anna", "--last", "Smith", "Mobile=555-0101"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
}

TEST(Recents, MissedCallsRaiseTheBadgeAndTheListShowsThemFoldedNewestFirst) {
    Home home;
    home.enable_log();
    add_anna(home);
    const e2e::RunResult missed = home.run_script(
        "wait 3\n"
        "dump layout.txt\n"
        "screenshot before.png\n"
        "phone ring 5550188\nwait 2\nphone hangup\nwait 3\n"
        "phone ring 5550199\nwait 2\nphone hangup\nwait 3\n"
        "phone ring 5550199\nwait 2\nphone hangup\nwait 4\n"
        "screenshot badge.png\n"
        "quit\n");
    ASSERT_EQ(missed.exit_code, 0) << missed.err;
    EXPECT_EQ(missed_count(home), "00000003");
    const Box recents_tab = first_box(home, "layout.txt", "button_recents");
    const Box badge = first_box(home, "layout.txt", "recent_count");
    ASSERT_GT(recents_tab.w, 0);
    EXPECT_GT(differences(e2e::read_png((home.root() / "before.png").string()),
                          e2e::read_png((home.root() / "badge.png").string()), badge),
              10)
        << "the badge shows the missed calls";

    const e2e::RunResult shown = home.run_script("wait 3\n" + tap(recents_tab) +
                                                 "screenshot recents.png\n"
                                                 "dump recents.txt\n"
                                                 "quit\n");
    ASSERT_EQ(shown.exit_code, 0) << shown.err;
    EXPECT_EQ(missed_count(home), "00000000") << "showing recents resets the count";
    const e2e::Picture recents = e2e::read_png((home.root() / "recents.png").string());
    EXPECT_GT(differences(e2e::read_png((home.root() / "badge.png").string()), recents, badge), 10)
        << "the badge is gone";
    const std::vector<Box> rows = boxes_of(home, "recents.txt", "RecentsListElement");
    ASSERT_EQ(rows.size(), 2u) << "two numbers, the second one's calls folded";
    const std::vector<Box> counts = boxes_of(home, "recents.txt", "count");
    ASSERT_EQ(counts.size(), 2u);
    EXPECT_GT(colours(recents, counts[0]), 1u) << "the top row shows its count";
    EXPECT_LE(colours(recents, counts[1]), 1u) << "a single call shows none";
    EXPECT_TRUE(logged(home, "RecentsContainer::refill() c=2"));

    // A tap on the top row calls its number back.
    const Box name = first_box(home, "recents.txt", "firstlast");
    const e2e::RunResult again =
        home.run_script("wait 3\n" + tap(recents_tab) + tap(name) + "quit\n");
    ASSERT_EQ(again.exit_code, 0) << again.err;
    EXPECT_TRUE(logged(home, "PhoneManager::call_number 5550199"));
}

TEST(Recents, AnEntryDeletedFromAContactsHistoryLeavesTheCallHistory) {
    Home home;
    add_anna(home);
    // Three calls from Anna this morning, an hour apart.
    const std::string log_file = (home.data() / "velvane" / "clog.db").string();
    const uint64_t now =
        static_cast<uint64_t>(::time(nullptr)) * 10000000ULL + 116444736000000000ULL;
    const uint64_t hour = 3600ULL * 10000000ULL;
    {
        platform::CallHistory history(log_file);
        ASSERT_TRUE(history.is_open());
        for (int i = 3; i >= 1; --i) {
            platform::CallLogEntry entry;
            entry.start = now - static_cast<uint64_t>(i) * hour;
            entry.end = entry.start + 60ULL * 10000000ULL;
            entry.direction = platform::kCallIncoming;
            entry.number = u"5550101";
            ASSERT_NE(history.add(entry), 0u);
        }
    }
    const e2e::RunResult layout = home.run_script("wait 3\ndump layout.txt\nquit\n");
    ASSERT_EQ(layout.exit_code, 0) << layout.err;
    const std::string to_recents =
        "wait 3\n" + tap(first_box(home, "layout.txt", "button_recents"));
    const e2e::RunResult list = home.run_script(to_recents + "dump list.txt\nquit\n");
    ASSERT_EQ(list.exit_code, 0) << list.err;
    ASSERT_EQ(boxes_of(home, "list.txt", "RecentsListElement").size(), 1u) << "one folded row";
    const std::string to_history = to_recents + tap(first_box(home, "list.txt", "btnRecents"));
    const e2e::RunResult form = home.run_script(to_history + "dump history.txt\nquit\n");
    ASSERT_EQ(form.exit_code, 0) << form.err;
    ASSERT_EQ(boxes_of(home, "history.txt", "SimpleRecentsListElement").size(), 3u);
    const std::string to_menu = to_history + tap(first_box(home, "history.txt", "edit_mode"));
    const e2e::RunResult menu = home.run_script(to_menu + "dump menu.txt\nquit\n");
    ASSERT_EQ(menu.exit_code, 0) << menu.err;
    // MainMenu: menuFilter, menuDelete, menuDeleteAll, Cancel.
    std::vector<Box> items;
    for (const char* style : {"MenuElement", "MenuElementRed"}) {
        for (const Box& box : boxes_of(home, "menu.txt", style)) {
            items.push_back(box);
        }
    }
    std::sort(items.begin(), items.end(), [](const Box& a, const Box& b) { return a.y < b.y; });
    ASSERT_GE(items.size(), 2u);
    const std::vector<Box> removes = boxes_of(home, "history.txt", "remove");
    ASSERT_EQ(removes.size(), 3u);
    const e2e::RunResult deleted =
        home.run_script(to_menu + tap(items[1]) + "wait 1\n" + tap(removes[1]) +
                        "wait 1\n"
                        "dump after.txt\n"
                        "quit\n");
    ASSERT_EQ(deleted.exit_code, 0) << deleted.err;

    platform::CallHistory history(log_file);
    const auto entries = history.read_entries();
    ASSERT_TRUE(entries.has_value());
    std::vector<uint64_t> left;
    for (const platform::CallLogEntry& entry : *entries) {
        left.push_back(entry.start);
    }
    EXPECT_EQ(left, (std::vector<uint64_t>{now - hour, now - 3 * hour}))
        << "the second call of the history is gone, and only it";
}

}  // namespace
