#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "platform/picture_chooser.h"
#include "tests/support/temp_home.h"

namespace {

using namespace platform;
namespace fs = std::filesystem;

// Puts a fake chooser program first on PATH with a display to show it on.
class PictureChooser : public ::testing::Test {
protected:
    void SetUp() override {
        m_path = ::getenv("PATH") ? ::getenv("PATH") : "";
        m_display = ::getenv("DISPLAY") ? ::getenv("DISPLAY") : "";
        m_bin = m_home.root() / "bin";
        fs::create_directories(m_bin);
        ::setenv("PATH", m_bin.c_str(), 1);
        ::setenv("DISPLAY", ":99", 1);
        reset_picture_chooser();
    }
    void TearDown() override {
        ::setenv("PATH", m_path.c_str(), 1);
        ::setenv("DISPLAY", m_display.c_str(), 1);
        reset_picture_chooser();
    }
    // The fake writes its arguments one a line beside itself, prints answer and exits.
    void install(const char* name, const std::string& answer, int exit_code) {
        const fs::path program = m_bin / name;
        std::ofstream(program) << "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > '"
                               << (m_bin / "args").string() << "'\nprintf '%s\\n' '" << answer
                               << "'\nexit " << exit_code << "\n";
        fs::permissions(program, fs::perms::owner_all);
    }
    std::string args() { return test_support::read_bytes(m_bin / "args"); }

    test_support::TempHome m_home;
    fs::path m_bin;
    std::string m_path;
    std::string m_display;
    const PictureRequest m_request{u"Select Exhibit Photo or Video", u"All Files (*.*)", u"*.*"};
};

TEST_F(PictureChooser, DesktopChooserIsStartedWithoutAShellAndItsAnswerTaken) {
    install("zenity", "/home/me/Pictures/my photo; $(rm -rf x).jpg", 0);
    ASSERT_EQ(picture_chooser_kind(), ChooserKind::zenity);
    EXPECT_EQ(choose_picture_file(m_request), WString(u"/home/me/Pictures/my photo; $(rm -rf x).jpg"));
    EXPECT_EQ(args(),
              "--file-selection\n--title=Select Exhibit Photo or Video\n"
              "--file-filter=All Files (*.*) | *\n");

    install("zenity", "", 1);  // cancelled
    EXPECT_FALSE(choose_picture_file(m_request));
}

TEST_F(PictureChooser, KdialogServesWhenZenityIsMissingAndNothingWithoutADisplay) {
    install("kdialog", "/tmp/a.png", 0);
    EXPECT_EQ(picture_chooser_kind(), ChooserKind::kdialog);
    EXPECT_EQ(choose_picture_file(m_request), WString(u"/tmp/a.png"));
    EXPECT_NE(args().find("--getopenfilename\n"), std::string::npos);

    ::unsetenv("DISPLAY");
    reset_picture_chooser();
    EXPECT_EQ(picture_chooser_kind(), ChooserKind::none);
    EXPECT_FALSE(choose_picture_file(m_request));
}

TEST_F(PictureChooser, ScriptedAnswerIsUsedOnceAndNoDesktopChooserStarts) {
    install("zenity", "/should/not/be/used", 0);
    set_scripted_choice(WString(u"/data/photo.jpg"));
    EXPECT_EQ(picture_chooser_kind(), ChooserKind::scripted);
    EXPECT_EQ(choose_picture_file(m_request), WString(u"/data/photo.jpg"));
    EXPECT_FALSE(choose_picture_file(m_request));
    EXPECT_FALSE(fs::exists(m_bin / "args"));
}

}  // namespace
