// velvane: the program's main. Takes the program's own options out of the command line, picks
// the display back end and hands the rest to the entry as the command line.

#include <cstdio>
#include <memory>
#include <string>

#include "app/entry.h"
#include "app/headless_run.h"
#include "app/program_options.h"
#include "display/sdl_backend.h"
#include "platform/clock.h"
#include "program/startup.h"

int main(int argc, char** argv) {
    velvane::ProgramOptions options;
    std::string error;
    if (!velvane::parse_program_options(argc, argv, options, error)) {
        std::fprintf(stderr, "velvane: %s\n%s", error.c_str(), velvane::program_usage().c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(velvane::program_usage().c_str(), stdout);
        return 0;
    }

    velvane::BackendFactory make_backend;
    std::unique_ptr<velvane::HeadlessRun> run;
    bool needs_script = false;
    if (options.headless) {
        run = velvane::HeadlessRun::load(options, error);
        if (!run) {
            std::fprintf(stderr, "velvane: %s\n", error.c_str());
            return 2;
        }
        platform::use_virtual_clock(true);
        platform::drive_virtual_clock_from_this_thread(true);
        make_backend = [&run, &options, &needs_script]() -> std::unique_ptr<velvane::display::Backend> {
            // Without a script nothing would drive the run: only a hand-over to a running
            // copy, which never gets here, makes sense.
            if (options.script.empty()) {
                needs_script = true;
                std::fputs("velvane: --headless needs --script FILE, the input script that "
                           "drives the run; without one it only hands its command line to a "
                           "running copy, and none runs\n",
                           stderr);
                return nullptr;
            }
            return run->make_backend();
        };
    } else {
        make_backend = [&options]() -> std::unique_ptr<velvane::display::Backend> {
            std::string why;
            const velvane::display::ScreenInfo screen{options.width, options.height,
                                                      options.orientation, options.dpi};
            auto backend = velvane::display::SdlBackend::open(screen, why);
            if (!backend) {
                std::fprintf(stderr,
                             "velvane: no display to open (%s); run without one with "
                             "--headless --script FILE\n",
                             why.c_str());
            }
            return backend;
        };
    }

    const int result =
        velvane::win_main(options.command_line, make_backend, velvane::program_startup());
    if (needs_script) {
        return 2;
    }
    if (run && run->failed()) {
        std::fprintf(stderr, "velvane: %s\n", run->error().c_str());
        return 1;
    }
    return result;
}
