#pragma once
// The options of our own that the Linux program takes before the command line the handheld
// shell would have passed ("contacts", "open:+4930...").

#include <string>

#include "platform/ustring.h"

namespace velvane {

struct ProgramOptions {
    static constexpr int kMinSize = 64, kMaxSize = 8192;
    static constexpr int kMinDpi = 48, kMaxDpi = 960;
    static constexpr int kMinStep = 1, kMaxStep = 1000;

    bool help = false;
    // No window: the headless presenter and the virtual clock.
    bool headless = false;
    // The input script to play (absolute, UTF-8); empty for none. Needs headless.
    std::string script;
    // Virtual milliseconds one frame advances the clock by in a headless run.
    int step_ms = 20;
    int width = 480;
    int height = 800;
    int dpi = 192;
    int orientation = 0;
    // Everything that is not an option, joined with single blanks.
    platform::WString command_line;
};

// Takes the options out of argv (argv[0] is the program) and leaves the rest as the command
// line. A literal "--" ends the options. False with a message that names the option.
bool parse_program_options(int argc, const char* const argv[], ProgramOptions& options,
                           std::string& error);

// Short help for --help and for option errors.
std::string program_usage();

}  // namespace velvane
