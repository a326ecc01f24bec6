#pragma once
// Starts other programs directly (posix_spawnp, no shell), fire-and-forget. Tests replace the
// real start with a recorder so they can check the exact argument vectors.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Receives the argument vector (argv[0] is the program) and reports whether it started.
using LaunchHandler = std::function<bool(const std::vector<std::string>& argv)>;

// Starts argv[0] (searched on PATH) with the given arguments and does not wait; the child is
// reaped in the background. False for an empty vector or when the start fails.
bool launch(const std::vector<std::string>& argv);

// Replaces what launch() does; an empty handler restores the real start. Returns the previous
// handler (empty when the real start was in place).
LaunchHandler set_launch_handler(LaunchHandler handler);

// Splits a configured command into words at blanks and tabs; double quotes group a word.
// No other interpretation: the words never reach a shell.
std::vector<std::string> split_command(std::string_view command);

}  // namespace platform
