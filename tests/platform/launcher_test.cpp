#include "platform/launcher.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/device_info.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_home.h"

namespace platform {
namespace {

using Words = std::vector<std::string>;

TEST(Launcher, SplitKeepsQuotedBlanksAndNoShellMeaning) {
    EXPECT_EQ(split_command("  xdg-open\t{line} "), (Words{"xdg-open", "{line}"}));
    EXPECT_EQ(split_command("a \"b c\" d;e $(x)"), (Words{"a", "b c", "d;e", "$(x)"}));
    EXPECT_EQ(split_command("\"\" x"), (Words{"", "x"}));
    EXPECT_TRUE(split_command("   ").empty());
}

TEST(Launcher, RecorderReplacesAndRestores) {
    std::vector<Words> seen;
    LaunchHandler before = set_launch_handler([&](const Words& argv) {
        seen.push_back(argv);
        return false;
    });
    EXPECT_FALSE(before);
    EXPECT_FALSE(launch({"x", "y"}));
    EXPECT_EQ(seen, (std::vector<Words>{{"x", "y"}}));
    EXPECT_TRUE(set_launch_handler(nullptr));
}

TEST(Launcher, RealStartPassesArgumentsVerbatimWithoutShell) {
    test_support::TempHome home;
    const auto out = home.root() / "out";
    // The ";" would split the command in a shell; here it is part of the file name.
    ASSERT_TRUE(launch({"touch", out.string() + ";x"}));
    EXPECT_TRUE(test_support::eventually(
        [&] { return std::filesystem::exists(out.string() + ";x"); }));
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_FALSE(launch({"velvane-no-such-program-xyz"}));
    EXPECT_FALSE(launch({}));
}

TEST(DeviceInfo, DescriptionAndVolumes) {
    EXPECT_GT(os_major_version(), 2);
    EXPECT_LE(device_name().size(), 1024u);
    EXPECT_NE(device_description().find(u"MB free"), WString::npos);
    unsigned long long total = 0, free = 0;
    ASSERT_TRUE(volume_megabytes("/", total, free));
    EXPECT_LE(free, total);
    EXPECT_FALSE(volume_megabytes("/no/such/folder", total, free));
}

}  // namespace
}  // namespace platform
