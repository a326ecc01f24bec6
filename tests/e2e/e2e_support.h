#pragma once
// Whole-program runs for end-to-end tests: the program (or a tool next to it) runs as a child
// process inside a fresh temporary home, with the headless presenter and an input script,
// and is killed when it takes too long. Nothing outside the temporary folder is touched.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "tests/support/eventually.h"

extern char** environ;

namespace e2e {

namespace fs = std::filesystem;

// Where the calendar of every run starts: Monday 2026-01-05, 09:00 UTC.
inline constexpr int64_t kCalendarStartSeconds = 1767603600;

// The folder with the program and its tools.
inline fs::path program_dir() { return fs::path(VELVANE_PROGRAM_DIR); }
inline fs::path program_path() { return program_dir() / "velvane"; }

inline constexpr std::chrono::seconds kTimeout{60};

struct RunResult {
    int exit_code = -1;       // the exit status; 128 + signal when killed by one
    bool timed_out = false;   // killed after the time-out
    bool started = false;     // false when the program could not be started at all
    std::string out;          // standard output
    std::string err;          // standard error
};

inline std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_file(const fs::path& path, std::string_view bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// UTF-16LE (after an optional FF FE) to UTF-8 lines without their line ends; an unpaired
// surrogate becomes U+FFFD.
inline std::vector<std::string> utf16le_lines(std::string_view bytes) {
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        bytes.remove_prefix(2);
    }
    std::u16string units;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                       (static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    const auto put = [](std::string& out, uint32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    };
    std::vector<std::string> lines;
    std::string line;
    bool open = false;
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c == u'\n') {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            lines.push_back(std::move(line));
            line.clear();
            open = false;
            continue;
        }
        put(line, c);
        open = true;
    }
    if (open) {
        lines.push_back(std::move(line));
    }
    return lines;
}

// Files and log lines another process writes are waited for by looking until they are there.
using test_support::eventually;

// A child process started by Home::start; wait() collects it.
struct Child {
    pid_t pid = -1;
    fs::path out_file;
    fs::path err_file;
};

// A fresh temporary root for one test. The children see HOME, TMPDIR, XDG_RUNTIME_DIR,
// XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_DOCUMENTS_DIR inside it and start in it, so relative
// paths in a script land there. The test process's own environment is left alone.
class Home {
public:
    Home() {
        // Short: the runtime folder holds the program's sockets.
        std::string pattern = "/tmp/velvane-e2e-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "mkdtemp failed";
            return;
        }
        m_root = pattern;
        for (const fs::path& folder : {home(), tmp(), config(), data(), documents(), runtime()}) {
            fs::create_directories(folder);
        }
        fs::permissions(runtime(), fs::perms::owner_all, fs::perm_options::replace);
    }
    ~Home() {
        for (Child& child : m_children) {
            if (child.pid > 0) {
                ::kill(child.pid, SIGKILL);
                ::waitpid(child.pid, nullptr, 0);
            }
        }
        if (!m_root.empty() && !::getenv("VELVANE_E2E_KEEP")) {
            std::error_code ignored;
            fs::remove_all(m_root, ignored);
        }
    }
    Home(const Home&) = delete;
    Home& operator=(const Home&) = delete;

    const fs::path& root() const { return m_root; }
    fs::path home() const { return m_root / "home"; }
    fs::path tmp() const { return m_root / "tmp"; }
    fs::path config() const { return m_root / "config"; }
    fs::path data() const { return m_root / "data"; }
    fs::path documents() const { return m_root / "documents"; }
    fs::path runtime() const { return m_root / "run"; }

    // The log file: named after the program file, in the documents folder.
    fs::path log_path() const { return documents() / "velvane.txt"; }
    // The log as UTF-8 lines; empty when there is none.
    std::vector<std::string> log_lines() const { return utf16le_lines(read_file(log_path())); }

    // Adds registry values in export syntax ("[HKEY_CURRENT_USER\\Software\\Quorr]\n"
    // "\"Log\"=dword:00000001\n") to the user's registry file, for the next runs.
    void add_registry(std::string_view sections) {
        m_registry += "\n";
        m_registry += sections;
        write_file(config() / "velvane" / "registry.reg",
                   "Windows Registry Editor Version 5.00\n" + m_registry);
    }
    // The log is off unless the registry switches it on.
    void enable_log() {
        add_registry("[HKEY_CURRENT_USER\\Software\\Quorr]\n\"Log\"=dword:00000001\n");
    }

    // Writes a file below the root and gives its path.
    fs::path write(const fs::path& relative, std::string_view bytes) const {
        const fs::path path = m_root / relative;
        write_file(path, bytes);
        return path;
    }

    // Starts any program with the environment of this home; no shell is involved.
    Child start(const fs::path& program, const std::vector<std::string>& args) {
        Child child;
        const int n = ++m_runs;
        child.out_file = m_root / ("run" + std::to_string(n) + ".out");
        child.err_file = m_root / ("run" + std::to_string(n) + ".err");

        std::vector<std::string> argv_text{program.string()};
        argv_text.insert(argv_text.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : argv_text) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        std::vector<std::string> env_text = environment();
        std::vector<char*> envp;
        for (std::string& entry : env_text) {
            envp.push_back(entry.data());
        }
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        // Files rather than pipes: a second process may run while the test waits on the first.
        posix_spawn_file_actions_addopen(&actions, 1, child.out_file.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, child.err_file.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addchdir_np(&actions, m_root.c_str());
        const int result =
            ::posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (result != 0) {
            ADD_FAILURE() << "cannot start " << program << ": " << std::strerror(result);
            child.pid = -1;
        }
        m_children.push_back(child);
        return child;
    }

    // Waits for a child, killing it after the time-out.
    RunResult wait(Child child, std::chrono::milliseconds timeout = kTimeout) {
        RunResult result;
        if (child.pid <= 0) {
            return result;
        }
        result.started = true;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        int status = 0;
        while (true) {
            const pid_t done = ::waitpid(child.pid, &status, WNOHANG);
            if (done == child.pid) {
                break;
            }
            if (done < 0 && errno != EINTR) {
                status = -1;
                break;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                result.timed_out = true;
                ::kill(child.pid, SIGKILL);
                ::waitpid(child.pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        forget(child.pid);
        if (status >= 0 && WIFEXITED(status)) {
            result.exit_code = WEXITSTATUS(status);
        } else if (status >= 0 && WIFSIGNALED(status)) {
            result.exit_code = 128 + WTERMSIG(status);
        }
        result.out = read_file(child.out_file);
        result.err = read_file(child.err_file);
        return result;
    }

    RunResult run(const fs::path& program, const std::vector<std::string>& args,
                  std::chrono::milliseconds timeout = kTimeout) {
        return wait(start(program, args), timeout);
    }

    // Runs the program headless with the script text; options go before "--script", the
    // program's command line words after it.
    RunResult run_script(std::string_view script, const std::vector<std::string>& options = {},
                         const std::vector<std::string>& command_line = {}) {
        return wait(start_script(script, options, command_line));
    }
    Child start_script(std::string_view script, const std::vector<std::string>& options = {},
                       const std::vector<std::string>& command_line = {}) {
        const fs::path file = write("script" + std::to_string(m_runs + 1) + ".txt", script);
        std::vector<std::string> args{"--headless"};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back("--script");
        args.push_back(file.string());
        if (!command_line.empty()) {
            args.push_back("--");
            args.insert(args.end(), command_line.begin(), command_line.end());
        }
        return start(program_path(), args);
    }

private:
    std::vector<std::string> environment() const {
        static constexpr std::string_view kReplaced[] = {
            "HOME=", "TMPDIR=", "XDG_RUNTIME_DIR=", "XDG_CONFIG_HOME=", "XDG_DATA_HOME=",
            "XDG_DOCUMENTS_DIR=", "XDG_CACHE_HOME=", "XDG_STATE_HOME=",
            // A headless run must never reach a real screen.
            "DISPLAY=", "WAYLAND_DISPLAY=", "VELVANE_CALENDAR_START="};
        std::vector<std::string> env;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string_view text(*entry);
            bool replaced = false;
            for (std::string_view prefix : kReplaced) {
                replaced = replaced || text.starts_with(prefix);
            }
            if (!replaced) {
                env.emplace_back(text);
            }
        }
        env.push_back("HOME=" + home().string());
        env.push_back("TMPDIR=" + tmp().string());
        env.push_back("XDG_RUNTIME_DIR=" + runtime().string());
        env.push_back("XDG_CONFIG_HOME=" + config().string());
        env.push_back("XDG_DATA_HOME=" + data().string());
        env.push_back("XDG_DOCUMENTS_DIR=" + documents().string());
        // Every run shows the same dates and times.
        env.push_back(std::string(platform::kCalendarStartVariable) + "=" +
                      std::to_string(kCalendarStartSeconds));
        return env;
    }
    void forget(pid_t pid) {
        for (Child& child : m_children) {
            if (child.pid == pid) {
                child.pid = -1;
            }
        }
    }

    fs::path m_root;
    std::string m_registry;
    std::vector<Child> m_children;
    int m_runs = 0;
};

}  // namespace e2e
