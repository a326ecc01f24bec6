#include "display/headless_backend.h"

#include <algorithm>
#include <cstdio>

#include "core/log.h"
#include "display/png_writer.h"
#include "platform/clock.h"
#include "platform/messages.h"

namespace velvane::display {

class HeadlessDisplay final : public Display {
public:
    HeadlessDisplay(HeadlessBackend* backend, int width, int height) : m_backend(backend) {
        m_surface.recreate(width, height);
    }
    ~HeadlessDisplay() override {
        if (m_backend)
            m_backend->forget(this);
    }

    bool begin_frame() override {
        if (m_backend) {
            const ScreenInfo screen = m_backend->screen();
            if (screen.width != m_surface.width() || screen.height != m_surface.height())
                m_surface.recreate(screen.width, screen.height);
        }
        return !m_surface.empty();
    }
    zentra::RenderSurface& back_buffer() override { return m_surface; }
    void present(int) override {
        if (m_backend && m_surface.bitmap())
            m_backend->presented(*m_surface.bitmap());
    }

    void detach() { m_backend = nullptr; }
    const zentra::RenderSurface& surface() const { return m_surface; }

private:
    HeadlessBackend* m_backend;
    zentra::RenderSurface m_surface;
};

HeadlessBackend::HeadlessBackend(const ScreenInfo& screen, uint32_t frame_step_ms)
    : m_screen(screen), m_frame_step(std::max<uint32_t>(frame_step_ms, 1)) {
    m_screen.orientation &= 3;
}

HeadlessBackend::~HeadlessBackend() {
    for (HeadlessDisplay* display : m_displays)
        display->detach();
}

std::unique_ptr<Display> HeadlessBackend::create_display(DisplayParams& params) {
    if (m_screen.width <= 0 || m_screen.height <= 0) {
        log() << "HeadlessBackend::create_display no screen size\n";
        return nullptr;
    }
    auto display = std::make_unique<HeadlessDisplay>(this, m_screen.width, m_screen.height);
    if (display->surface().empty()) {
        log() << "HeadlessBackend::create_display out of memory\n";
        return nullptr;
    }
    params.width = m_screen.width;
    params.height = m_screen.height;
    params.orientation = m_screen.orientation;
    if (params.swap_effect == 0)
        params.swap_effect = 1;
    m_displays.push_back(display.get());
    return display;
}

void HeadlessBackend::pump_input() {
    if (m_input_hook)
        m_input_hook();
}

void HeadlessBackend::paint(zentra::RenderSurface& picture) {
    if (picture.bitmap() && !picture.bitmap()->empty())
        presented(*picture.bitmap());
}

void HeadlessBackend::pause(uint32_t) {
    // Without the virtual clock the step is really waited, so a loop cannot spin.
    if (platform::virtual_clock_in_use())
        platform::advance_virtual_clock(m_frame_step);
    else
        platform::sleep_ms(m_frame_step);
    ++m_frames;
}

void HeadlessBackend::start_text_input(const Area& area) {
    m_text_input = true;
    m_text_area = area;
}

void HeadlessBackend::stop_text_input() {
    m_text_input = false;
}

void HeadlessBackend::message_box(platform::WStringView caption, platform::WStringView text) {
    platform::WString line(caption);
    line += u": ";
    line += text;
    log() << line << "\n";
    std::fprintf(stderr, "%s\n", platform::to_utf8(line).c_str());
    m_last_message_box = std::move(line);
    ++m_message_boxes;
}

void HeadlessBackend::set_screen(const ScreenInfo& screen) {
    ScreenInfo next = screen;
    next.orientation &= 3;
    if (next == m_screen)
        return;
    m_screen = next;
    if (m_main_window)
        platform::post_message(m_main_window, platform::WM_SETTINGCHANGE, kSpiSetWorkArea, 0);
}

bool HeadlessBackend::save_screenshot(const std::string& path) const {
    const zentra::Bitmap* picture = nullptr;
    if (!m_last_frame.empty())
        picture = &m_last_frame;
    else if (!m_displays.empty())
        picture = m_displays.back()->surface().bitmap();
    if (picture == nullptr || picture->empty()) {
        log() << "HeadlessBackend::save_screenshot nothing to save\n";
        return false;
    }
    std::string error;
    if (!skinview::write_png(path, *picture, error)) {
        log() << "HeadlessBackend::save_screenshot " << platform::from_utf8(error) << "\n";
        return false;
    }
    return true;
}

void HeadlessBackend::presented(const zentra::Bitmap& frame) {
    m_last_frame = frame;
    ++m_presented;
}

void HeadlessBackend::forget(HeadlessDisplay* display) {
    std::erase(m_displays, display);
}

}  // namespace velvane::display
