// The shipped splash skin, compiled into the program folder, drawn by velvane-skinview at a
// small portrait screen and at a dense one: background, band and the empty progress track.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/skin/skin_test_support.h"
#include "tools/skinc/pictures.h"
#include "display/png_writer.h"
#include "tests/tools/drawn_picture.h"

namespace {

namespace fs = std::filesystem;
using skinview::expand_565;
using skinview::Rgb8;

constexpr uint16_t rgb565(int r, int g, int b) {
    return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

constexpr uint16_t kBackground = rgb565(0x10, 0x20, 0x40);
constexpr uint16_t kBand = rgb565(0x16, 0x29, 0x4f);
constexpr uint16_t kTrack = rgb565(0x28, 0x38, 0x5a);
constexpr uint16_t kWhite = 0xFFFF;

class SplashSkin : public ::testing::Test {
protected:
    static fs::path skin() { return fs::path(VELVANE_PROGRAM_DIR) / "skins/bin/splash.skin"; }

    void view(const std::string& size, int dpi) {
        const fs::path program = fs::path(VELVANE_PROGRAM_DIR) / "velvane-skinview";
        const fs::path png = m_out.path() / "splash.png";
        const fs::path err = m_out.path() / "stderr.txt";
        const std::string command = "'" + program.string() + "' '" + skin().string() +
                                    "' FormSplash --size " + size + " --dpi " +
                                    std::to_string(dpi) + " -o '" + png.string() +
                                    "' >/dev/null 2>'" + err.string() + "'";
        const int raw = std::system(command.c_str());
        std::ifstream in(err);
        std::stringstream text;
        text << in.rdbuf();
        ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << text.str();
        m_image.read(png);
    }

    Rgb8 at(int x, int y) const { return m_image.at(x, y); }
    void expect_at(int x, int y, uint16_t pixel) const { m_image.expect_at(x, y, pixel); }
    // Some pixel of the row range is white: the title was drawn.
    bool white_between(int top, int bottom) const {
        for (int y = top; y < bottom; ++y) {
            for (int x = 0; x < m_image.width(); ++x) {
                if (at(x, y) == expand_565(kWhite)) return true;
            }
        }
        return false;
    }

    skintest::TempDir m_out;
    skintest::DrawnPicture m_image;
};

TEST_F(SplashSkin, IsInTheProgramFolder) {
    EXPECT_TRUE(fs::is_regular_file(skin())) << skin();
}

TEST_F(SplashSkin, PortraitAtDesignSize) {
    view("240x320", 96);
    ASSERT_EQ(m_image.width(), 240);
    ASSERT_EQ(m_image.height(), 320);
    for (auto [x, y] : {std::pair{0, 0}, {239, 0}, {5, 99}, {0, 319}, {239, 319}}) {
        expect_at(x, y, kBackground);
    }
    // Band 120 high in the middle.
    expect_at(0, 100, kBand);
    expect_at(239, 219, kBand);
    expect_at(0, 220, kBackground);
    // Track: 40 in from both sides, 24 above the bottom, 6 high; empty at start.
    for (auto [x, y] : {std::pair{40, 290}, {199, 290}, {40, 295}, {199, 295}, {120, 292}}) {
        expect_at(x, y, kTrack);
    }
    for (auto [x, y] : {std::pair{39, 292}, {200, 292}, {120, 289}, {120, 296}}) {
        expect_at(x, y, kBackground);
    }
    EXPECT_TRUE(white_between(100, 220));
    EXPECT_FALSE(white_between(0, 100));
}

TEST_F(SplashSkin, DenseTallScreenDoublesAndStaysCentred) {
    view("480x800", 192);
    ASSERT_EQ(m_image.width(), 480);
    ASSERT_EQ(m_image.height(), 800);
    expect_at(0, 0, kBackground);
    expect_at(479, 799, kBackground);
    // Band 240 high, centred.
    expect_at(0, 280, kBand);
    expect_at(479, 519, kBand);
    expect_at(0, 279, kBackground);
    expect_at(0, 520, kBackground);
    // Track: 80 in, 48 above the bottom, 12 high.
    for (auto [x, y] : {std::pair{80, 740}, {399, 740}, {80, 751}, {399, 751}, {240, 745}}) {
        expect_at(x, y, kTrack);
    }
    for (auto [x, y] : {std::pair{79, 745}, {400, 745}, {240, 739}, {240, 752}}) {
        expect_at(x, y, kBackground);
    }
    EXPECT_TRUE(white_between(280, 520));
}

TEST_F(SplashSkin, LandscapeKeepsTheBarClearOfTheTitle) {
    view("320x240", 96);
    // Band 60..179; track 210..215 from 40 to 279.
    expect_at(0, 60, kBand);
    expect_at(0, 59, kBackground);
    expect_at(40, 210, kTrack);
    expect_at(279, 215, kTrack);
    expect_at(280, 212, kBackground);
    EXPECT_FALSE(white_between(180, 240));
}

}  // namespace
