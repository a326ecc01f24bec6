#include "platform/registry_store.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/temp_home.h"

namespace platform {
namespace {

using test_support::read_bytes;
using test_support::TempHome;
using test_support::write_bytes;
namespace fs = std::filesystem;

constexpr WStringView kQuorr = u"HKEY_CURRENT_USER\\Software\\Quorr";
constexpr WStringView kVelvane = u"HKEY_CURRENT_USER\\Software\\Quorr\\Velvane";

std::optional<RegistryValue> fresh_get(const fs::path& file, WStringView key, WStringView name) {
    RegistryStore store(file.string());
    return store.get(key, name);
}

TEST(RegistryStore, WritesReadableExportTextThatReadsBack) {
    TempHome t;
    const fs::path file = t.root() / "conf/registry.reg";
    RegistryStore store(file.string());
    ASSERT_TRUE(store.set(kQuorr, u"Log", RegistryValue::of_dword(10)));
    ASSERT_TRUE(store.set(kVelvane, u"Skin", RegistryValue::of_string(u"C:\\a \"b\"")));
    ASSERT_TRUE(store.set(kVelvane, u"", RegistryValue::of_string(u"default")));
    EXPECT_EQ(read_bytes(file),
              "Windows Registry Editor Version 5.00\n"
              "\n[HKEY_CURRENT_USER\\Software\\Quorr]\n"
              "\"Log\"=dword:0000000a\n"
              "\n[HKEY_CURRENT_USER\\Software\\Quorr\\Velvane]\n"
              "\"Skin\"=\"C:\\\\a \\\"b\\\"\"\n"
              "@=\"default\"\n");

    const WString awkward = u"line\nbreak\r\\n \u00e9\u65e5 \U0001F600";
    ASSERT_TRUE(store.set(u"HKEY_LOCAL_MACHINE\\Software\\Apps\\X", u"a \"q\"",
                          RegistryValue::of_string(awkward)));
    ASSERT_TRUE(store.set(kQuorr, u"Max", RegistryValue::of_dword(0xFFFFFFFFu)));
    EXPECT_EQ(fresh_get(file, u"HKEY_LOCAL_MACHINE\\Software\\Apps\\X", u"a \"q\""),
              RegistryValue::of_string(awkward));
    EXPECT_EQ(fresh_get(file, kQuorr, u"Max"), RegistryValue::of_dword(0xFFFFFFFFu));
    EXPECT_EQ(fresh_get(file, kVelvane, u""), RegistryValue::of_string(u"default"));
    EXPECT_FALSE(fresh_get(file, kVelvane, u"Language"));
    EXPECT_FALSE(fresh_get(file, u"HKEY_CURRENT_USER\\Software", u"Log"));
}

TEST(RegistryStore, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
    TempHome t;
    const fs::path file = t.root() / "registry.reg";
    RegistryStore store(file.string());
    ASSERT_TRUE(store.set(kQuorr, u"Log", RegistryValue::of_dword(1)));
    ASSERT_TRUE(store.set(u"hkey_current_user\\\\SOFTWARE\\quorr\\", u"LOG",
                          RegistryValue::of_dword(2)));
    EXPECT_EQ(store.get(u"HKEY_CURRENT_USER\\software\\QUORR", u"log"),
              RegistryValue::of_dword(2));
    const std::string text = read_bytes(file);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Quorr]\n\"Log\"=dword:00000002\n"),
              std::string::npos);
    EXPECT_EQ(text.find("LOG"), std::string::npos);
    EXPECT_EQ(text.find("quorr"), std::string::npos);
}

TEST(RegistryStore, RemovesValues) {
    TempHome t;
    const fs::path file = t.root() / "registry.reg";
    RegistryStore store(file.string());
    ASSERT_TRUE(store.set(kQuorr, u"Log", RegistryValue::of_dword(1)));
    ASSERT_TRUE(store.set(kQuorr, u"SIPPreference", RegistryValue::of_dword(1)));
    EXPECT_TRUE(store.remove(kQuorr, u"LOG"));
    EXPECT_FALSE(store.remove(kQuorr, u"Log"));
    EXPECT_FALSE(store.remove(kVelvane, u"Log"));
    EXPECT_FALSE(fresh_get(file, kQuorr, u"Log"));
    EXPECT_EQ(fresh_get(file, kQuorr, u"SIPPreference"), RegistryValue::of_dword(1));
}

TEST(RegistryStore, MalformedLinesAreAbsentAndTheRestSurvivesAWrite) {
    TempHome t;
    const fs::path file = t.root() / "registry.reg";
    write_bytes(file,
                "\xEF\xBB\xBFnot the header\r\n"
                "\"Orphan\"=dword:00000001\r\n"
                "[HKEY_CURRENT_USER\\Software\\Quorr]\r\n"
                "  \"Log\"=dword:00000001  \r\n"
                "\"TooLong\"=dword:123456789\r\n"
                "\"NoDigits\"=dword:\r\n"
                "\"Binary\"=hex:01,02\r\n"
                "\"Open\"=\"unterminated\r\n"
                "\"Trailing\"=\"x\" junk\r\n"
                "\"NoEquals\" \"x\"\r\n"
                "; a comment\r\n"
                "\x01\xFF\xFE garbage \x80\r\n"
                "[HKEY_CURRENT_USER\\Software\\Broken\r\n"
                "\"UnderBroken\"=dword:00000001\r\n"
                "[-HKEY_CURRENT_USER\\Software\\Gone]\r\n"
                "\"UnderDelete\"=dword:00000001\r\n"
                "[HKEY_CURRENT_USER\\Software\\Quorr\\Velvane]\r\n"
                "\"Language\"=\"english\"\r\n"
                "\"Language\"=\"german\"\r\n"
                "\"Sorting\"=DWORD:2");
    RegistryStore store(file.string());
    EXPECT_EQ(store.get(kQuorr, u"Log"), RegistryValue::of_dword(1));
    for (const char16_t* bad : {u"Orphan", u"TooLong", u"NoDigits", u"Binary", u"Open",
                                u"Trailing", u"NoEquals", u"UnderBroken", u"UnderDelete"}) {
        EXPECT_FALSE(store.get(kQuorr, bad)) << to_utf8(bad);
    }
    EXPECT_FALSE(store.get(u"HKEY_CURRENT_USER\\Software\\Broken", u"UnderBroken"));
    EXPECT_EQ(store.get(kVelvane, u"Language"), RegistryValue::of_string(u"german"));
    EXPECT_EQ(store.get(kVelvane, u"Sorting"), RegistryValue::of_dword(2));

    ASSERT_TRUE(store.set(kVelvane, u"Dialer", RegistryValue::of_dword(0)));
    const RegistryDocument doc = RegistryDocument::parse(read_bytes(file));
    ASSERT_EQ(doc.keys().size(), 2u);
    EXPECT_EQ(doc.keys()[0].values.size(), 1u);
    EXPECT_EQ(doc.keys()[1].values.size(), 3u);
    EXPECT_EQ(fresh_get(file, kQuorr, u"Log"), RegistryValue::of_dword(1));
    EXPECT_EQ(fresh_get(file, kVelvane, u"Language"), RegistryValue::of_string(u"german"));
    EXPECT_EQ(fresh_get(file, kVelvane, u"Dialer"), RegistryValue::of_dword(0));
}

// A key whose path only begins with "-" once its empty first component is dropped would be
// written back as "[-...]", a deletion; such a key is refused both ways.
TEST(RegistryStore, KeysThatWouldWriteAsDeletionsAreRefused) {
    const auto doc = RegistryDocument::parse(
        "Windows Registry Editor Version 5.00\r\n[\\-Odd]\r\n\"A\"=dword:00000001\r\n");
    EXPECT_TRUE(doc.keys().empty());
    EXPECT_EQ(RegistryDocument::parse(doc.serialize()).serialize(), doc.serialize());

    TempHome t;
    RegistryStore store((t.root() / "registry.reg").string());
    EXPECT_FALSE(store.set(u"\\-Odd", u"A", RegistryValue::of_dword(1)));
    EXPECT_TRUE(store.set(u"Odd\\-Fine", u"A", RegistryValue::of_dword(1)));
}

TEST(RegistryStore, ReadsUtf16Exports) {
    TempHome t;
    const fs::path file = t.root() / "registry.reg";
    const std::u16string text =
        u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quorr\\Velvane]"
        u"\r\n\"Skin\"=\"r\u00f6d\"\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    write_bytes(file, bytes);
    EXPECT_EQ(fresh_get(file, kVelvane, u"Skin"), RegistryValue::of_string(u"r\u00f6d"));
}

TEST(RegistryStore, NoticesChangesMadeFromOutside) {
    TempHome t;
    const fs::path file = t.root() / "registry.reg";
    RegistryStore store(file.string());
    EXPECT_FALSE(store.get(kQuorr, u"Log"));
    // Edited in place (same inode), as an editor saving over the file would.
    write_bytes(file, "[HKEY_CURRENT_USER\\Software\\Quorr]\n\"Log\"=dword:1\n");
    EXPECT_EQ(store.get(kQuorr, u"Log"), RegistryValue::of_dword(1));
    write_bytes(file, "[HKEY_CURRENT_USER\\Software\\Quorr]\n\"Log\"=dword:00000000\n");
    EXPECT_EQ(store.get(kQuorr, u"Log"), RegistryValue::of_dword(0));
    // Replaced by another file of the same size.
    write_bytes(t.root() / "other", "[HKEY_CURRENT_USER\\Software\\Quorr]\n\"Log\"=dword:00000007\n");
    fs::rename(t.root() / "other", file);
    EXPECT_EQ(store.get(kQuorr, u"Log"), RegistryValue::of_dword(7));
    // A write starts from what is on disk now, not from the cache.
    write_bytes(file, "[HKEY_CURRENT_USER\\Software\\Quorr]\n\"Outside\"=dword:5\n");
    ASSERT_TRUE(store.set(kQuorr, u"Inside", RegistryValue::of_dword(6)));
    EXPECT_EQ(fresh_get(file, kQuorr, u"Outside"), RegistryValue::of_dword(5));
    fs::remove(file);
    EXPECT_FALSE(store.get(kQuorr, u"Inside"));
}

TEST(RegistryStore, AnUnreadableFileIsNeitherReadNorOverwritten) {
    TempHome t;
    const fs::path file = t.root() / "registry.reg";
    fs::create_directories(file / "inside");  // a folder where the file should be
    RegistryStore store(file.string());
    EXPECT_FALSE(store.get(kQuorr, u"Log"));
    EXPECT_FALSE(store.set(kQuorr, u"Log", RegistryValue::of_dword(1)));
    EXPECT_TRUE(fs::is_directory(file / "inside"));
    // A key that cannot be written as a section header is refused, not half written.
    RegistryStore other((t.root() / "other.reg").string());
    EXPECT_FALSE(other.set(u"\\\\", u"x", RegistryValue::of_dword(1)));
    EXPECT_FALSE(other.set(u"HKEY_USERS\\a\nb", u"x", RegistryValue::of_dword(1)));
    EXPECT_FALSE(fs::exists(t.root() / "other.reg"));
}

TEST(RegistryStore, TheUserStoreFollowsXdgConfigHome) {
    TempHome t;
    ASSERT_TRUE(RegistryStore::user().set(kQuorr, u"Log", RegistryValue::of_dword(3)));
    EXPECT_TRUE(fs::exists(t.home() / ".config/velvane/registry.reg"));
    TempHome::set("XDG_CONFIG_HOME", t.root() / "conf");
    EXPECT_FALSE(RegistryStore::user().get(kQuorr, u"Log"));
    ASSERT_TRUE(RegistryStore::user().set(kQuorr, u"Log", RegistryValue::of_dword(4)));
    EXPECT_EQ(fresh_get(t.root() / "conf/velvane/registry.reg", kQuorr, u"Log"),
              RegistryValue::of_dword(4));
}

TEST(RegistryStore, WritersInTwoProcessesKeepEachOthersValues) {
    TempHome t;
    const fs::path file = t.root() / "registry.reg";
    constexpr int kWrites = 40;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            RegistryStore store(file.string());
            bool ok = true;
            for (int i = 0; i < kWrites; ++i) {
                const WString name = u"p" + to_wstring(c) + u"_" + to_wstring(i);
                ok = store.set(kVelvane, name, RegistryValue::of_dword(i)) && ok;
                ok = store.set(kQuorr, u"Shared", RegistryValue::of_dword(c)) && ok;
            }
            ::_exit(ok ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const std::string text = read_bytes(file);
    ASSERT_TRUE(text.starts_with("Windows Registry Editor Version 5.00\n"));
    const RegistryDocument doc = RegistryDocument::parse(text);
    ASSERT_EQ(doc.keys().size(), 2u);
    for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < kWrites; ++i) {
            const WString name = u"p" + to_wstring(c) + u"_" + to_wstring(i);
            const RegistryValue* v = doc.find(kVelvane, name);
            ASSERT_NE(v, nullptr) << to_utf8(name);
            EXPECT_EQ(*v, RegistryValue::of_dword(static_cast<std::uint32_t>(i)));
        }
    }
    EXPECT_NE(doc.find(kQuorr, u"Shared"), nullptr);
}

}  // namespace
}  // namespace platform
