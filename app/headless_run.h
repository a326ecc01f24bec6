#pragma once
// A run without a screen: the headless presenter under the virtual clock, driven frame by
// frame by an input script, as a person would use the program.

#include <memory>
#include <string>

#include "app/program_options.h"
#include "app/script_player.h"
#include "display/headless_backend.h"
#include "skin/node.h"

namespace velvane {

class HeadlessRun {
public:
    // Frames the program gets to close after the script asked it to, before the run ends it.
    static constexpr int kCloseFrames = 100;

    // Reads and checks the script (when there is one); null with the reason on failure.
    static std::unique_ptr<HeadlessRun> load(const ProgramOptions& options, std::string& error);

    // The back end for the run, wired to the script. Called once.
    std::unique_ptr<display::Backend> make_backend();

    bool failed() const { return m_player.failed(); }
    const std::string& error() const { return m_player.error(); }

private:
    HeadlessRun(const ProgramOptions& options, std::vector<ScriptCommand> commands);
    void on_frame();
    ScriptHooks hooks();

    display::ScreenInfo m_screen;
    uint32_t m_step_ms;
    ScriptPlayer m_player;
    display::HeadlessBackend* m_backend = nullptr;  // owned by the entry while it runs
    int m_close_frames = -1;  // counting down once the script has ended
};

// The node tree of node as dump lines, each child one level deeper; a text node's line ends
// with its text (text="..."), a hidden node's with "hidden".
platform::WString dump_tree(const zentra::Node& node, int depth = 0);

}  // namespace velvane
