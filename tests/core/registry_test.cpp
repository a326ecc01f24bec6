#include "core/registry.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>

#include "platform/registry_store.h"
#include "tests/support/temp_home.h"

namespace velvane {
namespace {

using test_support::read_bytes;
using test_support::TempHome;
namespace fs = std::filesystem;

constexpr WStringView kQuorr = u"HKEY_CURRENT_USER\\Software\\Quorr";
constexpr WStringView kVelvane = u"HKEY_CURRENT_USER\\Software\\Quorr\\Velvane";

TEST(RegistryPath, SplitsAtTheFourRootsOnly) {
    const auto hkcu = split_registry_path(u"HKEY_CURRENT_USER\\Software\\Quorr");
    ASSERT_TRUE(hkcu);
    EXPECT_EQ(hkcu->root, u"HKEY_CURRENT_USER");
    EXPECT_EQ(hkcu->sub_key, u"Software\\Quorr");
    for (const char16_t* root :
         {u"HKEY_CLASSES_ROOT", u"HKEY_LOCAL_MACHINE", u"HKEY_USERS", u"HKEY_CURRENT_USER"}) {
        const WString path = WString(root) + u"\\A";
        const auto split = split_registry_path(path);
        ASSERT_TRUE(split) << platform::to_utf8(root);
        EXPECT_EQ(split->root, root);
        EXPECT_EQ(split->sub_key, u"A");
    }
    const auto bare = split_registry_path(u"HKEY_USERS");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->sub_key, u"");
    EXPECT_FALSE(split_registry_path(u"HKEY_CURRENT_CONFIG\\Software"));
    EXPECT_FALSE(split_registry_path(u"HKEY_USERSX\\Software"));
    EXPECT_FALSE(split_registry_path(u"hkey_current_user\\Software"));
    EXPECT_FALSE(split_registry_path(u"Software\\Quorr"));
    EXPECT_FALSE(split_registry_path(u""));
}

TEST(Registry, ValuesRoundTripAndKeepTheirType) {
    TempHome t;
    ASSERT_TRUE(write_dword(kVelvane, u"Sorting", 3));
    ASSERT_TRUE(write_string(kVelvane, u"Skin", u"night"));
    ASSERT_TRUE(write_string(kVelvane, u"Empty", u""));

    std::uint32_t number = 77;
    WString text = u"untouched";
    EXPECT_TRUE(read_dword(kVelvane, u"Sorting", number));
    EXPECT_EQ(number, 3u);
    EXPECT_TRUE(read_string(kVelvane, u"Skin", text));
    EXPECT_EQ(text, u"night");
    EXPECT_TRUE(read_string(kVelvane, u"Empty", text));
    EXPECT_EQ(text, u"");

    // A string is not read as a DWORD, nor the other way round; outputs stay as they were.
    number = 77;
    text = u"untouched";
    EXPECT_FALSE(read_dword(kVelvane, u"Skin", number));
    EXPECT_FALSE(read_string(kVelvane, u"Sorting", text));
    EXPECT_FALSE(read_dword(kVelvane, u"Missing", number));
    EXPECT_FALSE(read_string(u"HKEY_CURRENT_USER\\Software\\Other", u"Skin", text));
    EXPECT_EQ(number, 77u);
    EXPECT_EQ(text, u"untouched");

    // Rewriting a value with the other type replaces it.
    ASSERT_TRUE(write_dword(kVelvane, u"Skin", 1));
    EXPECT_FALSE(read_string(kVelvane, u"Skin", text));
    EXPECT_TRUE(read_dword(kVelvane, u"Skin", number));
    EXPECT_EQ(number, 1u);

    // What follows a NUL never comes back.
    ASSERT_TRUE(write_string(kVelvane, u"Language", WStringView(u"english\0junk", 12)));
    EXPECT_TRUE(read_string(kVelvane, u"Language", text));
    EXPECT_EQ(text, u"english");

    EXPECT_TRUE(delete_value(kVelvane, u"Language"));
    EXPECT_FALSE(read_string(kVelvane, u"Language", text));
    EXPECT_FALSE(delete_value(kVelvane, u"Language"));
}

TEST(Registry, MachineValuesLiveInTheMachineFileOverTheUsersOwn) {
    TempHome t;
    constexpr WStringView kMachine = u"HKEY_LOCAL_MACHINE\\Software\\Quorr";
    const fs::path user_file = t.home() / ".config/velvane/registry.reg";
    const fs::path machine_file = t.sysconf() / "registry.reg";
    // A machine value the user's file held from before is still read while the machine's
    // file has none.
    test_support::write_bytes(user_file, "[HKEY_LOCAL_MACHINE\\Software\\Quorr]\n"
                                         "\"Log\"=dword:00000004\n\"Old\"=dword:00000002\n");
    std::uint32_t value = 0;
    EXPECT_TRUE(read_dword(kMachine, u"Log", value));
    EXPECT_EQ(value, 4u);

    ASSERT_TRUE(write_dword(kMachine, u"Log", 5));
    ASSERT_TRUE(write_dword(kQuorr, u"Log", 6));
    EXPECT_TRUE(read_dword(kMachine, u"Log", value));
    EXPECT_EQ(value, 5u);
    EXPECT_TRUE(read_dword(kMachine, u"Old", value));
    EXPECT_EQ(value, 2u);
    EXPECT_TRUE(read_dword(kQuorr, u"Log", value));
    EXPECT_EQ(value, 6u);
    EXPECT_FALSE(read_dword(u"HKEY_USERS\\Software\\Quorr", u"Log", value));

    const std::string machine = read_bytes(machine_file);
    EXPECT_NE(machine.find("[HKEY_LOCAL_MACHINE\\Software\\Quorr]"), std::string::npos);
    EXPECT_EQ(machine.find("HKEY_CURRENT_USER"), std::string::npos);
    EXPECT_EQ(read_bytes(user_file).find("dword:00000005"), std::string::npos);
    // Every user reads it, whatever the writer's umask.
    EXPECT_EQ(fs::status(machine_file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);

    // Deleting reaches the machine's value only.
    EXPECT_TRUE(delete_value(kMachine, u"Log"));
    EXPECT_TRUE(read_dword(kMachine, u"Log", value));
    EXPECT_EQ(value, 4u);

    // A machine file this user cannot write refuses the change and keeps the value.
    ASSERT_TRUE(write_dword(kMachine, u"Log", 7));
    fs::permissions(t.sysconf(), fs::perms::owner_read | fs::perms::owner_exec);
    const bool written = write_dword(kMachine, u"Log", 8);
    fs::permissions(t.sysconf(), fs::perms::owner_all);
    if (::geteuid() != 0) {  // root writes through any permission
        EXPECT_FALSE(written);
        EXPECT_TRUE(read_dword(kMachine, u"Log", value));
        EXPECT_EQ(value, 7u);
    }
}

TEST(Registry, OtherRootNamesReadAndWriteNothing) {
    TempHome t;
    const fs::path file = t.home() / ".config/velvane/registry.reg";
    for (const char16_t* path : {u"HKEY_CURRENT_CONFIG\\Software\\Quorr", u"Software\\Quorr",
                                 u"HKEY_CURRENT_USERS\\Software\\Quorr", u"\\HKEY_USERS\\A"}) {
        EXPECT_FALSE(write_dword(path, u"Log", 1)) << platform::to_utf8(path);
        EXPECT_FALSE(write_string(path, u"Skin", u"x"));
        EXPECT_FALSE(delete_value(path, u"Log"));
    }
    EXPECT_FALSE(fs::exists(file));

    // Even a value the file holds under such a name is not read.
    test_support::write_bytes(file, "[HKEY_CURRENT_CONFIG\\Software]\n\"Log\"=dword:00000001\n");
    std::uint32_t value = 9;
    EXPECT_FALSE(read_dword(u"HKEY_CURRENT_CONFIG\\Software", u"Log", value));
    EXPECT_EQ(value, 9u);
}

// Two processes of the registry tool writing at the same time, as two running programs would.
TEST(Registry, TwoToolProcessesWritingTogetherKeepBothValueSets) {
    const fs::path tool = fs::path(VELVANE_PROGRAM_DIR) / "velvane-reg";
    ASSERT_TRUE(fs::exists(tool)) << tool;
    TempHome t;
    const std::string key = "'HKEY_CURRENT_USER\\Software\\Quorr\\Velvane'";
    // Each loop stops at its first failing write.
    std::string script;
    for (const char* who : {"a", "b"}) {
        script += std::string("( set -e; for i in $(seq 1 25); do '") + tool.string() + "' set " +
                  key + " " + who + "$i dword $i; done ) & " + who + "=$!; ";
    }
    script += "wait $a && wait $b";
    ASSERT_EQ(std::system(script.c_str()), 0);
    for (const char16_t* who : {u"a", u"b"}) {
        for (int i = 1; i <= 25; ++i) {
            std::uint32_t value = 0;
            const WString name = WString(who) + platform::to_wstring(i);
            EXPECT_TRUE(read_dword(kVelvane, name, value)) << platform::to_utf8(name);
            EXPECT_EQ(value, static_cast<std::uint32_t>(i));
        }
    }
}

}  // namespace
}  // namespace velvane
