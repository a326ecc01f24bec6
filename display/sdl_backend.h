#pragma once
// The back end on a desktop or a Linux phone: one SDL2 window that shows the program's
// RGB565 back buffer and turns its events into the main window's messages.
//
// Size and orientation: the program draws a picture of width x height (ScreenInfo, as the
// program sees the screen). Orientation k (0-3) shows that picture turned clockwise by k
// quarter turns, so for k = 1 or 3 the window is height x width: a 480 x 800 portrait picture
// with orientation 1 lies in an 800 x 480 window. Window sizes are in window units (pixels,
// unless the desktop scales windows).
//
// The user may resize the window. screen() then reports the window's size turned back to the
// program's view (window 900 x 500 with orientation 1: a 500 x 900 screen), and the main
// window receives WM_SETTINGCHANGE (kSpiSetWorkArea) so that it re-reads the screen. The
// display object's back buffer takes the new size at its next begin_frame; until a picture of
// the new size is presented, the old one is stretched to fill the window, and pointer
// positions are scaled back to that picture's pixels, so taps stay where they were aimed.

#include <SDL.h>

#include <memory>
#include <string>
#include <vector>

#include "display/display.h"
#include "display/sdl_events.h"

namespace velvane::display {

class SdlDisplay;

class SdlBackend final : public Backend {
public:
    // Opens the window (title "Velvane", resizable) at once. Null with a one-line reason when
    // there is no display to open or the size or orientation make no sense.
    static std::unique_ptr<SdlBackend> open(const ScreenInfo& wanted, std::string& error);
    ~SdlBackend() override;
    SdlBackend(const SdlBackend&) = delete;
    SdlBackend& operator=(const SdlBackend&) = delete;

    // The window's size as the program sees it; orientation and dpi as asked for at open.
    ScreenInfo screen() const override;
    // A back buffer of screen()'s size and the screen's orientation, whatever params asked.
    std::unique_ptr<Display> create_display(DisplayParams& params) override;
    void set_main_window(platform::WindowHandle window) override;
    void pump_input() override;
    // Through its own texture; pointer positions then belong to this picture.
    void paint(zentra::RenderSurface& picture) override;
    // Waits up to ms for an event, leaving it queued for pump_input.
    void pause(uint32_t ms) override;
    // area is in program pixels; the input method places its window next to it. With a
    // keyboard (no on-screen keyboard is the only one) text input stays on all the time, so
    // stop only drops what the input method was composing for the edit.
    void start_text_input(const Area& area) override;
    void stop_text_input() override;
    // Typed text arrives while no edit asks for it.
    bool keyboard_text() const { return m_keyboard_text; }
    void minimize() override;
    void raise() override;
    void message_box(platform::WStringView caption, platform::WStringView text) override;
    // True once the session asked the program to quit twice (a second Ctrl-C), or while there
    // was no main window to tell.
    bool finished() const override { return m_finished; }

    SDL_Window* sdl_window() const { return m_window; }

private:
    friend class SdlDisplay;
    SdlBackend(SDL_Window* window, SDL_Renderer* renderer, const ScreenInfo& wanted, bool keyboard);

    TranslateState current_state() const;
    // Shows the texture filling the window, turned for the orientation.
    void show(SDL_Texture* texture);
    // Shows the last picture again (after an expose or a resize).
    void show_again();
    bool hidden() const;
    // An RGB565 streaming texture; null (with a log line) when the renderer cannot make one.
    SDL_Texture* make_texture(int width, int height);
    // The texture is going away: the window no longer shows it.
    void forget_texture(SDL_Texture* texture);
    void forget(SdlDisplay* display);

    SDL_Window* m_window;
    SDL_Renderer* m_renderer;
    ScreenInfo m_wanted;
    platform::WindowHandle m_main_window;
    TranslateState m_pointer;             // only the pointer part is kept between events
    std::vector<SdlDisplay*> m_displays;  // newest last
    SDL_Texture* m_paint_texture = nullptr;
    // What the window shows now, and the size of that picture in program pixels.
    SDL_Texture* m_shown = nullptr;
    zentra::Size m_shown_size;
    int m_quits = 0;
    bool m_finished = false;
    bool m_keyboard_text;
};

}  // namespace velvane::display
