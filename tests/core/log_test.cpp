#include "core/log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "core/registry.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_home.h"

namespace velvane {
namespace {

using test_support::read_bytes;
using test_support::TempHome;
namespace fs = std::filesystem;

constexpr platform::WStringView kQuorr = u"HKEY_CURRENT_USER\\Software\\Quorr";

void set_switch(std::uint32_t value) { ASSERT_TRUE(write_dword(kQuorr, u"Log", value)); }

// The stream is process-wide and only changes when the switch does, so every test starts a
// new file of its own by switching off and on again.
void start_new_log() {
    set_switch(0);
    log();
    set_switch(1);
}

std::string utf16le(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

// The log file's text after a check of its byte-order mark.
std::u16string log_text(const fs::path& file) {
    const std::string bytes = read_bytes(file);
    EXPECT_TRUE(bytes.starts_with("\xFF\xFE")) << "no byte-order mark";
    EXPECT_EQ(bytes.size() % 2, 0u);
    std::u16string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      (static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return text;
}

TEST(Log, SwitchingOffAndOnAgainKeepsOnlyWhatFollowsTheSecondSwitchOn) {
    TempHome t;
    const fs::path file = t.home() / "Documents/core_tests.txt";
    start_new_log();
    log() << "first\n";
    EXPECT_EQ(log_text(file), u"first\n");
    set_switch(0);
    log() << "while off\n";
    EXPECT_FALSE(log().enabled());
    EXPECT_EQ(log_text(file), u"first\n");
    set_switch(1);
    log() << u"second " << 42 << "\n";
    EXPECT_TRUE(log().enabled());
    EXPECT_EQ(log_text(file), u"second 42\n");
}

TEST(Log, WritesUtf16LittleEndianAfterAByteOrderMark) {
    TempHome t;
    // The documents folder does not exist yet; switching on creates it.
    TempHome::set("XDG_DOCUMENTS_DIR", t.root() / "new/Docs");
    start_new_log();
    log() << u"\u00e9\u65e5\U0001F600|" << "\xE9|" << -5 << u'|' << 4294967296ull << "|" << 0.25
          << "\n";
    log().flush();
    const std::string bytes = read_bytes(t.root() / "new/Docs/core_tests.txt");
    EXPECT_EQ(bytes, "\xFF\xFE" + utf16le(u"\u00e9\u65e5\U0001F600|\u00e9|-5|4294967296|0.25\n"));
}

TEST(Log, LinesFromSeveralThreadsStayWholeWhileTheSwitchFlips) {
    TempHome t;
    const fs::path file = t.home() / "Documents/core_tests.txt";
    start_new_log();
    std::atomic<bool> stop{false};
    std::atomic<long> written{0};
    std::vector<std::thread> writers;
    for (int w = 0; w < 3; ++w) {
        writers.emplace_back([w, &stop, &written] {
            const std::string line = "writer " + std::to_string(w) + " says something long\n";
            while (!stop.load()) {
                log() << line;
                ++written;
            }
        });
    }
    // Each setting of the switch sees lines written under it.
    const auto some_lines = [&] {
        const long before = written;
        EXPECT_TRUE(test_support::eventually([&] { return written >= before + 20; }));
    };
    for (int flip = 0; flip < 10; ++flip) {
        set_switch(flip % 2);
        some_lines();
    }
    set_switch(1);
    some_lines();
    stop = true;
    for (std::thread& w : writers) {
        w.join();
    }
    const std::u16string text = log_text(file);
    ASSERT_FALSE(text.empty());
    std::set<std::u16string> seen;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find(u'\n', start);
        ASSERT_NE(end, std::u16string::npos) << "a line was cut";
        seen.insert(text.substr(start, end - start));
        start = end + 1;
    }
    for (const std::u16string& line : seen) {
        EXPECT_TRUE(line == u"writer 0 says something long" ||
                    line == u"writer 1 says something long" ||
                    line == u"writer 2 says something long")
            << platform::to_utf8(line);
    }
}

TEST(LogDeathTest, FatalLogsTheGluckLineAndExitsWithOne) {
    TempHome t;
    const fs::path file = t.home() / "Documents/core_tests.txt";
    // The child switches the log on itself, so the file holds only what it wrote.
    set_switch(0);
    log();
    set_switch(1);
    EXPECT_EXIT(fatal(u"CActiveScheduler::~CActiveScheduler()", u"live objects"),
                ::testing::ExitedWithCode(1),
                "Gluck: live objects @ CActiveScheduler::~CActiveScheduler\\(\\)");
    EXPECT_EQ(log_text(file), u"Gluck: live objects @ CActiveScheduler::~CActiveScheduler()\n");
}

}  // namespace
}  // namespace velvane
