// Choosing the main skin: the registry's choice and its fallbacks, the reserved splash and
// today skins, and the skin menu.

#include "app/skins.h"

#include <gtest/gtest.h>

#include "core/paths.h"
#include "core/registry.h"
#include "app/languages.h"
#include "tests/support/temp_home.h"

namespace velvane {
namespace {

using test_support::read_bytes;
using test_support::TempHome;
using test_support::write_bytes;
using zentra::MenuItem;
using zentra::Properties;
namespace fs = std::filesystem;

constexpr WStringView kApp = u"VelvaneSkinTest";
const zentra::ScreenMetrics kMetrics{240, 320, 0, 96};

// A valid skin file, taken from the skin loader's own sample inputs.
std::string sample_skin() {
    const auto path = (fs::path(VELVANE_TEST_DATA) / "../../../fuzz/seeds/fuzz_skin_loader" /
                       "empty.skin")
                          .lexically_normal();
    return read_bytes(path);
}

class SkinChoiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_skin = sample_skin();
        ASSERT_FALSE(m_skin.empty());
        m_base = platform::from_utf8((m_home.root() / "prog").string());
    }
    void add(const char* file) { write_bytes(m_home.root() / "prog/skins/bin" / file, m_skin); }
    void add_broken(const char* file) {
        write_bytes(m_home.root() / "prog/skins/bin" / file, "not a skin");
    }
    WString loaded_title() const { return title_of(m_properties.skin_path()); }
    WString registry_skin() const {
        WString value;
        read_string(settings_key(kApp), u"Skin", value);
        return value;
    }

    TempHome m_home;
    std::string m_skin;
    WString m_base;
    Properties m_properties;
};

TEST_F(SkinChoiceTest, SplashAndTodaySkinsAreNeverListed) {
    add("Splash2.skin");
    add("splash.skin");
    add("TODAY.skin");
    EXPECT_TRUE(list_skins(m_base).empty());
    EXPECT_FALSE(skin_choice_available(m_base));
    EXPECT_FALSE(choose_skin(m_properties, kApp, m_base, kMetrics));
    EXPECT_FALSE(m_properties.is_loaded());

    // Named in the registry, a reserved skin still loads.
    ASSERT_TRUE(write_string(settings_key(kApp), u"Skin", u"Splash2"));
    EXPECT_TRUE(choose_skin(m_properties, kApp, m_base, kMetrics));
    EXPECT_EQ(loaded_title(), u"Splash2");
}

TEST_F(SkinChoiceTest, ChoiceNeedsTwoSkinsInTheFolderItself) {
    add("blue.skin");
    add("sub/green.skin");
    EXPECT_FALSE(skin_choice_available(m_base));
    add("red.skin");
    EXPECT_TRUE(skin_choice_available(m_base));
}

// A choice that loads, or no choice at all, is left as it is; a choice that names a missing
// skin is replaced by the skin really used, and the caller learns the name that failed.
TEST_F(SkinChoiceTest, StartUpFallsBackToDefaultThenTheListAndStoresWhatItUses) {
    add("blue.skin");
    add("default.skin");
    add("red.skin");
    WString missing;
    ASSERT_TRUE(choose_skin(m_properties, kApp, m_base, kMetrics, &missing));
    EXPECT_EQ(loaded_title(), u"default");
    EXPECT_EQ(registry_skin(), u"") << "nothing chosen, nothing written";

    ASSERT_TRUE(write_string(settings_key(kApp), u"Skin", u"red"));
    ASSERT_TRUE(choose_skin(m_properties, kApp, m_base, kMetrics, &missing));
    EXPECT_EQ(loaded_title(), u"red");
    EXPECT_EQ(missing, u"");

    ASSERT_TRUE(write_string(settings_key(kApp), u"Skin", u"missing"));
    ASSERT_TRUE(choose_skin(m_properties, kApp, m_base, kMetrics, &missing));
    EXPECT_EQ(loaded_title(), u"default");
    EXPECT_EQ(missing, u"missing");
    EXPECT_EQ(registry_skin(), u"default");

    fs::remove(m_home.root() / "prog/skins/bin/default.skin");
    ASSERT_TRUE(write_string(settings_key(kApp), u"Skin", u"default"));
    Properties fresh;
    ASSERT_TRUE(choose_skin(fresh, kApp, m_base, kMetrics));
    EXPECT_EQ(title_of(fresh.skin_path()), u"blue");
    EXPECT_EQ(registry_skin(), u"blue");
}

TEST_F(SkinChoiceTest, StartUpSkipsSkinsThatFailToLoad) {
    add_broken("aaa.skin");
    add_broken("default.skin");
    add("zzz.skin");
    ASSERT_TRUE(choose_skin(m_properties, kApp, m_base, kMetrics));
    EXPECT_EQ(loaded_title(), u"zzz");
}

TEST_F(SkinChoiceTest, MenuListsSkinsWithDisplayNamesAndMarksTheCurrent) {
    add("red.skin");
    add("Blue.skin");
    add("today.skin");
    m_properties.set_dictionary({{u"Skin#red", u"Crimson"}});
    ASSERT_TRUE(m_properties.load_skin(
        expand_path(m_base + u"/skins/bin/RED.skin"), kMetrics));
    std::vector<MenuItem> menu;
    EXPECT_FALSE(skin_menu(m_properties, kApp, u"Skin", menu, u"MenuElement", kMetrics, m_base));
    ASSERT_EQ(menu.size(), 3u);
    EXPECT_EQ(menu[0].key, u"Skin#Blue");
    EXPECT_EQ(menu[0].label, u"Blue");
    EXPECT_FALSE(menu[0].checked);
    EXPECT_EQ(menu[1].key, u"Skin#red");
    EXPECT_EQ(menu[1].label, u"Crimson");
    EXPECT_TRUE(menu[1].checked);
    EXPECT_EQ(menu[2].key, u"Cancel");
    EXPECT_EQ(menu[2].label, u"");
    EXPECT_EQ(menu[2].row_style, u"MenuElement");
}

TEST_F(SkinChoiceTest, PickingASkinLoadsAndStoresItAndCanBeUndoneOnce) {
    add("red.skin");
    add("blue.skin");
    ASSERT_TRUE(choose_skin(m_properties, kApp, m_base, kMetrics));
    ASSERT_EQ(loaded_title(), u"blue");
    std::vector<MenuItem> menu;
    EXPECT_TRUE(skin_menu(m_properties, kApp, u"Skin#red", menu, u"", kMetrics, m_base));
    EXPECT_TRUE(menu.empty());
    EXPECT_EQ(loaded_title(), u"red");
    EXPECT_EQ(registry_skin(), u"red");

    // Undone (the screens cannot be built from it): the skin before it, and no stored choice
    // as before.
    ASSERT_TRUE(restore_previous_skin(m_properties, kMetrics));
    EXPECT_EQ(loaded_title(), u"blue");
    WString stored;
    EXPECT_FALSE(read_string(settings_key(kApp), u"Skin", stored));
    EXPECT_FALSE(restore_previous_skin(m_properties, kMetrics));
    // A stored choice comes back as it was.
    write_string(settings_key(kApp), u"Skin", u"Blue");
    ASSERT_TRUE(skin_menu(m_properties, kApp, u"Skin#red", menu, u"", kMetrics, m_base));
    ASSERT_TRUE(restore_previous_skin(m_properties, kMetrics));
    EXPECT_EQ(loaded_title(), u"blue");
    EXPECT_EQ(registry_skin(), u"Blue");
}

TEST_F(SkinChoiceTest, PickingTheCurrentMissingOrBrokenSkinChangesNothing) {
    add("blue.skin");
    add_broken("bad.skin");
    ASSERT_TRUE(choose_skin(m_properties, kApp, m_base, kMetrics));
    std::vector<MenuItem> menu;
    for (const char16_t* key : {u"Skin#blue", u"Skin#BLUE", u"Skin#gone", u"Skin#bad", u"Sort"}) {
        EXPECT_FALSE(skin_menu(m_properties, kApp, key, menu, u"", kMetrics, m_base))
            << platform::to_utf8(key);
    }
    EXPECT_TRUE(menu.empty());
    EXPECT_EQ(loaded_title(), u"blue");
    EXPECT_EQ(registry_skin(), u"");
}

}  // namespace
}  // namespace velvane
