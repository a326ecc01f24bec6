#pragma once
// The back end without a window: frames are kept in memory, time moves by a fixed step per
// pause, and outside input comes from whatever is plugged into the input hook (an input
// script). Makes whole runs deterministic under the virtual clock.

#include <functional>
#include <vector>

#include "display/display.h"
#include "skin/bitmap.h"

namespace velvane::display {

class HeadlessDisplay;

class HeadlessBackend final : public Backend {
public:
    // frame_step_ms is how far each pause moves the clock (at least 1 ms).
    explicit HeadlessBackend(const ScreenInfo& screen, uint32_t frame_step_ms = 20);
    ~HeadlessBackend() override;
    HeadlessBackend(const HeadlessBackend&) = delete;
    HeadlessBackend& operator=(const HeadlessBackend&) = delete;

    ScreenInfo screen() const override { return m_screen; }
    // The back buffer has the screen's size; params get the screen's size and orientation.
    std::unique_ptr<Display> create_display(DisplayParams& params) override;
    void set_main_window(platform::WindowHandle window) override { m_main_window = window; }
    void pump_input() override;
    // Kept as the last frame, as a present is.
    void paint(zentra::RenderSurface& picture) override;
    // Moves the clock by the frame step, whatever ms is, and counts a frame.
    void pause(uint32_t ms) override;
    void start_text_input(const Area& area) override;
    void stop_text_input() override;
    void minimize() override { m_minimized = true; }
    void raise() override { m_minimized = false; }
    // Writes "caption: text" to the log and to standard error.
    void message_box(platform::WStringView caption, platform::WStringView text) override;
    bool finished() const override { return m_finished; }

    // What drives the run: called on every pump_input.
    void set_input_hook(std::function<void()> hook) { m_input_hook = std::move(hook); }
    void finish() { m_finished = true; }
    // A new screen size or orientation, as after turning the device or resizing a window:
    // the main window is told to re-read its metrics.
    void set_screen(const ScreenInfo& screen);

    platform::WindowHandle main_window() const { return m_main_window; }
    uint32_t frame_step() const { return m_frame_step; }
    // Pauses so far: a script waits for frames by this count.
    long long frames() const { return m_frames; }
    // Presents and paints so far.
    long long presented_frames() const { return m_presented; }
    // The last presented or painted picture; empty before the first.
    const zentra::Bitmap& last_frame() const { return m_last_frame; }
    // Writes the last picture shown, or the newest display's back buffer when nothing was presented
    // yet, as an 8-bit RGB PNG. False (with a log line) when there is no picture or writing fails.
    bool save_screenshot(const std::string& path) const;

    bool text_input_on() const { return m_text_input; }
    Area text_input_area() const { return m_text_area; }
    bool minimized() const { return m_minimized; }
    // The last message box, for tests: caption and text, and how many were shown.
    const platform::WString& last_message_box() const { return m_last_message_box; }
    int message_boxes() const { return m_message_boxes; }

private:
    friend class HeadlessDisplay;
    void presented(const zentra::Bitmap& frame);
    void forget(HeadlessDisplay* display);

    ScreenInfo m_screen;
    uint32_t m_frame_step;
    platform::WindowHandle m_main_window;
    std::function<void()> m_input_hook;
    std::vector<HeadlessDisplay*> m_displays;  // newest last
    zentra::Bitmap m_last_frame;
    long long m_frames = 0;
    long long m_presented = 0;
    bool m_finished = false;
    bool m_text_input = false;
    Area m_text_area;
    bool m_minimized = false;
    platform::WString m_last_message_box;
    int m_message_boxes = 0;
};

}  // namespace velvane::display
