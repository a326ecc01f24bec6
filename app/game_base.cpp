#include "app/game_base.h"

#include <algorithm>
#include <cstring>

#include "app/application.h"
#include "core/keys.h"
#include "core/log.h"
#include "core/registry.h"
#include "app/single_instance.h"
#include "platform/case_map.h"
#include "platform/clock.h"
#include "platform/copy_data.h"
#include "platform/window.h"
#include "skin/blender.h"
#include "skin/draw.h"
#include "skin/edit_node.h"
#include "skin/font.h"

namespace velvane {

using platform::WString;
using platform::WStringView;

namespace {

constexpr WStringView kQuorrKey = u"HKEY_CURRENT_USER\\Software\\Quorr";
constexpr WStringView kEmptyCommandLine = u"%CommandLineEmpty%";
// WM_SETTINGCHANGE's settings that move the usable area.
constexpr uintptr_t kSettingReset = 0;
constexpr uintptr_t kSettingWorkArea = 47;   // SPI_SETWORKAREA
constexpr uintptr_t kSettingSipInfo = 224;   // SPI_SETSIPINFO
constexpr uint32_t kContactCreated = 0x8100;
constexpr uint32_t kContactCreatedRemote = 0x8105;
// lParam bit 30: the key was already down (an automatic repeat); bit 31 on the hot key: up.
constexpr intptr_t kPreviousKeyState = intptr_t{1} << 30;
constexpr intptr_t kHotKeyUp = 0x1000;

zentra::Point point_of(intptr_t lparam) {
    return {static_cast<int16_t>(lparam & 0xFFFF), static_cast<int16_t>((lparam >> 16) & 0xFFFF)};
}

// Capitals at the start of the text and of every sentence: the last character, just typed,
// goes up when it is the only one or follows a blank that follows ".", "!" or "?".
bool wants_capital(const WString& text) {
    const size_t n = text.size();
    if (n == 1) {
        return true;
    }
    return n >= 3 && text[n - 2] == u' ' &&
           (text[n - 3] == u'.' || text[n - 3] == u'!' || text[n - 3] == u'?');
}

// Keys that type a character on a keyboard: space, digits, letters and the number pad's digits
// and signs. With an edit bridged they belong to the edit, as they would to a native input,
// and what they type arrives as characters.
bool types_text(int virtual_key) {
    return virtual_key == 32 || (virtual_key >= '0' && virtual_key <= '9') ||
           (virtual_key >= 'A' && virtual_key <= 'Z') ||
           (virtual_key >= 96 && virtual_key <= 111 && virtual_key != 108);
}

bool high_surrogate(char16_t c) { return (c & 0xFC00) == 0xD800; }
bool low_surrogate(char16_t c) { return (c & 0xFC00) == 0xDC00; }

}  // namespace

GameBase::GameBase(Application& application, WStringView name, display::Backend& backend)
    : m_application(application), m_backend(backend) {
    // The base part.
    m_class_name = WString(u"FacettaClass_") + WString(name);
    m_name = WString(name);
    if (s_instance != nullptr) {
        fatal(u"Application::Application", u"instance != 0");
    }
    s_instance = this;
    m_scheduler = std::make_unique<CActiveScheduler>(m_class_name);

    m_last_frame = platform::tick_count();
    m_message_scheduler = std::make_unique<MessageScheduler>();
    uint32_t sip = 0;
    read_dword(kQuorrKey, u"SIPPreference", sip);
    m_sip_preference = sip != 0;

    log() << platform::tick_count() << " GameBase 0\n";
    log() << platform::tick_count() << " GameBase 1\n";
    log() << platform::tick_count() << " GameBase 2\n";
    const bool registered = platform::register_window_class(
        m_class_name, [this](platform::WindowHandle window, uint32_t message, uintptr_t wparam,
                             intptr_t lparam) { return window_proc(window, message, wparam, lparam); });
    if (!registered) {
        // Without a window nothing could ever end the loop: say so and let the caller end.
        log() << "GameBase::GameBase window class not registered\n";
        return;
    }
    log() << platform::tick_count() << " GameBase 3\n";
    m_metrics = read_screen_metrics();
    log() << platform::tick_count() << " GameBase 4\n";
    m_window = platform::create_window(m_class_name, m_name);
    m_message_scheduler->set_window(m_window);
    m_backend.set_main_window(m_window);
    log() << platform::tick_count() << " GameBase 5\n";
    publish_main_window(m_class_name, m_window);
    release_single_instance_mutex();
    platform::set_timer(m_window, kFrameTimerId, kFrameTimerMs);
    m_timer_running = true;
    zentra::EditBridge::set_instance(this);
    // The platform's input panel and its button have no counterpart on a Linux screen.
}

GameBase::~GameBase() {
    withdraw_main_window();
    // The window outlives the loop when the loop was ended by a quit (Exit): it goes here,
    // without reaching the application, which is being torn down.
    m_closing = true;
    if (platform::is_window(m_window)) {
        platform::kill_timer(m_window, kFrameTimerId);
        platform::destroy_window(m_window);
    }
    if (m_edit != nullptr) {
        m_backend.stop_text_input();
    }
    if (zentra::EditBridge::instance() == this) {
        zentra::EditBridge::set_instance(nullptr);
    }
    m_message_scheduler.reset();
    m_display.reset();
    platform::unregister_window_class(m_class_name);
    m_scheduler.reset();
    release_single_instance_mutex();
    s_instance = nullptr;
}

int GameBase::run_message_loop() {
    if (!m_window) {
        return 0;
    }
    for (;;) {
        if (!platform::peek_message(m_msg)) {
            // Nothing waits: a frame when drawing straight to the display, then the pause in
            // which outside input arrives. While resting or inactive the loop only waits.
            end_rest_kept_in_place();
            if (!m_inactive && !m_resting && m_display) {
                frame_step();
            }
            m_backend.pause(10);
            m_backend.pump_input();
            if (m_backend.finished() && platform::is_window(m_window)) {
                platform::destroy_window(m_window);
            }
            continue;
        }
        if (m_msg.message == platform::WM_QUIT) {
            break;
        }
        route(m_msg);
    }
    return static_cast<int>(m_msg.wparam);
}

void GameBase::route(const platform::Message& message) {
    if (!message.window) {
        m_message_scheduler->handle_message(message.message, message.wparam, message.lparam);
        return;
    }
    if (is_line_event(message)) {
        // The call screen must follow the call. No stock phone window takes the focus here,
        // so the rest a placed call began would otherwise hold its states back.
        end_rest();
    }
    if (!hold(message)) {
        platform::dispatch_message(message);
    }
}

bool GameBase::is_line_event(const platform::Message& message) const {
    return message.window && message.window != m_window && message.window != m_scheduler->window();
}

void GameBase::end_rest() {
    if (m_resting) {
        m_resting = false;
        m_application.request_redraw();
    }
}

void GameBase::hold_document_messages() {
    m_holding = true;
}

bool GameBase::hold(const platform::Message& message) {
    if (!m_holding) {
        return false;
    }
    const bool for_document =
        message.window == m_window
            ? message.message == kCommandLineMessage || message.message >= kFirstNotice
            : is_line_event(message);
    if (for_document) {
        m_held.push_back(message);
    }
    return for_document;
}

void GameBase::dispatch_waiting_messages() {
    platform::Message message;
    while (platform::peek_message(message)) {
        if (message.message == platform::WM_QUIT) {
            platform::post_quit_message(static_cast<int>(message.wparam));
            return;
        }
        route(message);
    }
}

void GameBase::release_document_messages(MessageHandler handler) {
    m_message_handler = std::move(handler);
    m_holding = false;
    // Taken off the queue one at a time: a handler may run a nested loop.
    while (!m_held.empty()) {
        const platform::Message message = m_held.front();
        m_held.pop_front();
        platform::dispatch_message(message);
    }
}

void GameBase::discard_document_messages() {
    m_holding = false;
    m_held.clear();
}

double GameBase::take_elapsed() {
    const uint32_t now = platform::tick_count();
    const double elapsed =
        std::clamp(static_cast<int32_t>(now - m_last_frame) * 0.001, 0.001, 0.1);
    m_last_frame = now;
    return elapsed;
}

void GameBase::frame_step() {
    double elapsed = take_elapsed();
    if (m_recorder.recording()) {
        elapsed = ScreenRecorder::kFrameSeconds;
        if (m_display) {
            m_recorder.record_frame(m_display->back_buffer());
        }
    }
    m_application.advance(elapsed);
    if (m_application.redraw_needed() && m_display && m_display->begin_frame()) {
        m_application.render_frame(m_display->back_buffer());
        m_display->present(0);
        if (m_recorder.recording()) {
            m_application.request_redraw();
        }
    }
}

void GameBase::on_timer_frame() {
    end_rest_kept_in_place();
    if (m_inactive || m_resting || m_display) {
        return;
    }
    m_application.advance(take_elapsed());
    // Invalidating the window: one paint message, however many frames come before it.
    if (!m_paint_pending) {
        m_paint_pending = true;
        platform::post_message(m_window, platform::WM_PAINT);
    }
}

void GameBase::on_paint() {
    m_paint_pending = false;
    const zentra::ScreenMetrics metrics = m_application.screen_metrics();
    m_paint_surface.recreate(metrics.width, metrics.height);
    if (m_paint_surface.empty()) {
        return;
    }
    m_application.render_frame(m_paint_surface);
    m_backend.paint(m_paint_surface);
}

void GameBase::set_input_captured(bool captured) {
    // The handheld's direct key input has nothing to open or close here: keys always come
    // through the window.
    m_input_captured = captured;
}

void GameBase::create_display() {
    const display::ScreenInfo screen = m_backend.screen();
    m_params.width = screen.width;
    m_params.height = screen.height;
    m_display = m_backend.create_display(m_params);
    if (!m_display) {
        log() << "GameBase::create_display failed\n";
    }
}

void GameBase::set_windowed(bool show_task_bar) {
    m_windowed = true;
    m_show_task_bar = show_task_bar;
    m_application.request_redraw();
    m_display.reset();
    platform::set_timer(m_window, kFrameTimerId, kFrameTimerMs);
    m_timer_running = true;
    apply_layout();
}

void GameBase::set_fullscreen(int orientation) {
    if (orientation == m_params.orientation && !m_windowed && m_display) {
        return;
    }
    m_params.orientation = orientation;
    m_windowed = false;
    m_display.reset();
    m_application.request_redraw();
    create_display();
    platform::kill_timer(m_window, kFrameTimerId);
    m_timer_running = false;
    apply_layout();
}

void GameBase::rest_frames() {
    m_resting = true;
    m_rest_start = platform::tick_count();
}

void GameBase::end_rest_kept_in_place() {
    // Another program that really takes the window's place deactivates it, and then only the
    // activation brings the frames back. One that never came (a help page that opened
    // elsewhere, a program that failed) must not leave the screen frozen until the next input.
    const auto rested = static_cast<int32_t>(platform::tick_count() - m_rest_start);
    if (m_resting && !m_inactive && rested >= static_cast<int32_t>(kRestKeptInPlaceMs)) {
        m_resting = false;
        m_application.request_redraw();
    }
}

void GameBase::release_screen() {
    set_windowed(true);
    // A desktop may open a dialog of another program behind the window that has the focus.
    m_backend.minimize();
}

void GameBase::take_screen_back(int orientation) {
    set_fullscreen(orientation);
    bring_to_front();
}

void GameBase::minimize_to_shell() {
    m_backend.minimize();
}

void GameBase::bring_to_front() {
    log() << "GameBase::bring_to_front 1\n";
    if (!platform::is_window(m_window)) {
        return;
    }
    log() << "GameBase::bring_to_front 2\n";
    // In front again, the program is what the user sees: whatever it rested for is over.
    end_rest();
    // The desktop's window manager decides the foreground; one raise is all we may ask.
    m_backend.raise();
    apply_layout();
}

zentra::ScreenMetrics GameBase::read_screen_metrics() const {
    const display::ScreenInfo screen = m_backend.screen();
    zentra::ScreenMetrics metrics;
    metrics.width = screen.width;
    metrics.height = screen.height;
    metrics.orientation = screen.orientation;
    metrics.dpi_y = screen.dpi_y;
    return metrics;
}

void GameBase::apply_layout() {
    // No task bar, menu bar or input panel shares the window here: in every mode the usable
    // area is the whole window.
    const zentra::ScreenMetrics metrics = read_screen_metrics();
    m_area = {0, 0, metrics.width, metrics.height};
    m_metrics = metrics;
}

void GameBase::on_key_message(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    m_resting = false;
    const bool down = message == platform::WM_KEYDOWN;
    const int virtual_key = static_cast<int>(wparam);
    zentra::KeyEvent event;
    event.key = key_from_virtual_key(virtual_key);
    event.down = down;
    event.first = down ? (lparam & kPreviousKeyState) == 0 : true;
    log() << (down ? "WM_KEYDOWN = " : "WM_KEYUP = ") << virtual_key << "(" << key_name(event.key)
          << ")" << " lParam=" << lparam << " ticks=" << platform::tick_count() << "\n";
    if (m_edit != nullptr) {
        // A bridged edit takes the erasing key, Enter where it has lines, and the keys that
        // type, as the text input's own.
        if (virtual_key == 8) {
            if (down && !m_edit_text.empty()) {
                WString text = m_edit_text;
                const bool pair = text.size() >= 2 && low_surrogate(text.back());
                text.resize(text.size() - (pair ? 2 : 1));
                edit_typed(std::move(text));
            }
            return;
        }
        if (virtual_key == 13 && m_edit->wrap()) {
            if (down) {
                edit_typed(m_edit_text + u'\n');
            }
            return;
        }
        if (types_text(virtual_key)) {
            return;
        }
    }
    ApplicationListener* listener = m_application.listener();
    if (listener == nullptr || !listener->on_key(event)) {
        m_application.on_key(event);
    }
}

void GameBase::on_hot_key(uintptr_t /*wparam*/, intptr_t lparam) {
    m_resting = false;
    const int virtual_key = static_cast<int>((lparam >> 16) & 0xFFFF);
    zentra::KeyEvent event;
    event.key = key_from_virtual_key(virtual_key);
    event.down = (lparam & kHotKeyUp) == 0;
    event.first = true;
    log() << "WM_HOTKEY = " << virtual_key << "(" << key_name(event.key) << ")"
          << " lParam=" << lparam << " ticks=" << platform::tick_count() << "\n";
    m_application.on_key(event);
}

void GameBase::on_char(uintptr_t wparam, intptr_t lparam) {
    const char16_t c = static_cast<char16_t>(wparam);
    log() << "WM_CHAR=" << WString(1, c) << " lParam=" << lparam
          << " ticks=" << platform::tick_count() << "\n";
    // What is typed ends the composition it was made in.
    set_composition({}, 0);
    // A character outside the 16-bit range comes in two halves and is handed on whole; a half
    // without its partner is no text.
    if (high_surrogate(c)) {
        m_high_surrogate = c;
        return;
    }
    const char16_t first = m_high_surrogate;
    m_high_surrogate = 0;
    if (low_surrogate(c)) {
        if (first != 0) {
            const char16_t pair[2] = {first, c};
            deliver_text(WStringView(pair, 2));
        }
        return;
    }
    if (m_edit != nullptr && (c == u'\r' || c == u'\n')) {
        // Line breaks only where the edit has lines.
        if (m_edit->wrap()) {
            edit_typed(m_edit_text + u'\n');
        }
        return;
    }
    if (c >= 32) {
        deliver_text(WStringView(&c, 1));
    }
}

void GameBase::deliver_text(WStringView text) {
    if (m_edit != nullptr) {
        edit_typed(m_edit_text + WString(text));
    } else {
        m_application.on_text(text);
    }
}

void GameBase::set_composition(WString text, size_t caret) {
    caret = std::min(caret, text.size());
    if (text == m_composition && caret == m_composition_caret) {
        return;
    }
    m_composition = std::move(text);
    m_composition_caret = caret;
    m_application.request_redraw();
}

void GameBase::paint_composition(zentra::RenderSurface& target) const {
    if (m_composition.empty() || target.empty()) {
        return;
    }
    // The edit's own font; for the form, one that reads well on this screen.
    std::shared_ptr<const zentra::FontRep> font;
    if (m_edit != nullptr) {
        font = m_edit->font();
    }
    if (font == nullptr) {
        zentra::FontDesc description;
        description.size = std::clamp(target.height() / 32, 10, 48);
        font = zentra::get_font(description);
    }
    const WString shown = m_edit != nullptr && m_edit->is_password()
                              ? WString(m_composition.size(), u'*')
                              : m_composition;
    std::vector<int> extents;
    const zentra::Size text = zentra::measure_text(font.get(), shown, &extents);
    constexpr int kPad = 3;
    const int width = std::min(text.w + 2 * kPad + 1, target.width());
    const int height = std::min(text.h + 2 * kPad, target.height());
    int x = (target.width() - width) / 2;
    int y = target.height() - height;
    if (m_edit != nullptr) {
        x = m_edit->position().x;
        y = m_edit->position().y + m_edit->size().h;
        if (y + height > target.height()) {
            y = m_edit->position().y - height;
        }
    }
    x = std::clamp(x, 0, target.width() - width);
    y = std::clamp(y, 0, target.height() - height);
    const uint16_t ink = zentra::Color{0, 0, 0, 255}.to_565();
    const zentra::Blender& plain = zentra::plain_blender();
    zentra::fill_rect(target, {x, y, width, height}, ink, plain);
    zentra::fill_rect(target, {x + 1, y + 1, width - 2, height - 2},
                      zentra::Color{255, 255, 224, 255}.to_565(), plain);
    zentra::draw_text(font.get(), target, zentra::Color{0, 0, 0, 255}, shown, {x + kPad, y + kPad},
                      {width - 2 * kPad, text.h}, zentra::kAlignLeft, zentra::kAlignTop, true);
    // Underlined, as text not yet typed is shown everywhere, with the caret where it stands.
    const int line = std::min(text.w, width - 2 * kPad);
    zentra::fill_rect(target, {x + kPad, y + kPad + text.h - 1, line, 1}, ink, plain);
    const size_t caret = std::min(m_composition_caret, extents.size());
    const int caret_x = caret == 0 ? 0 : extents[caret - 1];
    zentra::fill_rect(target, {x + kPad + std::min(caret_x, line), y + kPad, 1, text.h}, ink,
                      plain);
}

void GameBase::edit_typed(WString text) {
    if (m_edit != nullptr && m_edit->capitalize() && wants_capital(text)) {
        text.back() = platform::to_upper(text.back());
    }
    m_edit_text = std::move(text);
    if (m_edit != nullptr) {
        m_edit->on_text(m_edit_text);
    }
}

void GameBase::on_copy_data(intptr_t lparam) {
    const auto* copy = reinterpret_cast<const platform::CopyData*>(lparam);
    if (copy == nullptr || copy->tag != 0) {
        return;
    }
    WString text(copy->bytes / 2, u'\0');
    if (!text.empty()) {
        std::memcpy(text.data(), copy->data, text.size() * 2);
    }
    if (text == kEmptyCommandLine) {
        text.clear();
    }
    log() << "GameBase::on_copy_data cmd_line=" << text << "\n";
    m_command_lines.push_back(std::move(text));
    platform::post_message(m_window, kCommandLineMessage);
}

void GameBase::deliver_pointer_up() {
    m_resting = false;
    zentra::PointerEvent event;
    event.x = m_last_up.x;
    event.y = m_last_up.y;
    event.time = m_msg.time;
    event.pressed = false;
    event.cancel = m_last_up.x == kNoPosition && m_last_up.y == kNoPosition;
    m_application.on_pointer(event);
}

void GameBase::on_stylus(uint32_t message, intptr_t lparam) {
    const zentra::Point point = point_of(lparam);
    switch (message) {
        case platform::WM_LBUTTONDOWN: {
            m_last_up = {kNoPosition, kNoPosition};
            m_captured = true;
            m_resting = false;
            zentra::PointerEvent event;
            event.x = point.x;
            event.y = point.y;
            event.time = m_msg.time;
            event.pressed = true;
            if (m_recorder.recording()) {
                m_recorder.on_stylus_down(event);
                event.time = ScreenRecorder::event_time(event.time);
            }
            m_application.on_pointer(event);
            break;
        }
        case platform::WM_MOUSEMOVE:
            m_resting = false;
            m_application.on_pointer_move(point);
            break;
        case platform::WM_LBUTTONUP:
            m_last_up = point;
            if (m_recorder.recording()) {
                m_recorder.on_stylus_up(point.x, point.y);
            }
            // Releasing the capture is what delivers the event.
            if (m_captured) {
                platform::send_message(m_window, platform::WM_CAPTURECHANGED);
            }
            break;
        default:
            break;
    }
}

intptr_t GameBase::window_proc(platform::WindowHandle window, uint32_t message, uintptr_t wparam,
                               intptr_t lparam) {
    if (m_closing) {
        return platform::def_window_proc(window, message, wparam, lparam);
    }
    if (m_message_scheduler) {
        m_message_scheduler->handle_message(message, wparam, lparam);
    }
    switch (message) {
        case platform::WM_CREATE:
            // No menu bar or soft keys to build: F1 and F2 already arrive as keys.
            m_window = window;
            break;
        case platform::WM_DESTROY:
            platform::post_quit_message(0);
            break;
        case platform::WM_ACTIVATE:
            if ((wparam & 0xFFFF) == platform::WA_INACTIVE) {
                m_inactive = true;
                if (ApplicationListener* listener = m_application.listener()) {
                    listener->on_deactivate();
                }
            } else {
                apply_layout();
                m_inactive = false;
                m_resting = false;
                // What was drawn before the pause may be gone from the window.
                m_application.request_redraw();
                if (ApplicationListener* listener = m_application.listener()) {
                    listener->on_activate();
                }
            }
            break;
        case platform::WM_SETTINGCHANGE:
            if (wparam == kSettingReset || wparam == kSettingWorkArea || wparam == kSettingSipInfo) {
                m_application.resolution_changed();
            }
            break;
        case platform::WM_PAINT:
            on_paint();
            break;
        case platform::WM_CLOSE: {
            ApplicationListener* listener = m_application.listener();
            if (listener == nullptr || listener->can_close()) {
                platform::destroy_window(window);
            }
            return 0;
        }
        case platform::WM_COPYDATA:
            on_copy_data(lparam);
            break;
        case kCommandLineMessage:
            if (!m_command_lines.empty()) {
                const WString line = std::move(m_command_lines.front());
                m_command_lines.pop_front();
                if (ApplicationListener* listener = m_application.listener()) {
                    listener->on_command_line(line);
                }
            }
            break;
        case platform::WM_HELP:
            if (ApplicationListener* listener = m_application.listener()) {
                listener->on_help();
            }
            break;
        case platform::WM_KEYDOWN:
        case platform::WM_KEYUP:
            on_key_message(message, wparam, lparam);
            break;
        case platform::WM_HOTKEY:
            on_hot_key(wparam, lparam);
            break;
        case platform::WM_CHAR:
            on_char(wparam, lparam);
            break;
        case display::kCompositionUnit:
            m_composition_units += static_cast<char16_t>(wparam);
            break;
        case display::kComposition:
            set_composition(std::move(m_composition_units), wparam);
            m_composition_units.clear();
            break;
        case platform::WM_LBUTTONDOWN:
        case platform::WM_MOUSEMOVE:
        case platform::WM_LBUTTONUP:
            on_stylus(message, lparam);
            break;
        case platform::WM_CAPTURECHANGED:
            // Only the window that held the capture hears that it lost it.
            if (m_captured) {
                m_captured = false;
                deliver_pointer_up();
            }
            break;
        case platform::WM_TIMER:
            if (wparam == kFrameTimerId) {
                on_timer_frame();
            }
            break;
        case kContactCreated:
        case kContactCreatedRemote:
            log() << "MESSAGE: Contact created\n";
            break;
        default:
            break;
    }
    if (m_message_handler) {
        m_message_handler(message, wparam, lparam);
    }
    return platform::def_window_proc(window, message, wparam, lparam);
}

void GameBase::place_edit() {
    // Node positions are already screen positions.
    m_backend.start_text_input(
        {m_edit->position().x, m_edit->position().y, m_edit->size().w, m_edit->size().h});
}

void GameBase::set_edit_node(zentra::EditNode* edit, bool /*create*/) {
    // Text input rides on the display: nothing of the window system has to draw around the
    // edit, so the display object stays while an edit is bridged.
    // What was being composed for one edit is not typed into another, nor into the form.
    if (edit != m_edit) {
        set_composition({}, 0);
        m_high_surrogate = 0;
    }
    if (edit == nullptr) {
        if (m_edit != nullptr) {
            m_backend.stop_text_input();
            m_edit = nullptr;
            m_edit_text.clear();
        }
        return;
    }
    m_application.request_redraw();
    const bool new_edit = edit != m_edit;
    if (new_edit && m_edit != nullptr) {
        m_backend.stop_text_input();
    }
    m_edit = edit;
    if (new_edit) {
        m_edit_text = edit->get_text();
    }
    place_edit();
}

void GameBase::edit_text_changed(zentra::EditNode& edit) {
    if (&edit == m_edit) {
        m_edit_text = edit.get_text();
    }
}

}  // namespace velvane
