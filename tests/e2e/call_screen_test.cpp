// The call screen in whole runs on the simulated phone: a contact's call rings in with her name
// and photo, is answered from the screen, carries touch tones typed on the call keypad and
// ends from the far side; a withheld number shows the unknown caller in the user's language.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/e2e_support.h"
#include "tests/e2e/png_pixels.h"

namespace {

using e2e::Home;

constexpr const char* kAnna = "+4930555111";

// One line of a node-tree dump.
struct DumpNode {
    std::string name;
    int x = 0, y = 0, w = 0, h = 0;
    std::string text;
    bool hidden = false;
    bool found = false;
};

std::vector<DumpNode> read_dump(const Home& home, const std::string& file) {
    std::istringstream lines(e2e::read_file(home.root() / file));
    std::vector<DumpNode> nodes;
    std::string line;
    while (std::getline(lines, line)) {
        const size_t open = line.find('{');
        const size_t close = line.find('}', open);
        if (open == std::string::npos || close == std::string::npos) {
            continue;
        }
        DumpNode node;
        node.found = true;
        node.name = line.substr(open + 1, close - open - 1);
        std::sscanf(line.c_str() + close + 1, " position=%d %d size=%d %d", &node.x, &node.y,
                    &node.w, &node.h);
        const size_t text = line.find(" text=\"", close);
        if (text != std::string::npos) {
            const size_t from = text + 7;
            node.text = line.substr(from, line.rfind('"') - from);
        }
        node.hidden = line.ends_with(" hidden");
        nodes.push_back(node);
    }
    return nodes;
}

DumpNode find(const std::vector<DumpNode>& nodes, const std::string& name) {
    for (const DumpNode& node : nodes) {
        if (node.name == name) {
            return node;
        }
    }
    return {};
}

std::string tap(const DumpNode& node) {
    return "tap " + std::to_string(node.x + node.w / 2) + " " +
           std::to_string(node.y + node.h / 2) + "\nwait 1\n";
}

std::string base64(const std::string& bytes) {
    static const char* kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t n = static_cast<uint8_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            n |= static_cast<uint8_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            n |= static_cast<uint8_t>(bytes[i + 2]);
        out += kDigits[(n >> 18) & 63];
        out += kDigits[(n >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(n >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[n & 63] : '=';
    }
    return out;
}

// A plain red 8 x 8 picture as a 24-bit BMP file.
std::string red_bmp() {
    std::string b;
    const auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    const auto put16 = [&](uint16_t v) {
        b += static_cast<char>(v & 0xFF);
        b += static_cast<char>(v >> 8);
    };
    b += "BM";
    put32(54 + 8 * 8 * 3);
    put32(0);
    put32(54);
    put32(40);
    put32(8);
    put32(8);
    put16(1);
    put16(24);
    put32(0);
    put32(8 * 8 * 3);
    put32(2835);
    put32(2835);
    put32(0);
    put32(0);
    for (int i = 0; i < 8 * 8; ++i) {
        b += '\0';                     // blue
        b += '\0';                     // green
        b += static_cast<char>(0xFF);  // red
    }
    return b;
}

void add_anna(Home& home) {
    const e2e::fs::path card =
        home.write("anna.vcf",
                   "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Smith;Anna;;;\r\nFN:Anna Smith\r\n"
                   "TEL;TYPE=CELL:" +
                       std::string(kAnna) + "\r\nPHOTO;ENCODING=b;TYPE=BMP:" + base64(red_bmp()) +
                       "\r\nEND:VCARD\r\n");
    const e2e::RunResult run =
        home.run(e2e::program_dir() / "velvane-pim", {"import", card.string()});
    ASSERT_EQ(run.exit_code, 0) << run.err;
}

// How much of a box of the screenshot is the photo's red.
double red_share(const e2e::Picture& picture, const DumpNode& box) {
    int red = 0;
    int all = 0;
    for (int y = box.y; y < box.y + box.h && y < picture.height; ++y) {
        for (int x = box.x; x < box.x + box.w && x < picture.width; ++x) {
            const uint32_t c = picture.at(x, y);
            red += ((c >> 16) & 0xFF) > 200 && ((c >> 8) & 0xFF) < 60 && (c & 0xFF) < 60;
            ++all;
        }
    }
    return all == 0 ? 0 : static_cast<double>(red) / all;
}

// Width and height of the red in a box of the screenshot.
std::pair<int, int> red_extent(const e2e::Picture& picture, const DumpNode& box) {
    int left = box.x + box.w, right = box.x - 1, top = box.y + box.h, bottom = box.y - 1;
    for (int y = box.y; y < box.y + box.h && y < picture.height; ++y) {
        for (int x = box.x; x < box.x + box.w && x < picture.width; ++x) {
            const uint32_t c = picture.at(x, y);
            if (((c >> 16) & 0xFF) > 200 && ((c >> 8) & 0xFF) < 60 && (c & 0xFF) < 60) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return {right - left + 1, bottom - top + 1};
}

std::string phone_status(Home& home) {
    const e2e::RunResult run = home.run(e2e::program_dir() / "velvane-phone", {"status"});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    return run.out;
}

TEST(CallScreen, AContactsCallIsAnsweredCarriesTonesAndEndsAndAWithheldOneIsUnknown) {
    Home home;
    home.enable_log();
    add_anna(home);
    const std::string ring = std::string("wait 3\nphone ring ") + kAnna + "\nwait 1\n";

    // Where the buttons are, and then the keys of the keypad they open.
    e2e::RunResult run = home.run_script(ring + "dump ring.txt\nquit\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    const std::vector<DumpNode> ringing = read_dump(home, "ring.txt");
    const DumpNode answer = find(ringing, "buttonAnswer");
    const DumpNode keyboard = find(ringing, "buttonKeyboard");
    ASSERT_TRUE(answer.found && keyboard.found);
    run =
        home.run_script(ring + tap(answer) + "wait 1\n" + tap(keyboard) + "dump keys.txt\nquit\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    const std::vector<DumpNode> keys = read_dump(home, "keys.txt");
    const DumpNode one = find(keys, "button1");
    const DumpNode two = find(keys, "button2");
    ASSERT_TRUE(one.found && !one.hidden && two.found) << "the keypad is open";

    e2e::Child program = home.start_script(
        ring + "dump ring.txt\nscreenshot ring.png\n" + tap(answer) + "wait 1\n" + tap(keyboard) +
        tap(one) + tap(two) + "dump tones.txt\nscreenshot tones.png\n" +
        "await 60 checked\n"
        "phone hangup\nwait 1\ndump ended.txt\n"
        "phone ring --hidden\nwait 1\ndump hidden.txt\nscreenshot hidden.png\n"
        "phone hangup\nwait 1\nquit\n");
    ASSERT_TRUE(e2e::eventually([&] { return e2e::fs::exists(home.root() / "tones.png"); },
                                std::chrono::seconds(60)));
    const std::string status = phone_status(home);
    home.write("checked", "");
    run = home.wait(program);
    ASSERT_EQ(run.exit_code, 0) << run.err;

    // Ringing: Anna's names, her number and her photo, answer and ignore but no end.
    const std::vector<DumpNode> shown = read_dump(home, "ring.txt");
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front().name, "CallForm");
    EXPECT_EQ(find(shown, "firstname").text, "Anna");
    EXPECT_EQ(find(shown, "lastname").text, "Smith");
    EXPECT_EQ(find(shown, "company").text, kAnna);
    EXPECT_EQ(find(shown, "txtStatus").text, "Incoming call");
    EXPECT_FALSE(find(shown, "buttonAnswer").hidden);
    EXPECT_FALSE(find(shown, "buttonIgnore").hidden);
    EXPECT_TRUE(find(shown, "buttonEndCall").hidden);
    // Her square picture fills the photo's height, centred.
    const e2e::Picture ring_shot = e2e::read_png((home.root() / "ring.png").string());
    EXPECT_GT(red_share(ring_shot, find(shown, "photo")), 0.2) << "the photo shows Anna's picture";
    const auto [red_w, red_h] = red_extent(ring_shot, find(shown, "photo"));
    EXPECT_EQ(red_w, red_h) << "her square picture keeps its shape";

    // Answered from the screen: the phone connected the call and heard 1 and then 2.
    EXPECT_NE(status.find(std::string("incoming ") + kAnna + " CONNECTED digits=12\n"),
              std::string::npos)
        << status;
    const std::vector<DumpNode> talking = read_dump(home, "tones.txt");
    EXPECT_EQ(find(talking, "txtStatus").text, "Connected");
    EXPECT_TRUE(find(talking, "buttonAnswer").hidden);
    EXPECT_FALSE(find(talking, "buttonEndCall").hidden);
    EXPECT_EQ(find(talking, "text_button_call").text, "12");

    // The far end hung up: the call screen went.
    const std::vector<DumpNode> ended = read_dump(home, "ended.txt");
    ASSERT_FALSE(ended.empty());
    EXPECT_NE(ended.front().name, "CallForm");

    // A withheld number: no names, the unknown caller in the user's language.
    const std::vector<DumpNode> hidden = read_dump(home, "hidden.txt");
    ASSERT_FALSE(hidden.empty());
    EXPECT_EQ(hidden.front().name, "CallForm");
    EXPECT_EQ(find(hidden, "firstname").text, "");
    EXPECT_EQ(find(hidden, "lastname").text, "");
    EXPECT_EQ(find(hidden, "company").text, "Unknown");
    EXPECT_LT(
        red_share(e2e::read_png((home.root() / "hidden.png").string()), find(hidden, "photo")),
        0.02)
        << "the skin's own picture";

    const std::vector<std::string> lines = home.log_lines();
    const auto logged = [&](const std::string& text) {
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    };
    EXPECT_TRUE(logged(std::string("CallFrom -> contact found for ") + kAnna));
    EXPECT_TRUE(logged("CallFrom -> contact not found for skinUnknown"));
    EXPECT_TRUE(logged("btnAnswer clicked"));
}

}  // namespace
