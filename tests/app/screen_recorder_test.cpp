#include "app/screen_recorder.h"

#include <gtest/gtest.h>
#include <unzip.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "skin/bitmap.h"
#include "skin/blender.h"
#include "skin/draw.h"
#include "skin/render_surface.h"
#include "tests/support/temp_home.h"

namespace {

using velvane::ScreenRecorder;
using zentra::Bitmap;
using zentra::RenderSurface;

constexpr uint16_t kBlack = 0x0000;
constexpr uint16_t kMarkerColor = 0x07E0;

struct Frame {
    std::string name;
    std::string bytes;
};

std::vector<Frame> read_frames(const std::string& path) {
    std::vector<Frame> frames;
    unzFile zip = unzOpen(path.c_str());
    EXPECT_NE(zip, nullptr) << path;
    if (zip == nullptr)
        return frames;
    for (int r = unzGoToFirstFile(zip); r == UNZ_OK; r = unzGoToNextFile(zip)) {
        unz_file_info info{};
        char name[64] = {};
        unzGetCurrentFileInfo(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0);
        Frame frame{name, std::string(info.uncompressed_size, '\0')};
        unzOpenCurrentFile(zip);
        unzReadCurrentFile(zip, frame.bytes.data(), static_cast<unsigned>(frame.bytes.size()));
        EXPECT_EQ(unzCloseCurrentFile(zip), UNZ_OK) << "CRC mismatch in " << name;
        frames.push_back(std::move(frame));
    }
    unzClose(zip);
    return frames;
}

std::shared_ptr<const Bitmap> decode(const std::string& bytes) {
    return zentra::load_565_from_memory(reinterpret_cast<const uint8_t*>(bytes.data()),
                                        bytes.size(), u"frame");
}

// A width x height bitmap whose pixels number themselves, so any row or column mix-up shows.
Bitmap numbered(int width, int height) {
    Bitmap bitmap(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap.row(y)[x] = static_cast<uint16_t>(y * 256 + x + 1);
    return bitmap;
}

int count_pixels(const RenderSurface& surface, uint16_t value) {
    int count = 0;
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x)
            count += surface.bitmap()->row(y)[x] == value ? 1 : 0;
    return count;
}

class ScreenRecorderTest : public ::testing::Test {
protected:
    // A size x size marker picture of one colour, where the recorder looks for it.
    void place_marker(int size) {
        Bitmap marker(size, size);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                marker.row(y)[x] = kMarkerColor;
        test_support::write_bytes(m_home.root() / "tmp" / "QuorrRecordPicture.bmp",
                                  ScreenRecorder::bitmap_file(marker));
    }
    std::string archive() const {
        return platform::native_path(ScreenRecorder::archive_path());
    }
    // Repaints the screen black, as the program would, and records it; gives the number of
    // marker pixels stored.
    int record_black_frame(ScreenRecorder& recorder) {
        zentra::fill(m_screen, kBlack, zentra::plain_blender());
        EXPECT_TRUE(recorder.record_frame(m_screen));
        return count_pixels(m_screen, kMarkerColor);
    }

    test_support::TempHome m_home;
    RenderSurface m_screen;
};

TEST(ScreenRecorderNames, FramesAreNumberedToFiveDigitsThenInFull) {
    EXPECT_EQ(ScreenRecorder::entry_name(0), "00000.bmp");
    EXPECT_EQ(ScreenRecorder::entry_name(42), "00042.bmp");
    EXPECT_EQ(ScreenRecorder::entry_name(99999), "99999.bmp");
    EXPECT_EQ(ScreenRecorder::entry_name(100000), "100000.bmp");
    EXPECT_EQ(ScreenRecorder::entry_name(1234567), "1234567.bmp");
}

TEST(ScreenRecorderTime, StylusTimesRunAtTheRecordingsPace) {
    EXPECT_EQ(ScreenRecorder::event_time(1000), 160u);
    EXPECT_EQ(ScreenRecorder::event_time(7), 1u);  // 1.12 truncated
    EXPECT_EQ(ScreenRecorder::event_time(6), 0u);  // 0.96 truncated
}

TEST(ScreenRecorderBitmap, FileIsBottomUp16BitWithZeroPaddedRows) {
    const Bitmap source = numbered(3, 2);  // 6 bytes of pixels per row, padded to 8
    const std::string bytes = ScreenRecorder::bitmap_file(source);
    ASSERT_EQ(bytes.size(), 66u + 2 * 8);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<uint8_t>(bytes[28]), 16);  // bits per pixel
    EXPECT_EQ(static_cast<uint8_t>(bytes[10]), 66);  // pixel data offset
    // First stored row is the bottom one: pixel (0, 1) = 0x0101.
    EXPECT_EQ(static_cast<uint8_t>(bytes[66]), 0x01);
    EXPECT_EQ(static_cast<uint8_t>(bytes[67]), 0x01);
    for (size_t padding : {66u + 6, 66u + 7, 74u + 6, 74u + 7})
        EXPECT_EQ(bytes[padding], '\0') << padding;

    const auto back = decode(bytes);
    ASSERT_TRUE(back && !back->empty());
    ASSERT_EQ(back->width(), 3);
    ASSERT_EQ(back->height(), 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(back->row(y)[x], source.row(y)[x]) << x << "," << y;
}

TEST_F(ScreenRecorderTest, WithoutTheMarkerPictureNothingIsRecorded) {
    ScreenRecorder recorder;
    EXPECT_FALSE(recorder.recording());
    m_screen.recreate(8, 8);
    EXPECT_FALSE(recorder.record_frame(m_screen));
    EXPECT_EQ(recorder.frame_count(), 0);
    EXPECT_FALSE(std::filesystem::exists(archive()));
}

TEST_F(ScreenRecorderTest, WithTheMarkerPictureEveryFrameLandsInTheArchive) {
    place_marker(12);
    m_screen.adopt(std::make_unique<Bitmap>(numbered(5, 4)));
    {
        ScreenRecorder recorder;
        ASSERT_TRUE(recorder.recording());
        EXPECT_EQ(recorder.natural_size(), 12);
        EXPECT_EQ(recorder.largest_size(), 18);
        EXPECT_TRUE(std::filesystem::exists(archive()));
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(recorder.record_frame(m_screen));
        RenderSurface no_buffer;
        EXPECT_FALSE(recorder.record_frame(no_buffer));
        EXPECT_EQ(recorder.frame_count(), 3);
    }
    const auto frames = read_frames(archive());
    ASSERT_EQ(frames.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(frames[i].name, ScreenRecorder::entry_name(i));
        const auto back = decode(frames[i].bytes);
        ASSERT_TRUE(back && back->width() == 5 && back->height() == 4) << frames[i].name;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(back->row(y)[x], m_screen.bitmap()->row(y)[x]) << x << "," << y;
    }
}

TEST_F(ScreenRecorderTest, TapGrowsMarkerThenSettlesAndLiftHidesIt) {
    place_marker(12);
    m_screen.recreate(60, 60);
    ScreenRecorder recorder;
    ASSERT_TRUE(recorder.recording());

    EXPECT_EQ(record_black_frame(recorder), 0);  // stylus not down yet
    recorder.on_stylus_down({30, 30, 0, true, false});
    // Drawn at the size before each move: 0, 4, 8, 12, 16, then 18 (the largest, reached
    // by a short step), then back down towards the picture's own height.
    const int drawn[] = {0, 4, 8, 12, 16, 18, 14, 12, 12, 12};
    for (int size : drawn)
        EXPECT_EQ(record_black_frame(recorder), size * size) << "size " << size;
    EXPECT_EQ(recorder.marker_size(), 12);
    EXPECT_EQ(recorder.target_size(), 12);

    // Centred on the stylus: a 12-pixel marker covers 24..35 on both axes.
    const Bitmap& screen = *m_screen.bitmap();
    EXPECT_EQ(screen.row(30)[24], kMarkerColor);
    EXPECT_EQ(screen.row(30)[35], kMarkerColor);
    EXPECT_EQ(screen.row(30)[23], kBlack);
    EXPECT_EQ(screen.row(30)[36], kBlack);
    EXPECT_EQ(screen.row(24)[30], kMarkerColor);
    EXPECT_EQ(screen.row(36)[30], kBlack);

    recorder.on_stylus_up(31, 31);
    EXPECT_EQ(recorder.target_size(), 0);
    EXPECT_EQ(record_black_frame(recorder), 0);
    EXPECT_EQ(record_black_frame(recorder), 0);
    EXPECT_EQ(recorder.frame_count(), 13);
}

}  // namespace
