#pragma once
// Plays an input script into the main window, frame by frame, as the window system would
// deliver a person's taps and keys.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/input_script.h"
#include "platform/message_ids.h"
#include "platform/window.h"

namespace velvane {

// What the program does for the commands that are not input. A hook that is missing when its
// command comes, or that answers false, stops the run.
struct ScriptHooks {
    std::function<bool(const std::string& path)> screenshot;
    std::function<bool(const std::string& path)> dump;
    // The answer the next picture-chooser request gets.
    std::function<void(const std::string& path)> choose;
    // A phone engine command; reply is what the engine answered (shown when it fails).
    std::function<bool(const std::vector<std::string>& words, std::string& reply)> phone;
    // Where the phone's replies go when it took a command, as the phone tool prints them.
    std::function<void(const std::string& text)> print;
    std::function<void()> quit;
};

class ScriptPlayer {
public:
    ScriptPlayer(std::vector<ScriptCommand> commands, ScriptHooks hooks);

    // Called once per frame of the program's loop, also while it rests, before the frame is
    // drawn. Runs commands in order until one needs time (a frame, a wait) or the script ends.
    // A sleep or an await waits here in real time, but hands back to the loop as soon as a
    // message waits in the queue, and messages sent from other threads (a second start's
    // hand-over) reach their windows meanwhile: the program stays alive while it waits.
    void on_frame(platform::WindowHandle window);

    // Nothing more will run: the script ended, quit ran, or a command failed.
    bool done() const { return m_done; }
    bool failed() const { return !m_error.empty(); }
    // "line N: <what failed>: <detail>"; empty unless failed.
    const std::string& error() const { return m_error; }

private:
    struct Posted {
        uint32_t message;
        uintptr_t wparam;
        intptr_t lparam;
    };

    // Runs the command at m_next; false when the script must stop for this frame.
    bool run(const ScriptCommand& command, platform::WindowHandle window);
    // Sleep and await: true once the command is over.
    bool rest(const ScriptCommand& command);
    bool post(platform::WindowHandle window, const ScriptCommand& command, Posted message);
    bool fail(const ScriptCommand& command, const std::string& what);

    std::vector<ScriptCommand> m_commands;
    ScriptHooks m_hooks;
    size_t m_next = 0;
    // The second half of a tap or a key, posted on the frame after the first.
    std::optional<Posted> m_pending;
    // The command at m_next has begun and waits: frames still to let pass, the tick at which
    // a wait ends, or the real time at which a sleep or an await ends.
    bool m_started = false;
    int m_frames_left = 0;
    uint32_t m_wait_until = 0;
    std::chrono::steady_clock::time_point m_real_until;
    // The stylus is down (after press, before release): moves then carry the button state.
    bool m_stylus_down = false;
    bool m_done = false;
    std::string m_error;
};

}  // namespace velvane
