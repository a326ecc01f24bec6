#include "display/sdl_backend.h"

#include <algorithm>
#include <cstdio>

#include "core/log.h"
#include "platform/messages.h"

namespace velvane::display {

namespace {

constexpr int kLargestSide = 16384;

}  // namespace

class SdlDisplay final : public Display {
public:
    SdlDisplay(SdlBackend* backend, SDL_Texture* texture, int width, int height)
        : m_backend(backend), m_texture(texture) {
        m_surface.recreate(width, height);
    }
    ~SdlDisplay() override {
        if (m_backend) {
            m_backend->forget(this);
            SDL_DestroyTexture(m_texture);
        }
    }

    bool begin_frame() override {
        if (!m_backend || m_backend->hidden())
            return false;
        const ScreenInfo screen = m_backend->screen();
        if (screen.width != m_surface.width() || screen.height != m_surface.height())
            follow_screen(screen.width, screen.height);
        return m_texture && !m_surface.empty();
    }
    zentra::RenderSurface& back_buffer() override { return m_surface; }

    void present(int) override {
        const zentra::Bitmap* bitmap = m_surface.bitmap();
        if (!m_backend || !m_texture || !bitmap || bitmap->empty())
            return;
        if (!fits(*bitmap)) {
            log() << "SdlDisplay::present back buffer no longer fits its texture\n";
            return;
        }
        if (SDL_UpdateTexture(m_texture, nullptr, bitmap->row(0), bitmap->stride()) != 0) {
            log() << "SdlDisplay::present " << SDL_GetError() << "\n";
            return;
        }
        m_backend->show(m_texture);
    }

    SDL_Texture* texture() const { return m_texture; }
    bool empty() const { return m_surface.empty(); }
    // The renderer and its textures die with the back end.
    void detach() {
        m_backend = nullptr;
        m_texture = nullptr;
    }

private:
    void follow_screen(int width, int height) {
        log() << "SdlDisplay::begin_frame the screen is now " << width << "x" << height << "\n";
        m_backend->forget_texture(m_texture);
        SDL_DestroyTexture(m_texture);
        m_texture = m_backend->make_texture(width, height);
        m_surface.recreate(width, height);
    }

    bool fits(const zentra::Bitmap& bitmap) const {
        int w = 0, h = 0;
        SDL_QueryTexture(m_texture, nullptr, nullptr, &w, &h);
        return bitmap.width() == w && bitmap.height() == h;
    }

    SdlBackend* m_backend;
    SDL_Texture* m_texture;
    zentra::RenderSurface m_surface;
};

std::unique_ptr<SdlBackend> SdlBackend::open(const ScreenInfo& wanted, std::string& error) {
    if (wanted.width <= 0 || wanted.height <= 0 || wanted.width > kLargestSide ||
        wanted.height > kLargestSide) {
        error = "screen size " + std::to_string(wanted.width) + "x" +
                std::to_string(wanted.height) + " is out of range";
        return nullptr;
    }
    if (wanted.orientation < 0 || wanted.orientation > 3) {
        error = "orientation " + std::to_string(wanted.orientation) + " is not 0-3";
        return nullptr;
    }
    // The program asks whether to close; the window manager's close must not end SDL itself.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // An address book is no game: keep the screen saver and the compositor.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    // The first tap on an inactive window is a tap, as on a phone.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // A composition longer than an event's little buffer still comes whole, and the input
    // method shows its candidates itself.
    SDL_SetHint(SDL_HINT_IME_SUPPORT_EXTENDED_TEXT, "1");
    SDL_SetHint(SDL_HINT_IME_SHOW_UI, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error = std::string("no display: ") + SDL_GetError();
        return nullptr;
    }
    // Without a screen SDL falls back to drivers that show nothing; only a user who asks for
    // one by name gets it.
    const std::string driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if ((driver == "offscreen" || driver == "dummy") && (asked == nullptr || driver != asked)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        error = "no display: DISPLAY and WAYLAND_DISPLAY lead nowhere";
        return nullptr;
    }
    const bool turned = wanted.orientation & 1;
    SDL_Window* window =
        SDL_CreateWindow("Velvane", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                         turned ? wanted.height : wanted.width,
                         turned ? wanted.width : wanted.height, SDL_WINDOW_RESIZABLE);
    if (!window) {
        error = std::string("cannot open a window: ") + SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, 0);
    if (!renderer) {
        error = std::string("cannot draw into the window: ") + SDL_GetError();
        SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    // With a keyboard, typed text is always wanted: the main screen's search takes it when
    // no edit does. Where the only keyboard is one drawn on the screen, text input raises it,
    // so it is on only for an edit.
    const bool keyboard = !SDL_HasScreenKeyboardSupport();
    if (keyboard)
        SDL_StartTextInput();
    else
        SDL_StopTextInput();
    return std::unique_ptr<SdlBackend>(new SdlBackend(window, renderer, wanted, keyboard));
}

SdlBackend::SdlBackend(SDL_Window* window, SDL_Renderer* renderer, const ScreenInfo& wanted,
                       bool keyboard)
    : m_window(window), m_renderer(renderer), m_wanted(wanted), m_keyboard_text(keyboard) {}

SdlBackend::~SdlBackend() {
    for (SdlDisplay* display : m_displays)
        display->detach();
    SDL_DestroyTexture(m_paint_texture);
    SDL_DestroyRenderer(m_renderer);
    SDL_DestroyWindow(m_window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

ScreenInfo SdlBackend::screen() const {
    int w = 0, h = 0;
    SDL_GetWindowSize(m_window, &w, &h);
    ScreenInfo info = m_wanted;
    const bool turned = info.orientation & 1;
    info.width = turned ? h : w;
    info.height = turned ? w : h;
    return info;
}

std::unique_ptr<Display> SdlBackend::create_display(DisplayParams& params) {
    const ScreenInfo info = screen();
    if (info.width <= 0 || info.height <= 0) {
        log() << "SdlBackend::create_display the window has no size\n";
        return nullptr;
    }
    SDL_Texture* texture = make_texture(info.width, info.height);
    if (!texture)
        return nullptr;
    auto display = std::make_unique<SdlDisplay>(this, texture, info.width, info.height);
    if (display->empty()) {
        log() << "SdlBackend::create_display out of memory\n";
        return nullptr;  // the display's destructor frees the texture
    }
    params.width = info.width;
    params.height = info.height;
    params.orientation = info.orientation;
    if (params.swap_effect == 0)
        params.swap_effect = 1;
    m_displays.push_back(display.get());
    return display;
}

void SdlBackend::set_main_window(platform::WindowHandle window) {
    m_main_window = window;
}

TranslateState SdlBackend::current_state() const {
    TranslateState state = m_pointer;
    state.window = m_main_window;
    state.orientation = m_wanted.orientation;
    SDL_GetWindowSize(m_window, &state.window_width, &state.window_height);
    // Pointer positions belong to the picture on show, which may predate a resize.
    if (m_shown) {
        state.draw_width = m_shown_size.w;
        state.draw_height = m_shown_size.h;
    } else {
        const ScreenInfo info = screen();
        state.draw_width = info.width;
        state.draw_height = info.height;
    }
    return state;
}

void SdlBackend::pump_input() {
    using Pointer = TranslateState::Pointer;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        const std::vector<platform::Message> messages = translate_event(event, current_state());
        if (event.type == SDL_TEXTEDITING_EXT)
            SDL_free(event.editExt.text);
        const Pointer before = m_pointer.pointer;
        follow_event(event, m_pointer);
        // Hold on to the mouse so that a release outside the window still arrives.
        if (before != Pointer::Mouse && m_pointer.pointer == Pointer::Mouse)
            SDL_CaptureMouse(SDL_TRUE);
        else if (before == Pointer::Mouse && m_pointer.pointer != Pointer::Mouse)
            SDL_CaptureMouse(SDL_FALSE);

        // A quit from the session (SIGINT, SIGTERM) asks the program to close; if it is asked
        // again, or there is nobody to ask yet, the run ends regardless.
        if (event.type == SDL_QUIT && (!m_main_window || ++m_quits > 1))
            m_finished = true;
        if (event.type == SDL_WINDOWEVENT && (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
                                              event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED))
            show_again();
        if (!m_main_window)
            continue;
        for (const platform::Message& message : messages)
            platform::post_message(m_main_window, message.message, message.wparam, message.lparam);
    }
}

void SdlBackend::pause(uint32_t ms) {
    SDL_WaitEventTimeout(nullptr, static_cast<int>(std::min<uint32_t>(ms, 0x7FFFFFFF)));
}

void SdlBackend::start_text_input(const Area& area) {
    const Area shown = program_to_window(area, current_state());
    SDL_Rect rect{shown.x, shown.y, shown.w, shown.h};
    SDL_SetTextInputRect(&rect);
    SDL_StartTextInput();
}

void SdlBackend::stop_text_input() {
    // Stopping also drops a composition the edit's input method still held.
    SDL_StopTextInput();
    if (m_keyboard_text)
        SDL_StartTextInput();
}

void SdlBackend::minimize() {
    SDL_MinimizeWindow(m_window);
}

void SdlBackend::raise() {
    SDL_RestoreWindow(m_window);
    SDL_RaiseWindow(m_window);
}

void SdlBackend::message_box(platform::WStringView caption, platform::WStringView text) {
    const std::string caption8 = platform::to_utf8(caption);
    const std::string text8 = platform::to_utf8(text);
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption8.c_str(), text8.c_str(),
                                 m_window) == 0)
        return;
    log() << "SdlBackend::message_box no box: " << SDL_GetError() << "\n";
    platform::WString line(caption);
    line += u": ";
    line += text;
    log() << line << "\n";
    std::fprintf(stderr, "%s: %s\n", caption8.c_str(), text8.c_str());
}

void SdlBackend::paint(zentra::RenderSurface& picture) {
    const zentra::Bitmap* bitmap = picture.bitmap();
    if (!bitmap || bitmap->empty())
        return;
    int w = 0, h = 0;
    if (m_paint_texture)
        SDL_QueryTexture(m_paint_texture, nullptr, nullptr, &w, &h);
    if (w != bitmap->width() || h != bitmap->height()) {
        forget_texture(m_paint_texture);
        SDL_DestroyTexture(m_paint_texture);
        m_paint_texture = make_texture(bitmap->width(), bitmap->height());
        if (!m_paint_texture)
            return;
    }
    if (SDL_UpdateTexture(m_paint_texture, nullptr, bitmap->row(0), bitmap->stride()) != 0) {
        log() << "SdlBackend::paint " << SDL_GetError() << "\n";
        return;
    }
    show(m_paint_texture);
}

SDL_Texture* SdlBackend::make_texture(int width, int height) {
    if (width <= 0 || height <= 0)
        return nullptr;
    SDL_Texture* texture = SDL_CreateTexture(m_renderer, SDL_PIXELFORMAT_RGB565,
                                             SDL_TEXTUREACCESS_STREAMING, width, height);
    if (!texture)
        log() << "SdlBackend::make_texture " << SDL_GetError() << "\n";
    return texture;
}

void SdlBackend::forget_texture(SDL_Texture* texture) {
    if (texture && texture == m_shown)
        m_shown = nullptr;
}

void SdlBackend::show(SDL_Texture* texture) {
    m_shown = texture;
    SDL_QueryTexture(texture, nullptr, nullptr, &m_shown_size.w, &m_shown_size.h);
    int out_w = 0, out_h = 0;
    if (SDL_GetRendererOutputSize(m_renderer, &out_w, &out_h) != 0)
        return;
    SDL_SetRenderDrawColor(m_renderer, 0, 0, 0, 255);
    SDL_RenderClear(m_renderer);
    // The rectangle is turned about its centre, so a quarter turn needs it standing the other
    // way round to come out filling the window.
    SDL_Rect target{0, 0, out_w, out_h};
    const int orientation = m_wanted.orientation & 3;
    if (orientation & 1)
        target = {(out_w - out_h) / 2, (out_h - out_w) / 2, out_h, out_w};
    SDL_RenderCopyEx(m_renderer, texture, nullptr, &target, 90.0 * orientation, nullptr,
                     SDL_FLIP_NONE);
    SDL_RenderPresent(m_renderer);
}

void SdlBackend::show_again() {
    if (m_shown)
        show(m_shown);
}

bool SdlBackend::hidden() const {
    return (SDL_GetWindowFlags(m_window) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)) != 0;
}

void SdlBackend::forget(SdlDisplay* display) {
    forget_texture(display->texture());
    std::erase(m_displays, display);
}

}  // namespace velvane::display
