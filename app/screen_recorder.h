#pragma once
// Screen recording for demonstrations: while the marker picture "\Temp\QuorrRecordPicture.bmp"
// is present at start, every frame drawn is stored as a numbered 16-bit bitmap in the zip
// archive "\Temp\<program name>.zip", with a pulsing marker where the stylus touches.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/zip_writer.h"
#include "skin/node.h"

namespace zentra {
class Bitmap;
class Blender;
class RenderSurface;
}  // namespace zentra

namespace velvane {

// Records frames handed to it by the frame loop; does nothing when the marker picture did
// not load. Time in a recording runs at a fixed frame step so the frames play back smoothly.
class ScreenRecorder {
public:
    // Every recorded frame stands for this much time, whatever it took to draw.
    static constexpr double kFrameSeconds = 0.04;
    // How far the marker size moves towards its target per frame.
    static constexpr int kSizeStep = 4;

    // Looks for the marker picture and, when it loads, creates the archive.
    ScreenRecorder();
    ~ScreenRecorder();
    ScreenRecorder(const ScreenRecorder&) = delete;
    ScreenRecorder& operator=(const ScreenRecorder&) = delete;

    bool recording() const { return m_marker != nullptr; }

    // Stylus messages while recording. Their times are scaled to the recording's slowed
    // clock (see event_time) before they go on to the program.
    void on_stylus_down(const zentra::PointerEvent& event);
    void on_stylus_up(int x, int y);
    // A message time (ms) as the recording's clock sees it: × 0.16, truncated.
    static uint32_t event_time(uint32_t message_time);

    // Draws the marker onto back_buffer when the stylus is down, then stores the frame as
    // the next numbered entry. False when not recording or there is nothing to store.
    bool record_frame(zentra::RenderSurface& back_buffer);

    int frame_count() const { return m_frame; }
    int natural_size() const { return m_natural_size; }
    int largest_size() const { return m_largest_size; }
    int marker_size() const { return m_size; }
    int target_size() const { return m_target_size; }

    // "00000.bmp", "00001.bmp", …; from 100000 on the number is written in full.
    static std::string entry_name(int frame);
    // The bitmap as a 16-bit RGB565 bitmap file: bottom row first, rows padded to 4 bytes.
    static std::string bitmap_file(const zentra::Bitmap& bitmap);
    // Where the marker picture is looked for (without ".bmp") and where the archive goes.
    static platform::WString marker_path();
    static platform::WString archive_path();

private:
    void draw_marker(zentra::RenderSurface& back_buffer);

    std::shared_ptr<const zentra::Bitmap> m_marker;
    std::unique_ptr<zentra::Blender> m_blender;
    int m_natural_size = 0;
    int m_largest_size = 0;
    int m_size = 0;
    int m_target_size = 0;
    zentra::PointerEvent m_stylus;
    int m_frame = 0;
    platform::ZipWriter m_zip;
};

}  // namespace velvane
