#include "core/paths.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/support/temp_home.h"

namespace velvane {
namespace {

using test_support::TempHome;
namespace fs = std::filesystem;

WString backslashed(const fs::path& p) {
    WString out = platform::from_utf8(p.string());
    for (char16_t& c : out) {
        if (c == u'/') c = u'\\';
    }
    return out;
}

TEST(ProgramPaths, ComeFromTheRunningProgramInBackslashForm) {
    const fs::path exe = fs::read_symlink("/proc/self/exe");
    EXPECT_EQ(get_app_path(), backslashed(exe));
    EXPECT_EQ(app_folder(), backslashed(exe.parent_path()) + u"\\");
    EXPECT_EQ(app_name(), u"core_tests");
}

TEST(ExpandPath, AppPathWithForwardSlashesGivesBackslashesOnly) {
    const WString expanded = expand_path(u"%app_path%/skins/bin/default.skin");
    EXPECT_EQ(expanded, app_folder() + u"skins\\bin\\default.skin");
    EXPECT_EQ(expanded.find(u'/'), WString::npos);
    EXPECT_EQ(expanded.find(u"\\\\"), WString::npos);
    EXPECT_EQ(expand_path(u"%app_path%"), app_folder());
    EXPECT_EQ(expand_path(u"%app_path%english.lng"), app_folder() + u"english.lng");
    EXPECT_EQ(expand_path(u"%app_full_name%"), get_app_path());
    EXPECT_EQ(expand_path(u"%app_name%.txt"), u"core_tests.txt");
}

TEST(ExpandPath, SpecialFolderMacrosFollowTheEnvironment) {
    TempHome t;
    TempHome::set("XDG_DATA_HOME", t.root() / "data");
    TempHome::set("XDG_CONFIG_HOME", t.root() / "conf");
    TempHome::set("XDG_DOCUMENTS_DIR", t.root() / "docs");
    const fs::path r = t.root();
    const struct {
        const char16_t* macro;
        fs::path folder;
    } cases[] = {
        {u"%my_documents%", r / "docs"},
        {u"%windows%", r / "data/velvane/windows"},
        {u"%startup%", r / "conf/autostart"},
        {u"%favorites%", r / "data/velvane/favorites"},
        {u"%programs%", r / "data/applications"},
        {u"%start_menu%", r / "data/applications"},
        {u"%appdata%", r / "data/velvane"},
        {u"%program_files%", fs::read_symlink("/proc/self/exe").parent_path().parent_path()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(expand_path(WString(c.macro) + u"/a/b.txt"), backslashed(c.folder) + u"\\a\\b.txt")
            << platform::to_utf8(c.macro);
    }
}

TEST(ExpandPath, OnlyALeadingMacroIsExpanded) {
    EXPECT_EQ(expand_path(u"x/%app_path%/y"), u"x\\%app_path%\\y");
    EXPECT_EQ(expand_path(u" %app_name%"), u" %app_name%");
    EXPECT_EQ(expand_path(u"%app_name%%app_name%/a"), u"core_tests%app_name%\\a");
    EXPECT_EQ(expand_path(u"%APP_NAME%/a"), u"%APP_NAME%\\a");
    EXPECT_EQ(expand_path(u"%unknown%/a\\b"), u"%unknown%\\a\\b");
    EXPECT_EQ(expand_path(u""), u"");
}

TEST(PathParts, SplitAtTheLastSeparatorOfEitherKind) {
    EXPECT_EQ(folder_of(u"\\a/b\\c.lng"), u"\\a/b\\");
    EXPECT_EQ(folder_of(u"\\a\\b/c.lng"), u"\\a\\b/");
    EXPECT_EQ(folder_of(u"c.lng"), u"");
    EXPECT_EQ(file_name_of(u"\\a/b\\c.lng"), u"c.lng");
    EXPECT_EQ(file_name_of(u"c.lng"), u"c.lng");
    EXPECT_EQ(file_name_of(u"\\a\\"), u"");
    EXPECT_EQ(title_of(u"\\skins\\bin\\splash.480.skin"), u"splash.480");
    EXPECT_EQ(title_of(u"\\a.b\\README"), u"README");
    EXPECT_EQ(title_of(u"english"), u"english");
}

TEST(ProgramPathDeathTest, LongerThan1023CharactersIsFatal) {
    TempHome t;
    const WString longest = u"/" + WString(1022, u'a');
    EXPECT_EQ(program_path_from(longest), u"\\" + WString(1022, u'a'));
    EXPECT_EXIT(program_path_from(longest + u"a"), ::testing::ExitedWithCode(1),
                "Gluck: path is more then MAX_PATH long @ get_app_path\\(\\)");
}

}  // namespace
}  // namespace velvane
