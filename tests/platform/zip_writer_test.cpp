#include "platform/zip_writer.h"

#include <gtest/gtest.h>
#include <unzip.h>

#include <string>
#include <vector>

#include "tests/support/temp_home.h"

namespace {

using platform::ZipWriter;

struct Entry {
    std::string name;
    std::string content;
    std::string comment;
    int method = -1;
};

// Everything the archive holds, read back with the standard reader; fails the test when the
// archive is unreadable.
std::vector<Entry> read_archive(const std::string& path, std::string* global_comment = nullptr) {
    std::vector<Entry> entries;
    unzFile zip = unzOpen(path.c_str());
    EXPECT_NE(zip, nullptr) << path;
    if (zip == nullptr)
        return entries;
    if (global_comment != nullptr) {
        char text[64] = {};
        unzGetGlobalComment(zip, text, sizeof text);
        *global_comment = text;
    }
    for (int r = unzGoToFirstFile(zip); r == UNZ_OK; r = unzGoToNextFile(zip)) {
        unz_file_info info{};
        char name[256] = {};
        char comment[64] = {};
        unzGetCurrentFileInfo(zip, &info, name, sizeof name, nullptr, 0, comment, sizeof comment);
        Entry entry{name, std::string(info.uncompressed_size, '\0'), comment,
                    static_cast<int>(info.compression_method)};
        EXPECT_EQ(unzOpenCurrentFile(zip), UNZ_OK);
        EXPECT_EQ(unzReadCurrentFile(zip, entry.content.data(),
                                     static_cast<unsigned>(entry.content.size())),
                  static_cast<int>(entry.content.size()));
        EXPECT_EQ(unzCloseCurrentFile(zip), UNZ_OK) << "CRC mismatch in " << name;
        entries.push_back(std::move(entry));
    }
    unzClose(zip);
    return entries;
}

std::vector<std::string> names_of(const std::vector<Entry>& entries) {
    std::vector<std::string> names;
    for (const Entry& e : entries)
        names.push_back(e.name);
    return names;
}

class ZipWriterTest : public ::testing::Test {
protected:
    std::string archive() const { return (m_home.root() / "tmp" / "frames.zip").string(); }
    test_support::TempHome m_home;
};

TEST_F(ZipWriterTest, EntriesReadBackDeflatedWithTheirCommentsAndContent) {
    const std::string big(20000, 'x');  // compressible, so deflate shows in the sizes
    {
        ZipWriter zip;
        ASSERT_TRUE(zip.open(u"\\Temp\\frames.zip"));
        ASSERT_TRUE(zip.begin_entry("one.txt"));
        EXPECT_TRUE(zip.write("hello ", 6));
        EXPECT_TRUE(zip.write("world", 5));
        ASSERT_TRUE(zip.begin_entry("two.txt"));
        EXPECT_TRUE(zip.write(big.data(), big.size()));
    }
    std::string comment;
    const auto entries = read_archive(archive(), &comment);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "one.txt");
    EXPECT_EQ(entries[0].content, "hello world");
    EXPECT_EQ(entries[1].content, big);
    for (const Entry& e : entries) {
        EXPECT_EQ(e.method, Z_DEFLATED);
        EXPECT_EQ(e.comment, "no comment");
    }
    EXPECT_EQ(comment, "no comment");
    EXPECT_LT(std::filesystem::file_size(archive()), 2000u);
}

TEST_F(ZipWriterTest, MissingParentFoldersAreAddedOnce) {
    {
        ZipWriter zip;
        ASSERT_TRUE(zip.open(u"\\Temp\\frames.zip"));
        ASSERT_TRUE(zip.begin_entry("a/b/one.bmp"));
        ASSERT_TRUE(zip.begin_entry("a/b/two.bmp"));
        ASSERT_TRUE(zip.begin_entry("a/three.bmp"));
        ASSERT_TRUE(zip.begin_entry("top.bmp"));
    }
    EXPECT_EQ(names_of(read_archive(archive())),
              (std::vector<std::string>{"a/", "a/b/", "a/b/one.bmp", "a/b/two.bmp", "a/three.bmp",
                                        "top.bmp"}));
}

TEST_F(ZipWriterTest, OpeningReplacesAnExistingArchive) {
    for (const char* name : {"first.txt", "second.txt"}) {
        ZipWriter zip;
        ASSERT_TRUE(zip.open(u"\\Temp\\frames.zip"));
        ASSERT_TRUE(zip.begin_entry(name));
    }
    EXPECT_EQ(names_of(read_archive(archive())), std::vector<std::string>{"second.txt"});
}

TEST_F(ZipWriterTest, NothingIsWrittenWithoutAnArchiveOrEntry) {
    ZipWriter zip;
    EXPECT_FALSE(zip.begin_entry("a.txt"));
    EXPECT_FALSE(zip.write("x", 1));
    EXPECT_FALSE(zip.open(u"\\Temp\\no such folder\\frames.zip"));
    EXPECT_FALSE(zip.is_open());

    ASSERT_TRUE(zip.open(u"\\Temp\\frames.zip"));
    EXPECT_FALSE(zip.write("x", 1));  // no entry begun yet
    zip.close();
    EXPECT_FALSE(zip.is_open());
    // An archive without entries is still finished: it ends with its directory and comment.
    const std::string bytes = test_support::read_bytes(archive());
    EXPECT_TRUE(bytes.starts_with("PK\x05\x06")) << bytes.size();
    EXPECT_TRUE(bytes.ends_with("no comment"));
}

}  // namespace
