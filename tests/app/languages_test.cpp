// Language files: loading into the dictionary, the start-up fallback chain, the system
// language from the locale and the language menu.

#include "app/languages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "core/key_value.h"
#include "core/paths.h"
#include "core/registry.h"
#include "tests/support/temp_home.h"

namespace velvane {
namespace {

using test_support::TempHome;
using test_support::write_bytes;
using zentra::MenuItem;
using zentra::Properties;

constexpr WStringView kApp = u"VelvaneTest";

// A program folder with language files, and a clean locale.
class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
            const char* value = std::getenv(name);
            m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
            ::unsetenv(name);
        }
        m_folder = platform::from_utf8((m_home.root() / "prog").string());
    }
    void TearDown() override {
        for (const auto& [name, value] : m_saved) {
            value ? (void)::setenv(name, value->c_str(), 1) : (void)::unsetenv(name);
        }
    }
    void add(const char* file, std::string_view bytes) {
        write_bytes(m_home.root() / "prog" / file, bytes);
    }
    WString path(WStringView title) const { return m_folder + u"/" + WString(title) + u".lng"; }
    WString registry_language() const {
        WString value;
        read_string(settings_key(kApp), u"Language", value);
        return value;
    }

    TempHome m_home;
    WString m_folder;
    Properties m_properties;

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> m_saved;
};

TEST_F(LanguageTest, LoadReplacesTheWholeDictionaryAndFailureKeepsIt) {
    add("english.lng", "Cancel=Cancel\nSort=Sort\n");
    add("german.lng", "Cancel=Abbrechen\n");
    ASSERT_TRUE(load_language(m_properties, path(u"english")));
    ASSERT_TRUE(load_language(m_properties, path(u"german")));
    EXPECT_EQ(text(m_properties, u"Cancel"), u"Abbrechen");
    EXPECT_EQ(text(m_properties, u"Sort"), u"Sort");  // a missing key shows as itself
    EXPECT_EQ(m_properties.dictionary().size(), 1u);

    EXPECT_FALSE(load_language(m_properties, path(u"missing")));
    EXPECT_EQ(loaded_language_path(), expand_path(path(u"german")));
    EXPECT_EQ(text(m_properties, u"Cancel"), u"Abbrechen");
}

TEST(SystemLanguage, LocaleNamesMapToTheTable) {
    EXPECT_EQ(primary_language_of_locale("ru_RU.UTF-8"), 25);
    EXPECT_EQ(primary_language_of_locale("de"), 7);
    EXPECT_EQ(primary_language_of_locale("nb_NO"), 20);
    EXPECT_EQ(primary_language_of_locale("en_GB@euro"), 9);
    EXPECT_EQ(primary_language_of_locale("C"), 0);
    EXPECT_EQ(primary_language_of_locale("POSIX"), 0);
    EXPECT_EQ(primary_language_of_locale(""), 0);
    EXPECT_EQ(language_name(25), u"RUSSIAN");
    EXPECT_EQ(language_name(97), u"NEPALI");
    EXPECT_EQ(language_name(23), u"");  // a gap in the table
    EXPECT_EQ(language_name(0), u"");
    EXPECT_EQ(language_name(99), u"");
}

TEST_F(LanguageTest, SystemLanguageFollowsTheFirstSetVariable) {
    EXPECT_EQ(system_language(), u"");
    ::setenv("LANG", "fr_FR.UTF-8", 1);
    EXPECT_EQ(system_language(), u"FRENCH");
    ::setenv("LC_ALL", "uk_UA.UTF-8", 1);
    EXPECT_EQ(system_language(), u"UKRAINIAN");
}

TEST_F(LanguageTest, StartUpPrefersTheRegistryChoice) {
    add("english.lng", "K=en");
    add("russian.lng", "K=ru");
    add("german.lng", "K=de");
    ::setenv("LANG", "de_DE.UTF-8", 1);
    ASSERT_TRUE(write_string(settings_key(kApp), u"Language", u"russian"));
    ASSERT_TRUE(choose_language(m_properties, kApp, m_folder));
    EXPECT_EQ(text(m_properties, u"K"), u"ru");
}

// A choice that names a missing file is replaced by the language really used, under its name
// on disk; without a choice nothing is written.
TEST_F(LanguageTest, StartUpFallsBackToSystemThenEnglishThenAnyFile) {
    add("english.lng", "K=en");
    add("german.lng", "K=de");
    add("aardvark.lng", "K=aa");
    struct Case {
        const char* lang;
        bool remove_english;
        const char16_t* text;
        const char16_t* stored;
    };
    // The system name is upper case; the file is found without regard to case.
    for (const Case& c : {Case{"de_DE.UTF-8", false, u"de", u"german"},
                          Case{"ja_JP.UTF-8", false, u"en", u"english"},
                          Case{"ja_JP.UTF-8", true, u"aa", u"aardvark"}}) {
        SCOPED_TRACE(c.lang);
        if (c.remove_english) {
            std::filesystem::remove(m_home.root() / "prog" / "english.lng");
        }
        ::setenv("LANG", c.lang, 1);
        ASSERT_TRUE(write_string(settings_key(kApp), u"Language", u"klingon"));
        WString missing;
        ASSERT_TRUE(choose_language(m_properties, kApp, m_folder, &missing));
        EXPECT_EQ(text(m_properties, u"K"), c.text);
        EXPECT_EQ(missing, u"klingon");
        EXPECT_EQ(registry_language(), c.stored);
    }

    ASSERT_TRUE(delete_value(settings_key(kApp), u"Language"));
    WString missing;
    ASSERT_TRUE(choose_language(m_properties, kApp, m_folder, &missing));
    EXPECT_EQ(missing, u"");
    EXPECT_EQ(registry_language(), u"");
}

TEST_F(LanguageTest, StartUpFailsWithoutFilesAndIgnoresFolders) {
    std::filesystem::create_directories(m_home.root() / "prog" / "english.lng");
    EXPECT_FALSE(choose_language(m_properties, kApp, m_folder));
    EXPECT_TRUE(list_language_files(m_folder).empty());
    EXPECT_TRUE(m_properties.dictionary().empty());
}

TEST_F(LanguageTest, ChoiceNeedsMoreThanOneFile) {
    add("english.lng", "");
    EXPECT_FALSE(language_choice_available(m_folder));
    add("russian.lng", "");
    add("sub/german.lng", "");  // subfolders are not searched
    EXPECT_EQ(list_language_files(m_folder).size(), 2u);
    EXPECT_TRUE(language_choice_available(m_folder));
}

// Rows read as each language's own name, from its file; a file that gives none (or an empty
// one) shows its title.
TEST_F(LanguageTest, MenuListsFilesSortedMarksCurrentAndEndsWithCancel) {
    std::string russian = "\xFF\xFE";
    for (char16_t c : std::u16string(u"Sort=x\r\nLanguageName=Русский\r\n")) {
        russian += static_cast<char>(c & 0xFF);
        russian += static_cast<char>(c >> 8);
    }
    add("russian.lng", russian);
    add("English.lng", "LanguageName=\n");
    add("german.lng", "LanguageName=Deutsch\n");
    ASSERT_TRUE(load_language(m_properties, path(u"german")));
    std::vector<MenuItem> menu;
    EXPECT_FALSE(language_menu(m_properties, kApp, u"Language", menu, u"MenuElement", m_folder));
    ASSERT_EQ(menu.size(), 4u);
    EXPECT_EQ(menu[0].key, u"Language#English");
    EXPECT_EQ(menu[0].label, u"English");
    EXPECT_EQ(menu[1].key, u"Language#german");
    EXPECT_EQ(menu[1].label, u"Deutsch");
    EXPECT_EQ(menu[2].key, u"Language#russian");
    EXPECT_EQ(menu[2].label, u"Русский");
    EXPECT_FALSE(menu[0].checked);
    EXPECT_TRUE(menu[1].checked);
    EXPECT_FALSE(menu[2].checked);
    EXPECT_EQ(menu[3].key, u"Cancel");
    EXPECT_EQ(menu[3].label, u"");
    EXPECT_EQ(menu[3].row_style, u"MenuElement");
}

TEST_F(LanguageTest, ChoosingALanguageLoadsAndStoresIt) {
    add("english.lng", "K=en");
    add("russian.lng", "K=ru");
    ASSERT_TRUE(load_language(m_properties, path(u"english")));
    std::vector<MenuItem> menu;
    EXPECT_TRUE(language_menu(m_properties, kApp, u"Language#russian", menu, u"", m_folder));
    EXPECT_TRUE(menu.empty());
    EXPECT_EQ(text(m_properties, u"K"), u"ru");
    EXPECT_EQ(registry_language(), u"russian");
}

TEST_F(LanguageTest, ChoosingTheLoadedOrAMissingLanguageChangesNothing) {
    add("english.lng", "K=en");
    ASSERT_TRUE(load_language(m_properties, path(u"english")));
    std::vector<MenuItem> menu;
    EXPECT_FALSE(language_menu(m_properties, kApp, u"Language#english", menu, u"", m_folder));
    EXPECT_FALSE(language_menu(m_properties, kApp, u"Language#ENGLISH", menu, u"", m_folder));
    EXPECT_FALSE(language_menu(m_properties, kApp, u"Language#french", menu, u"", m_folder));
    EXPECT_FALSE(language_menu(m_properties, kApp, u"Sort", menu, u"", m_folder));
    EXPECT_TRUE(menu.empty());
    EXPECT_EQ(text(m_properties, u"K"), u"en");
    EXPECT_EQ(registry_language(), u"");
}

KeyValues shipped_language(const char* file) {
    KeyValues map;
    // The test data folder need not exist, so the path is shortened by text.
    const auto source =
        (std::filesystem::path(VELVANE_TEST_DATA) / "../../../lang" / file).lexically_normal();
    EXPECT_TRUE(read_key_values(platform::from_utf8(source.string()), map)) << file;
    return map;
}

TEST(ShippedLanguages, EnglishAndRussianLoadWithTheStartUpTexts) {
    for (const char* file : {"english.lng", "russian.lng"}) {
        const KeyValues map = shipped_language(file);
        for (const char16_t* key : {u"NoSkins", u"Cancel", u"skinUnknown", u"Help_link",
                                    kLanguageNameKey.data(), u"skinAllContacts"}) {
            EXPECT_TRUE(map.count(key)) << file << " " << platform::to_utf8(key);
        }
    }
}

// A text added to one language only would show as its key in the other.
TEST(ShippedLanguages, AllHaveTheSameKeys) {
    const KeyValues english = shipped_language("english.lng");
    const KeyValues russian = shipped_language("russian.lng");
    for (const auto& [key, text] : english) {
        EXPECT_TRUE(russian.count(key)) << "russian.lng lacks " << platform::to_utf8(key);
    }
    for (const auto& [key, text] : russian) {
        EXPECT_TRUE(english.count(key)) << "english.lng lacks " << platform::to_utf8(key);
    }
}

// The texts the contact card and its editors look up by key, beside those the skin names:
// the field kinds' names, its menus and the category editor's new entry.
TEST(ShippedLanguages, HaveTheContactCardsTexts) {
    const KeyValues english = shipped_language("english.lng");
    for (const char16_t* key :
         {u"Mobile", u"BusinessTel", u"Business2Tel", u"HomeTel", u"Home2Tel", u"CarTel",
          u"RadioTel", u"CompanyMainTel", u"AssistantTel", u"Email1", u"Email2", u"Email3",
          u"WebPage", u"WorkAddress", u"HomeAddress", u"MiddleName", u"Suffix", u"NickName",
          u"Department", u"JobTitle", u"AssistantName", u"BusinessFax", u"HomeFax",
          u"PagerNumber", u"Birthday", u"Categories", u"Unknown", u"AddPhoto", u"EditPhoto",
          u"ChoosePhoto", u"RemovePhoto", u"ConfirDeleteContact", u"ReallyDelete", u"Cancel",
          u"skinNoCategory", u"skinNewCategory"}) {
        EXPECT_TRUE(english.count(key)) << platform::to_utf8(key);
    }
}

// The texts the call screen and the recents screens look up by key, beside those the skin
// names: the call states, the recents menus and the unknown caller.
TEST(ShippedLanguages, HaveTheCallAndRecentsTexts) {
    for (const char* file : {"english.lng", "russian.lng"}) {
        const KeyValues map = shipped_language(file);
        for (const char16_t* key :
             {u"IncomingCall", u"Dialing", u"Connected", u"skinUnknown", u"skinBackToCall",
              u"MainMenu", u"menuFilter", u"menuAllCalls", u"menuIncoming", u"menuOutgoing",
              u"menuRejected", u"menuDelete", u"menuDeleteAll", u"ReallyDelete",
              u"RecentClickKnownContact", u"RecentClickUnknownContact", u"OpenContact",
              u"Add2NewContact", u"Add2Existing", u"SendSMS"}) {
            EXPECT_TRUE(map.count(key)) << file << " " << platform::to_utf8(key);
        }
    }
}

// A file without the UTF-16 mark is read byte by byte as Latin-1, so anything beyond ASCII
// in it (UTF-8 typed by an editor) would show as mojibake; such texts go to UTF-16 files.
TEST(ShippedLanguages, NarrowFilesAreAscii) {
    for (const char* file : {"english.lng", "russian.lng"}) {
        const auto path =
            (std::filesystem::path(VELVANE_TEST_DATA) / "../../../lang" / file).lexically_normal();
        std::ifstream in(path, std::ios::binary);
        ASSERT_TRUE(in) << path;
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
            static_cast<unsigned char>(bytes[1]) == 0xFE) {
            continue;
        }
        for (size_t i = 0; i < bytes.size(); ++i) {
            EXPECT_LT(static_cast<unsigned char>(bytes[i]), 0x80) << file << " at byte " << i;
        }
    }
}

}  // namespace
}  // namespace velvane
