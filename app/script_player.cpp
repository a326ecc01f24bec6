#include "app/script_player.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

#include "core/keys.h"
#include "display/display.h"
#include "platform/clock.h"
#include "platform/messages.h"

namespace velvane {

namespace {

// The button state the window system puts into stylus messages while the stylus is down.
constexpr uintptr_t kLeftButton = 0x0001;
// Repeat count 1, first press (previous-state bit 30 clear).
constexpr intptr_t kKeyDownBits = 0x00000001;
// Repeat count 1, previous state down (bit 30), being released (bit 31).
constexpr intptr_t kKeyUpBits = 0xC0000001;

// Each coordinate as a signed 16-bit half, as the window procedure takes them apart.
intptr_t point_param(int x, int y) {
    const uint32_t packed = (static_cast<uint32_t>(x) & 0xFFFF) |
                            ((static_cast<uint32_t>(y) & 0xFFFF) << 16);
    return static_cast<intptr_t>(packed);
}

// The key a keyboard types a character with; 0 for characters typed without a key of their
// own (signs, other scripts).
uintptr_t key_of_character(char16_t c) {
    if (c >= u'a' && c <= u'z') {
        return 'A' + (c - u'a');
    }
    if ((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u' ') {
        return c;
    }
    return 0;
}

// The longest real-time slice a rest waits before it looks again.
constexpr std::chrono::milliseconds kRestSlice{2};

enum class Rest { over, ready, message };

// Waits in real time until the deadline passes or ready() holds, or until a message waits for
// the loop, which then handles it and comes back. Looking at the queue delivers what other
// threads send meanwhile.
template <typename Ready>
Rest rest_until(std::chrono::steady_clock::time_point until, const Ready& ready) {
    platform::Message message;
    for (;;) {
        if (ready()) {
            return Rest::ready;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= until) {
            return Rest::over;
        }
        if (platform::peek_message(message, {}, 0, 0, false)) {
            return Rest::message;
        }
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(until - now, kRestSlice));
    }
}

std::string joined(const std::vector<std::string>& words) {
    std::string out;
    for (const std::string& word : words) {
        if (!out.empty()) {
            out += ' ';
        }
        out += word;
    }
    return out;
}

}  // namespace

ScriptPlayer::ScriptPlayer(std::vector<ScriptCommand> commands, ScriptHooks hooks)
    : m_commands(std::move(commands)), m_hooks(std::move(hooks)) {}

void ScriptPlayer::on_frame(platform::WindowHandle window) {
    if (m_done) {
        return;
    }
    if (m_pending) {
        const Posted second = *m_pending;
        m_pending.reset();
        if (!post(window, m_commands[m_next], second)) {
            return;
        }
        ++m_next;
    }
    while (m_next < m_commands.size()) {
        if (!run(m_commands[m_next], window)) {
            return;
        }
        ++m_next;
    }
    m_done = true;
}

bool ScriptPlayer::run(const ScriptCommand& command, platform::WindowHandle window) {
    using platform::WM_CHAR;
    using platform::WM_KEYDOWN;
    using platform::WM_KEYUP;
    using platform::WM_LBUTTONDOWN;
    using platform::WM_LBUTTONUP;
    using platform::WM_MOUSEMOVE;

    const intptr_t point = point_param(command.x, command.y);
    const auto virtual_key = static_cast<uintptr_t>(virtual_key_of(command.key));
    switch (command.op) {
        case ScriptOp::Tap:
            if (!post(window, command, {WM_LBUTTONDOWN, kLeftButton, point})) {
                return false;
            }
            m_pending = Posted{WM_LBUTTONUP, 0, point};
            return false;
        case ScriptOp::Press:
            m_stylus_down = true;
            return post(window, command, {WM_LBUTTONDOWN, kLeftButton, point});
        case ScriptOp::Move:
            return post(window, command,
                        {WM_MOUSEMOVE, m_stylus_down ? kLeftButton : 0, point});
        case ScriptOp::Release:
            m_stylus_down = false;
            return post(window, command, {WM_LBUTTONUP, 0, point});
        case ScriptOp::Key:
            if (!post(window, command, {WM_KEYDOWN, virtual_key, kKeyDownBits})) {
                return false;
            }
            m_pending = Posted{WM_KEYUP, virtual_key, kKeyUpBits};
            return false;
        case ScriptOp::KeyDown:
            return post(window, command, {WM_KEYDOWN, virtual_key, kKeyDownBits});
        case ScriptOp::KeyUp:
            return post(window, command, {WM_KEYUP, virtual_key, kKeyUpBits});
        case ScriptOp::Text:
            for (const char16_t unit : command.text) {
                if (!post(window, command, {WM_CHAR, unit, kKeyDownBits})) {
                    return false;
                }
            }
            return true;
        case ScriptOp::Type:
            // Each character as the window brings it: its key's press, the character (both
            // halves of one beyond 16 bits), the release.
            for (size_t i = 0; i < command.text.size(); ++i) {
                const char16_t unit = command.text[i];
                const uintptr_t key = key_of_character(unit);
                const bool pair = (unit & 0xFC00) == 0xD800 && i + 1 < command.text.size();
                if (key != 0 && !post(window, command, {WM_KEYDOWN, key, kKeyDownBits})) {
                    return false;
                }
                if (!post(window, command, {WM_CHAR, unit, kKeyDownBits}) ||
                    (pair && !post(window, command, {WM_CHAR, command.text[++i], kKeyDownBits}))) {
                    return false;
                }
                if (key != 0 && !post(window, command, {WM_KEYUP, key, kKeyUpBits})) {
                    return false;
                }
            }
            return true;
        case ScriptOp::Compose:
            for (const char16_t unit : command.text) {
                if (!post(window, command, {display::kCompositionUnit, unit, 0})) {
                    return false;
                }
            }
            return post(window, command, {display::kComposition, command.text.size(), 0});
        case ScriptOp::Frames:
            if (!m_started) {
                m_started = true;
                m_frames_left = command.frames;
                return false;
            }
            if (--m_frames_left > 0) {
                return false;
            }
            m_started = false;
            return true;
        case ScriptOp::Wait: {
            const uint32_t now = platform::tick_count();
            if (!m_started) {
                m_started = true;
                m_wait_until = now + static_cast<uint32_t>(std::llround(command.seconds * 1000));
            }
            if (platform::ticks_until(m_wait_until, now) > 0) {
                return false;
            }
            m_started = false;
            return true;
        }
        case ScriptOp::Sleep:
        case ScriptOp::Await:
            return rest(command);
        case ScriptOp::Screenshot:
            if (!m_hooks.screenshot) {
                return fail(command, "screenshot is not supported here: " + command.path);
            }
            return m_hooks.screenshot(command.path) ||
                   fail(command, "screenshot failed: " + command.path);
        case ScriptOp::Dump:
            if (!m_hooks.dump) {
                return fail(command, "dump is not supported here: " + command.path);
            }
            return m_hooks.dump(command.path) || fail(command, "dump failed: " + command.path);
        case ScriptOp::Choose:
            if (!m_hooks.choose) {
                return fail(command, "choose is not supported here: " + command.path);
            }
            m_hooks.choose(command.path);
            return true;
        case ScriptOp::Phone: {
            if (!m_hooks.phone) {
                return fail(command, "phone is not supported here: " + joined(command.words));
            }
            std::string reply;
            if (m_hooks.phone(command.words, reply)) {
                if (m_hooks.print && !reply.empty()) {
                    m_hooks.print(reply.back() == '\n' ? reply : reply + '\n');
                }
                return true;
            }
            std::string what = "phone failed: " + joined(command.words);
            if (!reply.empty()) {
                what += ": " + reply;
            }
            return fail(command, what);
        }
        case ScriptOp::Quit:
            if (!m_hooks.quit) {
                return fail(command, "quit is not supported here: " + command.source);
            }
            m_hooks.quit();
            m_done = true;
            return false;
    }
    return fail(command, "unknown command: " + command.source);
}

bool ScriptPlayer::rest(const ScriptCommand& command) {
    using std::chrono::steady_clock;
    if (!m_started) {
        m_started = true;
        m_real_until = steady_clock::now() + std::chrono::duration_cast<steady_clock::duration>(
                                                 std::chrono::duration<double>(command.seconds));
    }
    const bool await = command.op == ScriptOp::Await;
    const auto arrived = [&] {
        std::error_code ignored;
        return await && std::filesystem::exists(command.path, ignored);
    };
    switch (rest_until(m_real_until, arrived)) {
        case Rest::message:
            return false;
        case Rest::over:
            if (await) {
                return fail(command, "nothing came: " + command.path);
            }
            break;
        case Rest::ready:
            break;
    }
    m_started = false;
    return true;
}

bool ScriptPlayer::post(platform::WindowHandle window, const ScriptCommand& command,
                        Posted message) {
    if (platform::post_message(window, message.message, message.wparam, message.lparam)) {
        return true;
    }
    return fail(command, "the window is gone: " + command.source);
}

bool ScriptPlayer::fail(const ScriptCommand& command, const std::string& what) {
    m_error = "line " + std::to_string(command.line) + ": " + what;
    m_done = true;
    m_pending.reset();
    return false;
}

}  // namespace velvane
