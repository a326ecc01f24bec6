// A skin that lacks the main screen, in whole runs: chosen from the skin menu, the program
// says why, keeps the skin it had and starts with it next time; stored as the choice, start-up
// takes the default skin instead. The program never ends over it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "skin/properties.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/png_pixels.h"
#include "tools/skinc/skin_model.h"
#include "tools/skinc/source_writer.h"

namespace {

namespace fs = std::filesystem;
using e2e::Home;

struct Box {
    int x = 0, y = 0, w = 0, h = 0;
};

// The boxes of the nodes whose names start with name, from a dump, in tree order.
std::vector<Box> boxes(const Home& home, const std::string& dump, const std::string& name) {
    std::istringstream lines(e2e::read_file(home.root() / dump));
    std::vector<Box> found;
    for (std::string line; std::getline(lines, line);) {
        const size_t at = line.find("{" + name);
        if (at != std::string::npos) {
            Box box;
            std::sscanf(line.c_str() + line.find('}', at) + 1, " position=%d %d size=%d %d", &box.x,
                        &box.y, &box.w, &box.h);
            found.push_back(box);
        }
    }
    return found;
}

// Pixels that differ inside the box (the log's frame-time overlay stays outside it).
int differences(const e2e::Picture& a, const e2e::Picture& b, const Box& box) {
    if (a.empty() || b.empty()) {
        return box.w * box.h;
    }
    int n = 0;
    for (int y = box.y; y < box.y + box.h && y < a.height && y < b.height; ++y) {
        for (int x = box.x; x < box.x + box.w && x < a.width && x < b.width; ++x) {
            n += a.at(x, y) != b.at(x, y);
        }
    }
    return n;
}

std::string tap(const Box& box) {
    return "tap " + std::to_string(box.x + box.w / 2) + " " + std::to_string(box.y + box.h / 2) +
           "\nwait 1\n";
}

void link_or_copy(const fs::path& from, const fs::path& to) {
    std::error_code error;
    fs::create_hard_link(from, to, error);
    if (error) {
        fs::copy_file(from, to);
    }
}

// The program folder again inside the home, the program file linked so that it finds its
// skins there, with one more skin: "broken", the default skin with `Main` renamed.
fs::path program_with_broken_skin(Home& home) {
    const fs::path folder = home.root() / "program";
    const fs::path skins = folder / "skins" / "bin";
    fs::create_directories(skins);
    for (const fs::directory_entry& entry : fs::directory_iterator(e2e::program_dir())) {
        if (entry.is_regular_file()) {
            link_or_copy(entry.path(), folder / entry.path().filename());
        }
    }
    const fs::path built = e2e::program_dir() / "skins" / "bin";
    for (const fs::directory_entry& entry : fs::directory_iterator(built)) {
        link_or_copy(entry.path(), skins / entry.path().filename());
    }
    zentra::Properties skin;
    zentra::ScreenMetrics unscaled;
    unscaled.dpi_y = 96;
    EXPECT_TRUE(skin.load_skin(platform::from_utf8((built / "default.skin").string()), unscaled));
    skinc::SkinModel model = skinc::read_skin_model(skin);
    const auto main = std::find_if(model.definitions.begin(), model.definitions.end(),
                                   [](const skinc::Definition& d) { return d.name == u"Main"; });
    EXPECT_NE(main, model.definitions.end());
    if (main != model.definitions.end()) {
        main->name = u"MainOfAnOlderVersion";
    }
    std::vector<uint8_t> bytes;
    std::string why;
    EXPECT_TRUE(skinc::write_skin(model, bytes, why)) << why;
    e2e::write_file(skins / "broken.skin",
                    std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return folder / "velvane";
}

class SkinFailure : public ::testing::Test {
protected:
    void SetUp() override {
        home.enable_log();
        home.add_registry(
            "[HKEY_CURRENT_USER\\Software\\Quorr\\Velvane]\n\"Language\"=\"english\"\n");
        program = program_with_broken_skin(home);
    }
    // A headless run of the program copy with the script; its log lines come back in log.
    e2e::RunResult run(const std::string& script) {
        const fs::path file = home.write("script.txt", script);
        const e2e::RunResult result = home.run(program, {"--headless", "--script", file.string()});
        log = home.log_lines();
        return result;
    }
    bool logged(const std::string& text) const {
        return std::any_of(log.begin(), log.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        });
    }
    e2e::Picture picture(const std::string& name) const {
        return e2e::read_png((home.root() / name).string());
    }
    std::string registry() const {
        return e2e::read_file(home.config() / "velvane" / "registry.reg");
    }

    Home home;
    fs::path program;
    std::vector<std::string> log;
};

constexpr const char* kSaid = "This skin cannot be used";

TEST_F(SkinFailure, ASkinWithoutTheMainScreenIsUndoneAndTheNextStartKeepsThePreviousOne) {
    // Where the menu rows are: the main menu's second row is Settings, the third row of
    // Settings is Skin, and the skins are listed by name (broken, default, default_dark).
    ASSERT_EQ(run("wait 3\ndump layout.txt\nquit\n").exit_code, 0);
    const std::vector<Box> menu_button = boxes(home, "layout.txt", "button_menu}");
    const std::vector<Box> list = boxes(home, "layout.txt", "ContactsList}");
    ASSERT_FALSE(menu_button.empty());
    ASSERT_FALSE(list.empty());
    const std::string open_menu = "wait 3\nscreenshot before.png\n" + tap(menu_button[0]);
    ASSERT_EQ(run(open_menu + "dump main.txt\nquit\n").exit_code, 0);
    const std::vector<Box> main_rows = boxes(home, "main.txt", "MenuElement");
    ASSERT_GE(main_rows.size(), 2u);
    const std::string settings = open_menu + tap(main_rows[1]);
    ASSERT_EQ(run(settings + "dump settings.txt\nquit\n").exit_code, 0);
    const std::vector<Box> rows = boxes(home, "settings.txt", "MenuElement");
    ASSERT_EQ(rows.size(), 4u) << "Sort, Language, Skin, Cancel";

    const e2e::RunResult chosen = run(settings + tap(rows[2]) + tap(rows[0]) +
                                      "wait 1\nscreenshot after.png\ndump after.txt\nquit\n");
    ASSERT_EQ(chosen.exit_code, 0) << chosen.err;
    EXPECT_TRUE(logged("MainForm: the skin ")) << "the reason is logged";
    EXPECT_TRUE(logged("broken.skin cannot be used, the skin has no definition Main"));
    EXPECT_NE(chosen.err.find(kSaid), std::string::npos) << "the user is told: " << chosen.err;
    EXPECT_EQ(e2e::read_file(home.root() / "after.txt").rfind("{Main}", 0), 0u);
    const e2e::Picture before = picture("before.png");
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(differences(before, picture("after.png"), list[0]), 0) << "the skin it had";
    EXPECT_EQ(registry().find("broken"), std::string::npos) << "the choice is not kept";

    const e2e::RunResult next = run("wait 3\nscreenshot next.png\nquit\n");
    ASSERT_EQ(next.exit_code, 0) << next.err;
    EXPECT_EQ(next.err.find(kSaid), std::string::npos);
    EXPECT_EQ(differences(before, picture("next.png"), list[0]), 0) << "and the next start";
}

TEST_F(SkinFailure, StartUpWithTheBrokenSkinChosenTakesTheDefaultSkin) {
    ASSERT_EQ(run("wait 3\nscreenshot default.png\ndump layout.txt\nquit\n").exit_code, 0);
    const std::vector<Box> list = boxes(home, "layout.txt", "ContactsList}");
    ASSERT_FALSE(list.empty());
    home.add_registry("[HKEY_CURRENT_USER\\Software\\Quorr\\Velvane]\n\"Skin\"=\"broken\"\n");
    const e2e::RunResult started = run("wait 3\nscreenshot started.png\nquit\n");
    ASSERT_EQ(started.exit_code, 0) << started.err;
    EXPECT_TRUE(logged("broken.skin cannot be used, the skin has no definition Main"));
    EXPECT_TRUE(logged("MainForm: using the skin "));
    EXPECT_EQ(differences(picture("default.png"), picture("started.png"), list[0]), 0);
}

}  // namespace
