// The installer extension, loaded by name and called as the installer calls it.

#include "setup/setup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/registry.h"
#include "platform/shared_library.h"
#include "tests/support/temp_home.h"

namespace velvane {
namespace {

using namespace velvane::setup;
using test_support::TempHome;
namespace fs = std::filesystem;

struct Extension {
    std::unique_ptr<platform::SharedLibrary> library;
    InstallInitFunction* install_init = nullptr;
    InstallExitFunction* install_exit = nullptr;
    UninstallInitFunction* uninstall_init = nullptr;
    UninstallExitFunction* uninstall_exit = nullptr;
};

const Extension& extension() {
    static const Extension loaded = [] {
        Extension e;
        std::string error;
        e.library = platform::SharedLibrary::open(VELVANE_PROGRAM_DIR "/setup.so", error);
        if (!e.library) {
            ADD_FAILURE() << error;
            return e;
        }
        e.install_init = e.library->function<InstallInitFunction>("Install_Init");
        e.install_exit = e.library->function<InstallExitFunction>("Install_Exit");
        e.uninstall_init = e.library->function<UninstallInitFunction>("Uninstall_Init");
        e.uninstall_exit = e.library->function<UninstallExitFunction>("Uninstall_Exit");
        return e;
    }();
    return loaded;
}

// Both halves of each operation, checking every result code on the way.
void install(const std::u16string& folder) {
    const Extension& e = extension();
    EXPECT_EQ(e.install_init(nullptr, 1, 0, folder.c_str()), kInstallInitContinue);
    EXPECT_EQ(e.install_exit(nullptr, folder.c_str(), 0, 0, 0, 0, 0), kInstallExitDone);
}

void uninstall(const std::u16string& folder) {
    const Extension& e = extension();
    EXPECT_EQ(e.uninstall_init(nullptr, folder.c_str()), kUninstallInitContinue);
    EXPECT_EQ(e.uninstall_exit(nullptr), kUninstallExitDone);
}

std::optional<WString> shell_value() {
    WString text;
    return read_string(kShellKey, kShellValue, text) ? std::optional<WString>(text)
                                                     : std::nullopt;
}

TEST(SetupExtension, ExportsTheFourEntryPointsByName) {
    const Extension& e = extension();
    EXPECT_NE(e.install_init, nullptr);
    EXPECT_NE(e.install_exit, nullptr);
    EXPECT_NE(e.uninstall_init, nullptr);
    EXPECT_NE(e.uninstall_exit, nullptr);
}

TEST(SetupExtension, InstallAndRemoveSetTheShellRegistration) {
    ASSERT_NE(extension().uninstall_exit, nullptr);
    struct Step {
        enum { install, uninstall } what;
        std::u16string folder;
    };
    struct Case {
        const char* name;
        std::optional<WString> before;
        std::vector<Step> steps;
        std::optional<WString> after;
    };
    const std::u16string stock = kStockContacts;
    const Case cases[] = {
        {"plain folder", {}, {{Step::install, u"/opt/velvane"}}, u"\"/opt/velvane/velvane\""},
        {"blanks stay inside the quotes", {},
         {{Step::install, u"/opt/Program Files/Velvane Phone"}},
         u"\"/opt/Program Files/Velvane Phone/velvane\""},
        {"trailing separators", {}, {{Step::install, u"/usr/lib/velvane//"}},
         u"\"/usr/lib/velvane/velvane\""},
        {"the root folder", {}, {{Step::install, u"/"}}, u"\"/velvane\""},
        {"installing twice names the latest folder", {},
         {{Step::install, u"/opt/a"}, {Step::install, u"/opt/b c"}}, u"\"/opt/b c/velvane\""},
        {"removal restores the stock program", {},
         {{Step::install, u"/opt/velvane"}, {Step::uninstall, u"/opt/velvane"}}, stock},
        {"removal restores it over anything", u"\"/elsewhere/other\"",
         {{Step::uninstall, u"/opt/velvane"}}, stock},
        {"a quotation mark would split the command", u"kept",
         {{Step::install, u"/opt/a\" --evil \"b"}}, u"kept"},
        {"no folder at all", u"kept", {{Step::install, u""}}, u"kept"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempHome home;
        if (c.before) {
            ASSERT_TRUE(write_string(kShellKey, kShellValue, *c.before));
        }
        for (const Step& step : c.steps) {
            step.what == Step::install ? install(step.folder) : uninstall(step.folder);
        }
        EXPECT_EQ(shell_value(), c.after);
        // One value, in the machine's file, however often it was written.
        const std::string machine = test_support::read_bytes(home.sysconf() / "registry.reg");
        if (c.after) {
            const size_t first = machine.find("\"1\"=");
            EXPECT_NE(first, std::string::npos);
            EXPECT_EQ(machine.find("\"1\"=", first + 1), std::string::npos) << machine;
        }
        EXPECT_FALSE(fs::exists(home.home() / ".config/velvane/registry.reg"));
    }
}

TEST(SetupExtension, AFailedRegistryWriteStillLetsTheInstallerGoOn) {
    ASSERT_NE(extension().uninstall_exit, nullptr);
    TempHome home;
    // The machine's folder cannot be made below a plain file, whoever runs this.
    test_support::write_bytes(home.root() / "blocked", "");
    TempHome::set("VELVANE_SYSCONFDIR", home.root() / "blocked" / "velvane");
    install(u"/opt/velvane");
    uninstall(u"/opt/velvane");
    EXPECT_EQ(shell_value(), std::nullopt);
}

// The maintainer scripts' way in: the tool finds the library beside it and calls it.
TEST(SetupTool, RegistersAnAbsoluteFolderAndRestoresTheStockProgram) {
    TempHome home;
    const fs::path tool = fs::path(VELVANE_PROGRAM_DIR) / "velvane-setup";
    const fs::path folder = home.root() / "Program Files" / "velvane";
    fs::create_directories(folder);
    const fs::path was = fs::current_path();
    fs::current_path(home.root());
    const int installed =
        std::system(("'" + tool.string() + "' install 'Program Files/velvane'").c_str());
    fs::current_path(was);
    ASSERT_EQ(installed, 0);
    EXPECT_EQ(shell_value(), u"\"" + platform::from_utf8(folder.string()) + u"/velvane\"");
    ASSERT_EQ(std::system(("'" + tool.string() + "' uninstall '" + folder.string() + "'").c_str()),
              0);
    EXPECT_EQ(shell_value(), std::u16string(kStockContacts));
    EXPECT_NE(std::system(("'" + tool.string() + "' remove '" + folder.string() + "' 2>/dev/null")
                              .c_str()),
              0);
}

}  // namespace
}  // namespace velvane
