#include "platform/files.h"

#include <gtest/gtest.h>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/temp_home.h"

namespace platform {
namespace {

using test_support::read_bytes;
using test_support::TempHome;
using test_support::write_bytes;
namespace fs = std::filesystem;

WString w(const fs::path& p) { return from_utf8(p.string()); }

TEST(SpecialFolders, DefaultToXdgLocationsBelowHome) {
    TempHome t;
    const fs::path h = t.home();
    EXPECT_EQ(special_folder(kFolderPersonal), w(h / "Documents"));
    EXPECT_EQ(special_folder(kFolderAppData), w(h / ".local/share/velvane"));
    EXPECT_EQ(special_folder(kFolderPrograms), w(h / ".local/share/applications"));
    EXPECT_EQ(special_folder(kFolderStartMenu), w(h / ".local/share/applications"));
    EXPECT_EQ(special_folder(kFolderStartup), w(h / ".config/autostart"));
    EXPECT_EQ(special_folder(kFolderFavorites), w(h / ".local/share/velvane/favorites"));
    EXPECT_EQ(special_folder(kFolderWindows), w(h / ".local/share/velvane/windows"));
    EXPECT_EQ(special_folder(3), u"");
    EXPECT_EQ(config_folder(), w(h / ".config/velvane"));
    EXPECT_EQ(user_data_folder(), w(h / ".local/share/velvane"));
    EXPECT_EQ(temp_folder(), w(t.root() / "tmp"));
}

TEST(SpecialFolders, FollowTheEnvironmentAtEachCall) {
    TempHome t;
    TempHome::set("XDG_DATA_HOME", t.root() / "data");
    TempHome::set("XDG_CONFIG_HOME", t.root() / "conf/");
    TempHome::set("XDG_DOCUMENTS_DIR", t.root() / "Docs");
    EXPECT_EQ(special_folder(kFolderAppData), w(t.root() / "data/velvane"));
    EXPECT_EQ(special_folder(kFolderStartup), w(t.root() / "conf/autostart"));
    EXPECT_EQ(special_folder(kFolderPersonal), w(t.root() / "Docs"));
    EXPECT_EQ(documents_folder(), w(t.root() / "Docs"));
    EXPECT_EQ(config_folder(), w(t.root() / "conf/velvane"));
    // XDG ignores relative values; so do we.
    ::setenv("XDG_DATA_HOME", "relative/data", 1);
    EXPECT_EQ(special_folder(kFolderAppData), w(t.home() / ".local/share/velvane"));
    ::unsetenv("TMPDIR");
    EXPECT_EQ(temp_folder(), u"/tmp");
}

TEST(SpecialFolders, ProgramFilesHoldsTheProgramFolder) {
    const fs::path exe = fs::read_symlink("/proc/self/exe");
    EXPECT_EQ(module_file_name(), w(exe));
    EXPECT_EQ(special_folder(kFolderProgramFiles), w(exe.parent_path().parent_path()));
}

TEST(RuntimeFolder, IsCreatedPrivateBelowXdgRuntimeDir) {
    TempHome t;
    const fs::path expected = t.root() / "run/velvane";
    ASSERT_EQ(runtime_folder(), w(expected));
    struct stat st {};
    ASSERT_EQ(::stat(expected.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // A folder left too open is tightened.
    ::chmod(expected.c_str(), 0755);
    ASSERT_EQ(runtime_folder(), w(expected));
    ASSERT_EQ(::stat(expected.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(RuntimeFolder, RefusesASymbolicLinkInItsPlace) {
    TempHome t;
    fs::create_directories(t.root() / "elsewhere");
    fs::create_directory_symlink(t.root() / "elsewhere", t.root() / "run/velvane");
    EXPECT_EQ(runtime_folder(), u"");
}

TEST(RuntimeFolder, FallsBackToAPrivateTmpFolder) {
    TempHome t;
    ::unsetenv("XDG_RUNTIME_DIR");
    const WString folder = runtime_folder();
    ASSERT_EQ(folder, u"/tmp/velvane-" + to_wstring(::getuid()));
    struct stat st {};
    ASSERT_EQ(::lstat(to_utf8(folder).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, ::getuid());
}

TEST(NativePath, MapsTheHandheldFoldersWithoutRegardToCase) {
    TempHome t;
    const std::string docs = (t.home() / "Documents").string();
    const std::string tmp = (t.root() / "tmp").string();
    EXPECT_EQ(native_path(u"\\My Documents\\velvane.txt"), docs + "/velvane.txt");
    EXPECT_EQ(native_path(u"/my documents/velvane.txt"), docs + "/velvane.txt");
    EXPECT_EQ(native_path(u"\\My Documents"), docs);
    EXPECT_EQ(native_path(u"\\TEMP\\record/frames.zip"), tmp + "/record/frames.zip");
    // Only a whole first component counts.
    EXPECT_EQ(native_path(u"\\My Documentsx\\a"), "/My Documentsx/a");
    EXPECT_EQ(native_path(u"\\var\\Temp\\a"), "/var/Temp/a");
    ::unsetenv("TMPDIR");
    EXPECT_EQ(native_path(u"\\Temp\\a.zip"), "/tmp/a.zip");
}

TEST(NativePath, FindsNamesWithoutRegardToCase) {
    TempHome t;
    const fs::path app = t.root() / "app";
    write_bytes(app / "english.lng", "x");
    write_bytes(app / "Skins/Bin/Default.skin", "x");
    const WString base = w(app);
    EXPECT_EQ(native_path(base + u"\\ENGLISH.lng"), (app / "english.lng").string());
    EXPECT_EQ(native_path(base + u"\\skins\\BIN/default.SKIN"),
              (app / "Skins/Bin/Default.skin").string());
    // The matched part is kept, the missing rest as written: a file about to be created.
    EXPECT_EQ(native_path(base + u"\\SKINS\\new\\File.txt"), (app / "Skins/new/File.txt").string());
    EXPECT_EQ(native_path(base + u"\\skins\\"), (app / "Skins").string() + "/");
    EXPECT_TRUE(file_exists(base + u"\\skins\\bin\\DEFAULT.skin"));
    EXPECT_FALSE(file_exists(base + u"\\skins\\bin"));
    EXPECT_TRUE(folder_exists(base + u"\\SKINS\\bin"));
    EXPECT_FALSE(file_exists(base + u"\\french.lng"));
}

TEST(NativePath, PrefersTheExactNameAmongCaseVariants) {
    TempHome t;
    const fs::path dir = t.root() / "d";
    write_bytes(dir / "a.txt", "lower");
    write_bytes(dir / "A.txt", "upper");
    EXPECT_EQ(read_file(w(dir / "a.txt")), "lower");
    EXPECT_EQ(read_file(w(dir / "A.txt")), "upper");
    // No exact match: the choice does not depend on directory order.
    EXPECT_EQ(native_path(w(dir / "a.TXT")), (dir / "A.txt").string());
}

TEST(FindFiles, MatchesTheLastComponentWithoutRegardToCase) {
    TempHome t;
    const fs::path bin = t.root() / "app/skins/bin";
    for (const char* name : {"splash.skin", "B.SKIN", "a.skin", "notes.txt", "README"}) {
        write_bytes(bin / name, "x");
    }
    fs::create_directories(bin / "old.skin");
    const WString pattern = w(t.root()) + u"\\APP\\skins\\bin\\*.skin";
    const std::vector<FoundFile> found = find_files(pattern);
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[0].name, u"a.skin");
    EXPECT_EQ(found[1].name, u"B.SKIN");
    EXPECT_EQ(found[2].name, u"old.skin");
    EXPECT_EQ(found[3].name, u"splash.skin");
    EXPECT_TRUE(found[2].is_folder);
    EXPECT_FALSE(found[0].is_folder);
    // The path keeps the pattern's folder as written.
    EXPECT_EQ(found[1].path, w(t.root()) + u"\\APP\\skins\\bin\\B.SKIN");

    EXPECT_EQ(find_files(w(bin) + u"/?.skin").size(), 2u);
    EXPECT_EQ(find_files(w(bin) + u"/*.*").size(), 6u);
    EXPECT_EQ(find_files(w(bin) + u"/").size(), 0u);
    EXPECT_EQ(find_files(w(t.root()) + u"/missing/*.skin").size(), 0u);
}

TEST(FindFiles, WildcardsBacktrack) {
    EXPECT_TRUE(matches_pattern(u"english.lng", u"*.LNG"));
    EXPECT_TRUE(matches_pattern(u"abcbd", u"a*b?"));
    EXPECT_TRUE(matches_pattern(u"aXbYb", u"*b"));
    EXPECT_TRUE(matches_pattern(u"", u"*"));
    EXPECT_TRUE(matches_pattern(u"README", u"*.*"));
    EXPECT_FALSE(matches_pattern(u"english.lng.bak", u"*.lng"));
    EXPECT_FALSE(matches_pattern(u"ab", u"a?b"));
    EXPECT_FALSE(matches_pattern(u"abc", u"a*d*"));
}

TEST(FileIo, WriteReplacesWholeAndLeavesNoTemporary) {
    TempHome t;
    const fs::path dir = t.root() / "data";
    ASSERT_TRUE(create_folders(w(dir) + u"\\one\\two"));
    EXPECT_TRUE(folder_exists(w(dir / "one/two")));
    const WString file = w(dir) + u"\\ONE\\two\\favorits.dat";
    ASSERT_TRUE(write_file(file, std::string("first\0version", 13)));
    EXPECT_EQ(read_file(file), std::string("first\0version", 13));
    ASSERT_TRUE(write_file(w(dir / "one/two/FAVORITS.DAT"), "2"));
    EXPECT_EQ(read_bytes(dir / "one/two/favorits.dat"), "2");
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir / "one/two")) {
        ++entries;
    }
    EXPECT_EQ(entries, 1u);

    EXPECT_FALSE(write_file(w(dir / "missing/x.dat"), "x"));
    EXPECT_FALSE(read_file(w(dir / "missing/x.dat")));
    EXPECT_FALSE(read_file(w(dir / "one")));  // a folder is not a file
    write_bytes(dir / "plain", "x");
    EXPECT_FALSE(create_folders(w(dir / "plain/sub")));
}

// A write that fails half way (the disk refuses more bytes) or cannot take the target's place
// leaves the old file whole, no temporary beside it, and says why.
TEST(FileIo, FailedReplaceKeepsTheOldFile) {
    TempHome t;
    const fs::path file = t.root() / "book.vcf";
    write_bytes(file, "old book");
    rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    const bool written = replace_file(file.string(), std::string(4096, 'x'), error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_FALSE(written);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(read_bytes(file), "old book");

    fs::create_directory(t.root() / "taken");
    write_bytes(t.root() / "taken/inside", "x");
    error.clear();
    EXPECT_FALSE(replace_file((t.root() / "taken").string(), "new", error));
    EXPECT_FALSE(error.empty());
    for (const auto& e : fs::directory_iterator(t.root())) {
        EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
    }
}

// Capped reads: up to the cap the whole file, above it nothing and the reason.
TEST(FileIo, LimitedReadRefusesLargerFiles) {
    TempHome t;
    write_bytes(t.root() / "ten", "0123456789");
    fs::create_directory(t.root() / "folder");
    struct Case {
        const char* name;
        size_t cap;
        FileRead status;
    } cases[] = {{"ten", 10, FileRead::ok},
                 {"ten", 9, FileRead::too_large},
                 {"none", 10, FileRead::missing},
                 {"folder", 10, FileRead::failed}};
    for (const Case& c : cases) {
        const LimitedRead read = read_file_limited(w(t.root() / c.name), c.cap);
        EXPECT_EQ(read.status, c.status) << c.name << " " << c.cap;
        EXPECT_EQ(read.bytes, c.status == FileRead::ok ? "0123456789" : "") << c.name;
    }
}

}  // namespace
}  // namespace platform
