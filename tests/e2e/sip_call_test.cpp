// Real calls in a whole run: the program on the SIP phone calls a baresip peer on loopback
// from the keypad, sends touch tones from the call keypad and hangs up; takes the peer's call
// with the caller named from the phone book; and counts the call the peer gave up on as
// missed. The recents and the call history then hold all three.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "platform/call_history.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/png_pixels.h"
#include "tests/e2e/screen_walk.h"
#include "tests/support/sip_peer.h"

namespace {

using e2e::Box;
using e2e::Home;
using e2e::tap;
using test_support::SipPeer;

// The peer's number: its SIP user, and in the phone book with its country code.
constexpr const char* kPeerUser = "4930555222";

Box box(const Home& home, const std::string& dump, const std::string& name) {
    const std::vector<Box> boxes = e2e::boxes_of(home, dump, name);
    return boxes.empty() ? Box{} : boxes.front();
}

// The text a node of a dump shows, and whether it is hidden.
struct Shown {
    bool found = false;
    std::string text;
    bool hidden = false;
};
Shown shown(const Home& home, const std::string& dump, const std::string& name) {
    std::istringstream lines(e2e::read_file(home.root() / dump));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.find("{" + name + "}") == std::string::npos) {
            continue;
        }
        Shown node{true, "", line.ends_with(" hidden")};
        const size_t text = line.find(" text=\"");
        if (text != std::string::npos) {
            node.text = line.substr(text + 7, line.rfind('"') - text - 7);
        }
        return node;
    }
    return {};
}

// A recents row: the direction its icon shows, the name and the duration.
struct RecentRow {
    std::string direction;
    std::string name;
    std::string duration;
};
std::vector<RecentRow> recent_rows(const Home& home, const std::string& dump) {
    std::istringstream lines(e2e::read_file(home.root() / dump));
    std::vector<RecentRow> rows;
    std::string line;
    const auto text_of = [](const std::string& l) {
        const size_t at = l.find(" text=\"");
        return at == std::string::npos ? std::string() : l.substr(at + 7, l.rfind('"') - at - 7);
    };
    while (std::getline(lines, line)) {
        if (line.find("{RecentsListElement}") != std::string::npos) {
            rows.emplace_back();
        } else if (rows.empty()) {
            continue;
        } else if (line.find("{#dir_") != std::string::npos && !line.ends_with(" hidden")) {
            const size_t open = line.find("{#dir_") + 6;
            rows.back().direction = line.substr(open, line.find('}', open) - open);
        } else if (line.find("{firstlast}") != std::string::npos) {
            rows.back().name = text_of(line);
        } else if (line.find("{duration}") != std::string::npos) {
            rows.back().duration = text_of(line);
        } else if (line.find("{FavoritesContainer}") != std::string::npos) {
            break;
        }
    }
    return rows;
}

std::string top_form(const Home& home, const std::string& dump) {
    return e2e::Dump(e2e::read_file(home.root() / dump)).top();
}

std::string phone_status(Home& home) {
    return home.run(e2e::program_dir() / "velvane-phone", {"status"}).out;
}

// Asks the running program's phone a few times a second until it shows text.
bool status_shows(Home& home, const std::string& text) {
    for (int tries = 0; tries < 100; ++tries) {
        if (phone_status(home).find(text) != std::string::npos) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return false;
}

int differences(const e2e::Picture& a, const e2e::Picture& b, const Box& area) {
    int n = 0;
    for (int y = area.y; y < area.bottom() && y < a.height && y < b.height; ++y) {
        for (int x = area.x; x < area.x + area.w && x < a.width && x < b.width; ++x) {
            n += a.at(x, y) != b.at(x, y);
        }
    }
    return n;
}

TEST(SipCalls, ThePeerIsCalledAndCallsBackAndAGivenUpCallIsMissed) {
    if (!test_support::baresip_installed()) {
        GTEST_SKIP() << "baresip is not installed (Debian package baresip-core)";
    }
    Home home;
    home.enable_log();
    const e2e::RunResult added =
        home.run(e2e::program_dir() / "velvane-pim",
                 {"add", "--first", "Berta", "--last", "Peer", "Mobile=+49 30 555222"});
    ASSERT_EQ(added.exit_code, 0) << added.err;

    // Where the keys are: the main keypad, then the call screen's (on the simulated phone).
    ASSERT_EQ(home.run_script("wait 3\ndump main.txt\nquit\n").exit_code, 0);
    const Box open_keypad = box(home, "main.txt", "open_keyboard");
    const Box call_key = box(home, "main.txt", "button_call");
    const Box recents_tab = box(home, "main.txt", "button_recents");
    const Box badge = box(home, "main.txt", "recent_count");
    std::vector<Box> digit(10);
    for (int d = 0; d < 10; ++d) {
        digit[d] = box(home, "main.txt", "button" + std::to_string(d));
        ASSERT_FALSE(digit[d].empty()) << d;
    }
    ASSERT_FALSE(open_keypad.empty() || call_key.empty() || recents_tab.empty());
    ASSERT_EQ(
        home.run_script("wait 3\nphone ring 5550100\nwait 1\ndump ring.txt\nquit\n").exit_code, 0);
    const Box answer = box(home, "ring.txt", "buttonAnswer");
    const Box keyboard = box(home, "ring.txt", "buttonKeyboard");
    ASSERT_EQ(home.run_script("wait 3\nphone ring 5550100\nwait 1\n" + tap(answer) + tap(keyboard) +
                              "dump call_keys.txt\nquit\n")
                  .exit_code,
              0);
    const Box tone1 = box(home, "call_keys.txt", "button1");
    const Box tone2 = box(home, "call_keys.txt", "button2");
    const Box end_call = box(home, "call_keys.txt", "buttonEndCall");
    ASSERT_FALSE(tone1.empty() || tone2.empty() || end_call.empty());

    // From here on the phone is SIP: the program listens on one port, the peer on another.
    const uint16_t own_port = test_support::free_sip_port();
    const uint16_t peer_port = test_support::free_sip_port(own_port);
    ASSERT_NE(own_port, 0);
    ASSERT_NE(peer_port, 0);
    SipPeer peer(home.root() / "peer", kPeerUser, peer_port);
    ASSERT_TRUE(peer.ok()) << peer.log();
    const std::string peer_address = "127.0.0.1:" + std::to_string(peer_port);
    home.add_registry(
        "[HKEY_CURRENT_USER\\Software\\Quorr\\Velvane]\n"
        "\"PhoneEngine\"=\"sip\"\n"
        "\"SipListen\"=\"127.0.0.1:" +
        std::to_string(own_port) +
        "\"\n"
        "\"SipDialDomain\"=\"" +
        peer_address +
        "\"\n"
        "\"SipAudioSource\"=\"ausine,440\"\n"
        "\"SipAudioPlayer\"=\"aufile," +
        (home.tmp() / "call.wav").string() + "\"\n");
    const std::string own_uri = "sip:velvane@127.0.0.1:" + std::to_string(own_port);

    std::string dial;
    for (const char* c = kPeerUser; *c != '\0'; ++c) {
        dial += tap(digit[*c - '0']);
    }
    const auto go = [&](const std::string& name) {
        return "await 60 " + (home.root() / name).string() + "\nwait 1\n";
    };
    // The test goes on once the program has written what it saw, so nothing overtakes it.
    const auto seen = [&](const std::string& dump) {
        return e2e::eventually([&] { return e2e::fs::exists(home.root() / dump); },
                               std::chrono::seconds(60));
    };
    e2e::Child program = home.start_script(
        go("agent") + "screenshot before.png\n" + tap(open_keypad) + dial + tap(call_key) +
        go("answered") + "dump connected.txt\n" + tap(keyboard) + tap(tone1) + tap(tone2) +
        go("tones") + tap(end_call) + "wait 3\ndump hung_up.txt\n" + go("ringing") +
        "dump incoming.txt\n" + tap(answer) + go("peer_hung_up") + "wait 3\n" +
        "dump after_incoming.txt\n" + go("given_up") + "wait 4\nscreenshot badge.png\n" +
        tap(recents_tab) + "dump recents.txt\nquit\n");
    const auto mark = [&](const std::string& name) { home.write(name, ""); };

    // The keypad is used once the user agent runs: a loaded machine starts it slowly.
    ASSERT_TRUE(status_shows(home, "agent running")) << phone_status(home);
    mark("agent");
    // Outgoing: the peer rings, answers, hears 1 and then 2, and the program hangs up.
    const int incoming = peer.wait_event("CALL_INCOMING");
    ASSERT_GE(incoming, 0) << peer.log();
    peer.send("accept");
    ASSERT_TRUE(status_shows(home, "outgoing 4930555222 CONNECTED")) << phone_status(home);
    mark("answered");
    const int one = peer.wait_event("CALL_DTMF_START", "1", static_cast<size_t>(incoming));
    ASSERT_GE(one, 0) << "tone 1 never came";
    EXPECT_GE(peer.wait_event("CALL_DTMF_START", "2", static_cast<size_t>(one)), 0)
        << "tone 2 never came after 1";
    // Long enough for the history to show a call that lasted.
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    mark("tones");
    const int closed = peer.wait_event("CALL_CLOSED", "", static_cast<size_t>(one));
    ASSERT_GE(closed, 0) << "the program never hung up";
    ASSERT_TRUE(seen("hung_up.txt"));

    // Incoming: the peer calls, the program answers from its screen, the peer hangs up.
    peer.send("dial", own_uri);
    ASSERT_TRUE(status_shows(home, "incoming 4930555222 OFFERING")) << phone_status(home);
    mark("ringing");
    ASSERT_TRUE(status_shows(home, "incoming 4930555222 CONNECTED")) << phone_status(home);
    // Long enough for the history to show a call that lasted.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    peer.send("hangup");
    ASSERT_TRUE(status_shows(home, "calls 0")) << phone_status(home);
    mark("peer_hung_up");
    ASSERT_TRUE(seen("after_incoming.txt"));

    // Given up: the peer calls and hangs up before anyone answers.
    peer.send("dial", own_uri);
    ASSERT_TRUE(status_shows(home, "incoming 4930555222 OFFERING")) << phone_status(home);
    peer.send("hangup");
    ASSERT_TRUE(status_shows(home, "ended")) << phone_status(home);
    ASSERT_TRUE(status_shows(home, "missed 4930555222")) << phone_status(home);
    mark("given_up");

    const e2e::RunResult run = home.wait(program);
    ASSERT_EQ(run.exit_code, 0) << run.err;

    // The call screen followed each call.
    EXPECT_EQ(top_form(home, "connected.txt"), "CallForm");
    EXPECT_EQ(shown(home, "connected.txt", "txtStatus").text, "Connected");
    EXPECT_NE(top_form(home, "hung_up.txt"), "CallForm");
    EXPECT_EQ(top_form(home, "incoming.txt"), "CallForm");
    EXPECT_EQ(shown(home, "incoming.txt", "txtStatus").text, "Incoming call");
    EXPECT_EQ(shown(home, "incoming.txt", "firstname").text, "Berta");
    EXPECT_EQ(shown(home, "incoming.txt", "lastname").text, "Peer");
    EXPECT_FALSE(shown(home, "incoming.txt", "buttonAnswer").hidden);
    EXPECT_NE(top_form(home, "after_incoming.txt"), "CallForm");

    // The missed call raised the badge.
    const e2e::Picture before = e2e::read_png((home.root() / "before.png").string());
    const e2e::Picture after = e2e::read_png((home.root() / "badge.png").string());
    EXPECT_GT(differences(before, after, badge), 10) << "the badge shows the missed call";

    // Each call once in the history, newest first, with how long it really lasted.
    platform::CallHistory history((home.data() / "velvane" / "clog.db").string());
    const auto entries = history.read_entries();
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 3u);
    EXPECT_EQ((*entries)[0].direction, platform::kCallMissed);
    EXPECT_EQ((*entries)[1].direction, platform::kCallIncoming);
    EXPECT_EQ((*entries)[2].direction, platform::kCallOutgoing);
    for (const platform::CallLogEntry& entry : *entries) {
        EXPECT_EQ(entry.number, u"4930555222");
        EXPECT_GE(entry.end, entry.start);
    }
    EXPECT_GE((*entries)[1].end - (*entries)[1].start, 10000000u) << "the answered call lasted";

    // The recents tab lists the three calls with their directions and how long they took.
    const std::vector<RecentRow> rows = recent_rows(home, "recents.txt");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].direction, "missed");
    EXPECT_EQ(rows[1].direction, "in");
    EXPECT_EQ(rows[2].direction, "out");
    for (const RecentRow& row : rows) {
        EXPECT_EQ(row.name, "Berta Peer");
    }
    EXPECT_NE(rows[1].duration, "00:00");
    EXPECT_NE(rows[2].duration, "00:00");
    const std::vector<std::string> lines = home.log_lines();
    const auto logged = [&](const std::string& text) {
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& l) { return l.find(text) != std::string::npos; });
    };
    EXPECT_TRUE(logged("CallFrom -> contact found for 4930555222"));
    EXPECT_TRUE(logged("lineAnswer = 0"));
    EXPECT_TRUE(logged("CALLS LOG: LINECALLSTATE_CONNECTED"));
    EXPECT_FALSE(logged("LINECALLSTATE_OFFERING: Phone incoming iteration"))
        << "no stock phone windows to look for";
}

}  // namespace
