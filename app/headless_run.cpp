#include "app/headless_run.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/application.h"
#include "core/log.h"
#include "platform/messages.h"
#include "platform/phone_engine_control.h"
#include "platform/phone_engine_sim.h"
#include "platform/picture_chooser.h"
#include "skin/richtext_node.h"
#include "skin/text_node.h"

namespace velvane {

platform::WString dump_tree(const zentra::Node& node, int depth) {
    platform::WString text = node.dump_line(depth);
    // What a script checks besides the geometry: the words shown and what is switched off.
    text.pop_back();
    // One line a node: a line break in the text is written as \n.
    const auto quoted = [](platform::WStringView words) {
        platform::WString shown;
        for (char16_t c : words) {
            shown += c == u'\n' ? platform::WString(u"\\n") : platform::WString(1, c);
        }
        return u" text=\"" + shown + u"\"";
    };
    if (const auto* words = dynamic_cast<const zentra::TextNode*>(&node)) {
        text += quoted(words->text());
    } else if (const auto* rich = dynamic_cast<const zentra::RichTextNode*>(&node)) {
        // As drawn: cut where the line has no more room.
        text += quoted(rich->shown_text());
    }
    if (!node.visible()) {
        text += u" hidden";
    }
    text += u"\n";
    for (int i = 0; i < node.child_count(); ++i) {
        text += dump_tree(*node.child(i), depth + 1);
    }
    return text;
}

namespace {

bool write_dump(const std::string& path) {
    const Application* application = Application::get_instance();
    const zentra::Form* form = application != nullptr ? application->top_form() : nullptr;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        return false;
    }
    // An empty stack dumps as an empty file: there is no tree to show.
    if (form != nullptr) {
        out << platform::to_utf8(dump_tree(*form));
    }
    return static_cast<bool>(out.flush());
}

}  // namespace

std::unique_ptr<HeadlessRun> HeadlessRun::load(const ProgramOptions& options, std::string& error) {
    std::vector<ScriptCommand> commands;
    if (!options.script.empty()) {
        std::ifstream in(options.script, std::ios::binary);
        if (!in) {
            error = "cannot read the script " + options.script;
            return nullptr;
        }
        std::stringstream text;
        text << in.rdbuf();
        if (!parse_script(text.str(), commands, error)) {
            error = options.script + ": " + error;
            return nullptr;
        }
    }
    return std::unique_ptr<HeadlessRun>(new HeadlessRun(options, std::move(commands)));
}

HeadlessRun::HeadlessRun(const ProgramOptions& options, std::vector<ScriptCommand> commands)
    : m_screen{options.width, options.height, options.orientation, options.dpi},
      m_step_ms(static_cast<uint32_t>(options.step_ms)),
      m_player(std::move(commands), hooks()) {}

ScriptHooks HeadlessRun::hooks() {
    ScriptHooks hooks;
    hooks.screenshot = [this](const std::string& path) {
        return m_backend != nullptr && m_backend->save_screenshot(path);
    };
    hooks.dump = write_dump;
    hooks.quit = [this] { m_close_frames = kCloseFrames; };
    hooks.choose = [](const std::string& path) {
        platform::set_scripted_choice(platform::from_utf8(path));
    };
    // The phone engine of this process answers, as the phone tool's socket would.
    hooks.phone = [](const std::vector<std::string>& words, std::string& reply) {
        return platform::phone_command(words, reply);
    };
    hooks.print = [](const std::string& text) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
    };
    return hooks;
}

std::unique_ptr<display::Backend> HeadlessRun::make_backend() {
    auto backend = std::make_unique<display::HeadlessBackend>(m_screen, m_step_ms);
    m_backend = backend.get();
    m_backend->set_input_hook([this] { on_frame(); });
    return backend;
}

void HeadlessRun::on_frame() {
    const platform::WindowHandle window = m_backend->main_window();
    // The phone's timed steps follow the frames, as everything else on the virtual clock.
    platform::run_due_phone_steps();
    if (!m_player.done()) {
        m_player.on_frame(window);
        if (m_player.done() && m_close_frames < 0) {
            m_close_frames = kCloseFrames;
        }
    }
    if (m_close_frames < 0) {
        return;
    }
    // Closed as a person closes it; a program that refuses is ended after a while.
    if (m_close_frames == kCloseFrames) {
        platform::post_message(window, platform::WM_CLOSE);
    }
    if (--m_close_frames <= 0) {
        m_backend->finish();
    }
}

}  // namespace velvane
