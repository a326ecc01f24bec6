// velvane-phone as a person uses it: a separate process talking to the engine of a running
// program (here this test, which plays the program).

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/phone_engine_control.h"
#include "platform/phone_engine_sim.h"
#include "tests/support/temp_home.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out;
};

Outcome run_tool(const std::string& arguments) {
    const fs::path program = fs::path(VELVANE_PROGRAM_DIR) / "velvane-phone";
    const std::string command = "'" + program.string() + "' " + arguments + " 2>&1";
    Outcome outcome;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return outcome;
    }
    char buffer[256];
    while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr) {
        outcome.out += buffer;
    }
    const int raw = ::pclose(pipe);
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return outcome;
}

TEST(PhoneTool, DrivesTheRunningProgramsPhone) {
    ASSERT_TRUE(fs::exists(fs::path(VELVANE_PROGRAM_DIR) / "velvane-phone"));
    test_support::TempHome home;
    Outcome outcome = run_tool("status");
    EXPECT_EQ(outcome.status, 3) << outcome.out;
    EXPECT_NE(outcome.out.find("no phone engine"), std::string::npos);

    std::string error;
    auto engine = platform::start_simulated_phone(error);
    ASSERT_TRUE(error.empty()) << error;
    outcome = run_tool("ring 0301234 --name 'Anna Berg'");
    EXPECT_EQ(outcome.status, 0) << outcome.out;
    EXPECT_NE(engine->status().find("incoming 0301234 OFFERING name=Anna Berg"), std::string::npos);
    outcome = run_tool("hangup");
    EXPECT_EQ(outcome.status, 0) << outcome.out;
    outcome = run_tool("status");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_NE(outcome.out.find("missed 0301234"), std::string::npos) << outcome.out;

    outcome = run_tool("answer");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.out.find("no outgoing call"), std::string::npos);
    EXPECT_EQ(run_tool("").status, 2);
    platform::stop_phone_engine();
}

}  // namespace
