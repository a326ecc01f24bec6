// A recorded session: with the marker picture in the temporary folder every frame goes into a
// zip archive that a standard unzip accepts, as 16-bit bitmaps an image tool opens.

#include <gtest/gtest.h>

#include <filesystem>

#include "app/screen_recorder.h"
#include "skin/bitmap.h"
#include "tests/e2e/e2e_support.h"

namespace {

TEST(Recording, ASessionWithTheMarkerPresentIsAnArchiveOfBitmaps) {
    const std::filesystem::path unzip = "/usr/bin/unzip";
    if (!std::filesystem::exists(unzip)) {
        GTEST_SKIP() << "unzip is not installed";
    }
    e2e::Home home;
    zentra::Bitmap marker(8, 8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            marker.row(y)[x] = 0xF800;
        }
    }
    e2e::write_file(home.tmp() / "QuorrRecordPicture.bmp",
                    velvane::ScreenRecorder::bitmap_file(marker));
    const e2e::RunResult run = home.run_script("frames 3\ntap 100 100\nframes 6\nquit\n",
                                               {"--size", "240x320", "--dpi", "96"});
    ASSERT_EQ(run.exit_code, 0) << run.err;

    const std::filesystem::path archive = home.tmp() / "velvane.zip";
    ASSERT_TRUE(std::filesystem::exists(archive));
    const e2e::RunResult test = home.run(unzip, {"-t", archive.string()});
    EXPECT_EQ(test.exit_code, 0) << test.out << test.err;
    EXPECT_NE(test.out.find("00000.bmp"), std::string::npos);
    EXPECT_NE(test.out.find("00008.bmp"), std::string::npos);

    const e2e::RunResult first = home.run(unzip, {"-p", archive.string(), "00005.bmp"});
    ASSERT_EQ(first.exit_code, 0);
    ASSERT_GE(first.out.size(), 54u + 240 * 320 * 2);
    EXPECT_EQ(first.out.substr(0, 2), "BM");
    const auto u16 = [&](size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(first.out[at]) |
                                     (static_cast<unsigned char>(first.out[at + 1]) << 8));
    };
    EXPECT_EQ(u16(18), 240u);  // width
    EXPECT_EQ(u16(28), 16u);   // bits per pixel
}

}  // namespace
