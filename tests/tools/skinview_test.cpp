// velvane-skinview: a definition of a compiled test skin drawn into a PNG, checked at known
// pixels.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/skin/skin_test_support.h"
#include "tools/skinc/pictures.h"
#include "tools/skinc/source_parser.h"
#include "display/png_writer.h"
#include "tests/tools/drawn_picture.h"

namespace {

namespace fs = std::filesystem;
using skinview::expand_565;
using skinview::Rgb8;

constexpr uint16_t kBlack = 0x0000;
constexpr uint16_t kWhite = 0xFFFF;
constexpr uint16_t kDark = 0x2124;
constexpr uint16_t kRed = 0xF820;
constexpr uint16_t kGreen = 0x07E0;
constexpr uint16_t kBlue = 0x003F;
constexpr uint16_t kYellow = 0xFFE0;

TEST(SkinviewPng, ExpandsEachChannelToFullRange) {
    EXPECT_EQ(expand_565(0x0000), (Rgb8{0, 0, 0}));
    EXPECT_EQ(expand_565(0xFFFF), (Rgb8{255, 255, 255}));
    EXPECT_EQ(expand_565(0xF800), (Rgb8{255, 0, 0}));
    EXPECT_EQ(expand_565(0x07E0), (Rgb8{0, 255, 0}));
    // 16 of 31, 32 of 63, 1 of 31: the top bits repeat into the low ones.
    EXPECT_EQ(expand_565((16 << 11) | (32 << 5) | 1), (Rgb8{132, 130, 8}));
}

struct Outcome {
    int status = -1;
    std::string err;
};

class Skinview : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new skintest::TempDir;
        for (const char* name : {"views", "list"}) {
            skinc::SkinSource source;
            skinc::SourceError error;
            ASSERT_TRUE(skinc::parse_source_file(std::string(VELVANE_TEST_DATA) + "/skinview/" +
                                                     name + ".vskin",
                                                 source, skinc::picture_file_size, error))
                << error.text();
            std::vector<uint8_t> bytes;
            std::string why;
            ASSERT_TRUE(skinc::write_skin(source.model, bytes, why)) << why;
            ASSERT_TRUE(skinc::export_pictures(source.pictures, s_dir->path(), why)) << why;
            ASSERT_TRUE(skinc::write_file_atomically(skin(name), bytes, why)) << why;
        }
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    static fs::path skin(const std::string& name = "views") {
        return s_dir->path() / (name + ".skin");
    }

    Outcome run(const std::string& arguments) {
        const fs::path program = fs::path(VELVANE_PROGRAM_DIR) / "velvane-skinview";
        const fs::path err = m_out.path() / "stderr.txt";
        const std::string command =
            "'" + program.string() + "' " + arguments + " >/dev/null 2>'" + err.string() + "'";
        const int raw = std::system(command.c_str());
        std::ifstream in(err);
        std::stringstream text;
        text << in.rdbuf();
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text.str()};
    }

    // Draws a definition of the test skin; the picture is then in m_image.
    void view(const std::string& definition, const std::string& options,
              const std::string& skin_name = "views") {
        const fs::path png = m_out.path() / (definition + ".png");
        const Outcome outcome =
            run("'" + skin(skin_name).string() + "' " + definition + " " + options + " -o '" +
                png.string() + "'");
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        m_image.read(png);
    }

    Rgb8 at(int x, int y) const { return m_image.at(x, y); }
    void expect_at(int x, int y, uint16_t pixel) const { m_image.expect_at(x, y, pixel); }

    static inline skintest::TempDir* s_dir = nullptr;
    skintest::TempDir m_out;
    skintest::DrawnPicture m_image;
};

TEST_F(Skinview, AColourNodeFillsItsRectangleOverBlack) {
    view("ColorFill", "--size 40x30 --dpi 96");
    ASSERT_EQ(m_image.width(), 40);
    ASSERT_EQ(m_image.height(), 30);
    // 20 x 12 at (10, 8).
    for (auto [x, y] : {std::pair{10, 8}, {29, 8}, {10, 19}, {29, 19}}) {
        expect_at(x, y, 0xF800);
    }
    for (auto [x, y] : {std::pair{9, 8}, {30, 8}, {10, 7}, {10, 20}, {0, 0}, {39, 29}}) {
        expect_at(x, y, kBlack);
    }
}

TEST_F(Skinview, TheDefinitionsRootIsBuiltAsItsOwnType) {
    view("Backdrop", "--size 5x3 --dpi 96");
    for (auto [x, y] : {std::pair{0, 0}, {4, 0}, {0, 2}, {4, 2}}) {
        expect_at(x, y, 0x001F);
    }
}

TEST_F(Skinview, AnImageDrawsAsANinePatchScaledWithTheDpi) {
    view("NinePatch", "--size 30x24 --dpi 96");
    // At (4, 4), 20 x 14: head and tail 2, the 2 x 2 middle repeats from its start.
    expect_at(3, 4, kBlack);
    expect_at(4, 4, kDark);
    expect_at(6, 6, kRed);
    expect_at(7, 6, kGreen);
    expect_at(8, 6, kRed);
    expect_at(6, 7, kBlue);
    expect_at(21, 15, kYellow);  // the last middle column and row: source (3, 3)
    expect_at(22, 16, kDark);
    expect_at(23, 17, kDark);
    expect_at(24, 17, kBlack);
    expect_at(23, 18, kBlack);

    // At 192 dpi the skin doubles: placed at (8, 8), 40 x 28, each picture pixel 2 x 2.
    view("NinePatch", "--size 60x48 --dpi 192");
    expect_at(7, 8, kBlack);
    expect_at(11, 11, kDark);
    expect_at(12, 12, kRed);
    expect_at(13, 13, kRed);
    expect_at(14, 12, kGreen);
    expect_at(12, 14, kBlue);
    expect_at(47, 35, kDark);
    expect_at(48, 35, kBlack);
}

TEST_F(Skinview, AlphaSelectsTheKeyedCopyAndWithoutItTheCopyIsPlain) {
    view("Alpha", "--size 8x8 --dpi 96");
    // glass = translucent black, key colour, opaque blue, repeated; over white.
    for (int y : {0, 1}) {
        expect_at(0, y, 0x7BEF);  // white halved
        expect_at(1, y, kWhite);  // key: untouched
        expect_at(2, y, kBlue);
        expect_at(3, y, 0x7BEF);
    }
    expect_at(0, 2, kWhite);
    expect_at(6, 0, kWhite);
    expect_at(0, 4, kBlack);
    expect_at(1, 4, 0xF81F);
    expect_at(2, 4, kBlue);
}

TEST_F(Skinview, AMaskOfTheSourcesSizeBlendsByItsBlueChannel) {
    view("Masked", "--size 24x12 --dpi 96");
    expect_at(0, 0, kWhite);   // mask 0
    expect_at(4, 9, kWhite);
    expect_at(5, 0, kRed);     // mask 31
    expect_at(10, 5, kBlue);
    // mask 16: each channel halfway from white to blue in 8 bits, then opaque.
    expect_at(15, 0, 0x7C3F);
    expect_at(19, 9, 0x7C3F);
    expect_at(20, 0, kWhite);  // past the image: the background
}

TEST_F(Skinview, AClipCutsItsChildAtItsOwnRectangle) {
    view("Clipped", "--size 40x40 --dpi 96");
    for (auto [x, y] : {std::pair{10, 10}, {29, 10}, {10, 29}, {29, 29}, {20, 20}}) {
        expect_at(x, y, kGreen);
    }
    // The child reaches 5 past each side; none of that shows.
    for (auto [x, y] : {std::pair{9, 10}, {5, 5}, {30, 29}, {29, 30}, {34, 34}, {20, 9}}) {
        expect_at(x, y, kBlack);
    }
}

TEST_F(Skinview, KeepingTheAspectRatioMagnifiesAndCentres) {
    view("Fitted", "--size 100x100 --dpi 96 --frames 3 --dt 0.04");
    // 20 x 10 at 4x: 80 x 40 at (10, 30), red then blue.
    expect_at(9, 30, kBlack);
    expect_at(10, 30, kRed);
    expect_at(49, 69, kRed);
    expect_at(50, 30, kBlue);
    expect_at(89, 69, kBlue);
    expect_at(90, 69, kBlack);
    expect_at(50, 70, kBlack);
    expect_at(50, 29, kBlack);
}

// Rows are 20 high with a green swatch in their first 10 columns and "Row i" after it.
TEST_F(Skinview, RowsFillTheChosenListFromTheElementDefinition) {
    const auto lit_in = [this](int x0, int x1, int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                if (at(x, y) != expand_565(kBlack)) {
                    return true;
                }
            }
        }
        return false;
    };

    // Without --rows the lists stay empty: nothing but the background.
    view("Contacts", "--size 80x100 --dpi 96", "list");
    EXPECT_FALSE(lit_in(0, 80, 0, 100));

    // The first list (20 wide at the left) gets three rows; the text is set, so it draws.
    view("Contacts", "--size 80x100 --dpi 96 --rows 3 --element ContactRow", "list");
    for (int y : {0, 19, 20, 59}) {
        expect_at(0, y, kGreen);
        expect_at(9, y, kGreen);
        expect_at(10, y, kBlack);  // the text column begins at 12
    }
    expect_at(0, 60, kBlack);
    expect_at(0, 99, kBlack);
    EXPECT_FALSE(lit_in(20, 80, 0, 100));  // the second list is left alone

    // --list picks the list by id: 60 wide at the right, rows with their text.
    view("Contacts", "--size 80x100 --dpi 96 --rows 2 --element ContactRow --list '#all'",
         "list");
    expect_at(20, 0, kGreen);
    expect_at(29, 39, kGreen);
    expect_at(20, 40, kBlack);
    expect_at(19, 0, kBlack);
    EXPECT_TRUE(lit_in(32, 80, 0, 20)) << "row 1 shows no text";
    EXPECT_TRUE(lit_in(32, 80, 20, 40)) << "row 2 shows no text";
    EXPECT_FALSE(lit_in(0, 20, 0, 100));

    const fs::path png = m_out.path() / "none.png";
    const Outcome no_list = run("'" + skin("list").string() +
                                "' ContactRow --size 10x10 --rows 2 --element ContactRow -o '" +
                                png.string() + "'");
    EXPECT_EQ(no_list.status, 1);
    EXPECT_NE(no_list.err.find("vlist"), std::string::npos) << no_list.err;
    EXPECT_FALSE(fs::exists(png));
}

TEST_F(Skinview, RefusalsPrintOneLineAndExitWithOne) {
    const fs::path png = m_out.path() / "none.png";
    const std::string tail = " --size 10x10 --dpi 96 -o '" + png.string() + "'";

    Outcome missing = run("'" + skin().string() + "' NoSuchScreen" + tail);
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(std::count(missing.err.begin(), missing.err.end(), '\n'), 1) << missing.err;
    EXPECT_NE(missing.err.find("NoSuchScreen"), std::string::npos) << missing.err;

    m_out.write("junk.skin", std::vector<uint8_t>(300, 9));
    Outcome refused = run("'" + (m_out.path() / "junk.skin").string() + "' ColorFill" + tail);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;

    Outcome unknown = run("'" + skin().string() + "' Unknown" + tail);
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(std::count(unknown.err.begin(), unknown.err.end(), '\n'), 1) << unknown.err;
    EXPECT_NE(unknown.err.find("no_such_type"), std::string::npos) << unknown.err;

    Outcome bad_size = run("'" + skin().string() + "' ColorFill --size 10 -o '" +
                           png.string() + "'");
    EXPECT_EQ(bad_size.status, 1);
    EXPECT_EQ(run("").status, 1);
    EXPECT_FALSE(fs::exists(png));
}

}  // namespace
