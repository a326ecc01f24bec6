#include "platform/picture_chooser.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <vector>

extern char** environ;

namespace platform {

namespace {

struct ChooserState {
    std::mutex mutex;
    bool looked = false;
    bool scripted = false;
    std::optional<WString> scripted_answer;
    ChooserKind desktop = ChooserKind::none;
    std::string program;
};

ChooserState& state() {
    static ChooserState s;
    return s;
}

std::string find_on_path(const char* name) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) {
        return {};
    }
    std::string_view rest(path);
    while (true) {
        const size_t colon = rest.find(':');
        std::string folder(rest.substr(0, colon));
        if (!folder.empty()) {
            const std::string candidate = folder + "/" + name;
            struct stat st {};
            if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                ::access(candidate.c_str(), X_OK) == 0) {
                return candidate;
            }
        }
        if (colon == std::string_view::npos) {
            return {};
        }
        rest.remove_prefix(colon + 1);
    }
}

void look_at_desktop(ChooserState& s) {
    if (s.looked) {
        return;
    }
    s.looked = true;
    s.desktop = ChooserKind::none;
    // A chooser without a display to show it on would only fail.
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((x11 == nullptr || *x11 == 0) && (wayland == nullptr || *wayland == 0)) {
        return;
    }
    if (std::string found = find_on_path("zenity"); !found.empty()) {
        s.desktop = ChooserKind::zenity;
        s.program = found;
    } else if (std::string kde = find_on_path("kdialog"); !kde.empty()) {
        s.desktop = ChooserKind::kdialog;
        s.program = kde;
    }
}

// Runs the program with its output on a pipe and gives that output, or nothing when it
// could not start or did not end with success (a cancelled chooser ends with 1).
std::optional<std::string> run_for_output(const std::vector<std::string>& argv) {
    int pipe_ends[2];
    if (::pipe2(pipe_ends, O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe_ends[1]);
    if (rc != 0) {
        ::close(pipe_ends[0]);
        return std::nullopt;
    }
    std::string output;
    char buffer[4096];
    while (true) {
        const ssize_t got = ::read(pipe_ends[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        // A path is short; anything beyond this is not an answer we can use.
        if (output.size() < 65536) {
            output.append(buffer, static_cast<size_t>(got));
        }
    }
    ::close(pipe_ends[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || output.size() >= 65536) {
        return std::nullopt;
    }
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) {
        output.pop_back();
    }
    // Several lines would mean several files; one path has none.
    if (output.empty() || output.find('\n') != std::string::npos) {
        return std::nullopt;
    }
    return output;
}

}  // namespace

ChooserKind picture_chooser_kind() {
    ChooserState& s = state();
    std::lock_guard guard(s.mutex);
    if (s.scripted) {
        return ChooserKind::scripted;
    }
    look_at_desktop(s);
    return s.desktop;
}

std::optional<WString> choose_picture_file(const PictureRequest& request) {
    ChooserState& s = state();
    std::string program;
    ChooserKind kind;
    {
        std::lock_guard guard(s.mutex);
        if (s.scripted) {
            std::optional<WString> answer = std::move(s.scripted_answer);
            s.scripted_answer.reset();
            return answer;
        }
        look_at_desktop(s);
        kind = s.desktop;
        program = s.program;
    }
    // The handheld's "*.*" is every file; on Linux that pattern would skip names without a dot.
    std::string pattern = to_utf8(request.pattern);
    if (pattern.empty() || pattern == "*.*") {
        pattern.assign(1, '*');
    }
    const std::string title = to_utf8(request.title);
    const std::string filter_name = to_utf8(request.filter_name);
    std::vector<std::string> argv;
    if (kind == ChooserKind::zenity) {
        argv = {program, "--file-selection", "--title=" + title,
                "--file-filter=" + filter_name + " | " + pattern};
    } else if (kind == ChooserKind::kdialog) {
        const char* home = std::getenv("HOME");
        argv = {program, "--title", title, "--getopenfilename",
                home != nullptr && *home != 0 ? home : ".", pattern + "|" + filter_name};
    } else {
        return std::nullopt;
    }
    std::optional<std::string> output = run_for_output(argv);
    if (!output) {
        return std::nullopt;
    }
    return from_utf8(*output);
}

void set_scripted_choice(std::optional<WString> path) {
    ChooserState& s = state();
    std::lock_guard guard(s.mutex);
    s.scripted = true;
    s.scripted_answer = std::move(path);
}

void reset_picture_chooser() {
    ChooserState& s = state();
    std::lock_guard guard(s.mutex);
    s.scripted = false;
    s.scripted_answer.reset();
    s.looked = false;
    s.desktop = ChooserKind::none;
    s.program.clear();
}

}  // namespace platform
