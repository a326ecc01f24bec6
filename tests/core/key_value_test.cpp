// The key=value text reader: line forms, encodings, line ends and damaged input.

#include "core/key_value.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/temp_home.h"

namespace velvane {
namespace {

using platform::WString;

KeyValues parse(std::string_view bytes) {
    KeyValues map;
    parse_key_values(bytes, map);
    return map;
}

// UTF-16LE bytes of ASCII text and extra code units, behind the byte-order mark.
std::string utf16(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

TEST(KeyValueLines, EqualsAndBlankFormsGiveTheSameEntry) {
    EXPECT_EQ(parse("Sort=By name")[u"Sort"], u"By name");
    EXPECT_EQ(parse("Sort By name")[u"Sort"], u"By name");
    EXPECT_EQ(parse("Sort \t  By name")[u"Sort"], u"By name");
}

TEST(KeyValueLines, BlankBeforeEqualsKeepsTheEquals) {
    EXPECT_EQ(parse("Sort =x")[u"Sort"], u"=x");
}

TEST(KeyValueLines, TextKeepsBlanksAfterEqualsAndAtTheEnd) {
    EXPECT_EQ(parse("  Key=  two  ")[u"Key"], u"  two  ");
    EXPECT_EQ(parse("Key=a=b")[u"Key"], u"a=b");
}

TEST(KeyValueLines, KeyWithoutTextIsEmpty) {
    const KeyValues map = parse("Alone\nEq=\n");
    ASSERT_EQ(map.size(), 2u);
    EXPECT_EQ(map.at(u"Alone"), u"");
    EXPECT_EQ(map.at(u"Eq"), u"");
}

TEST(KeyValueLines, LaterLineReplacesAndNoEscapesAreRead) {
    EXPECT_EQ(parse("K=one\r\nK=t\\nwo")[u"K"], u"t\\nwo");
}

TEST(KeyValueLines, KeylessAndBlankLinesAreSkipped) {
    const KeyValues map = parse("\n   \n\t\n=orphan\n  = x\nGood=1\n");
    ASSERT_EQ(map.size(), 1u);
    EXPECT_EQ(map.at(u"Good"), u"1");
}

TEST(KeyValueLines, EveryLineEndSeparates) {
    const KeyValues map = parse("A=1\rB=2\nC=3\r\nD=4\n\rE=5");
    ASSERT_EQ(map.size(), 5u);
    EXPECT_EQ(map.at(u"A"), u"1");
    EXPECT_EQ(map.at(u"C"), u"3");
    EXPECT_EQ(map.at(u"E"), u"5");
}

TEST(KeyValueLines, ExistingKeysAreReplacedOthersKept) {
    KeyValues map{{u"Old", u"kept"}, {u"K", u"before"}};
    parse_key_values("K=after", map);
    EXPECT_EQ(map.at(u"Old"), u"kept");
    EXPECT_EQ(map.at(u"K"), u"after");
}

TEST(KeyValueEncoding, Utf16WithMarkDecodesCyrillic) {
    const KeyValues map = parse(utf16(u"Cancel=\u041E\u0442\u043C\u0435\u043D\u0430\r\n"));
    EXPECT_EQ(map.at(u"Cancel"), u"\u041E\u0442\u043C\u0435\u043D\u0430");
}

TEST(KeyValueEncoding, OddLengthOrOneByteIsEightBit) {
    // Both start with FF FE or FF but cannot be UTF-16: every byte is a character.
    EXPECT_EQ(decode_key_value_text("\xFF"), WString(1, u'\u00FF'));
    EXPECT_EQ(decode_key_value_text("\xFF\xFE" "A"), (WString{u'\u00FF', u'\u00FE', u'A'}));
    EXPECT_EQ(decode_key_value_text(std::string_view("\xFE\xFF" "A\0", 4)).size(), 4u);
    EXPECT_EQ(decode_key_value_text(std::string_view("\xFF\xFE", 2)), u"");
}

TEST(KeyValueFile, MissingFileFailsAndLeavesTheMapAlone) {
    test_support::TempHome home;
    KeyValues map{{u"K", u"v"}};
    const WString missing = platform::from_utf8((home.root() / "none.lng").string());
    EXPECT_FALSE(read_key_values(missing, map));
    EXPECT_EQ(map.size(), 1u);
    const auto path = home.root() / "pad.txt";
    test_support::write_bytes(path, "Key=Value\n");
    EXPECT_TRUE(read_key_values(platform::from_utf8(path.string()), map));
    EXPECT_EQ(map.at(u"Key"), u"Value");
}

// Language files, the keypad map and the favourites all come through this reader: a file up
// to the cap is read, a larger one or a folder is refused and leaves the map alone.
TEST(KeyValueFile, ReadsUpToTheCapAndRefusesMore) {
    test_support::TempHome home;
    const auto file_of = [](size_t size) {
        std::string bytes = "Key=Value\n";
        bytes.resize(size, ' ');
        return bytes;
    };
    struct Case {
        const char* name;
        std::string bytes;  // empty: a folder of that name
        bool read;
    } cases[] = {
        {"small.lng", file_of(10), true},
        {"at_cap.lng", file_of(kMaxKeyValueFileBytes), true},
        {"over_cap.lng", file_of(kMaxKeyValueFileBytes + 1), false},
        {"folder.lng", {}, false},
    };
    for (const Case& c : cases) {
        const auto path = home.root() / c.name;
        if (c.bytes.empty()) {
            std::filesystem::create_directory(path);
        } else {
            test_support::write_bytes(path, c.bytes);
        }
        KeyValues map{{u"Old", u"kept"}};
        EXPECT_EQ(read_key_values(platform::from_utf8(path.string()), map), c.read) << c.name;
        EXPECT_EQ(map.size(), c.read ? 2u : 1u) << c.name;
        EXPECT_EQ(read_key_value_file(platform::from_utf8(path.string())).has_value(), c.read)
            << c.name;
    }
}

}  // namespace
}  // namespace velvane
