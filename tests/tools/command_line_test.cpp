// The velvane-skinc program as the build and scripts run it.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/skin/skin_test_support.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class SkincProgram : public ::testing::Test {
protected:
    void SetUp() override {
        m_program = fs::path(VELVANE_PROGRAM_DIR) / "velvane-skinc";
        ASSERT_TRUE(fs::exists(m_program)) << m_program;
    }

    Outcome run(const std::string& arguments) {
        const fs::path out = m_dir.path() / "stdout.txt";
        const fs::path err = m_dir.path() / "stderr.txt";
        const std::string command = "'" + m_program.string() + "' " + arguments + " >'" +
                                    out.string() + "' 2>'" + err.string() + "'";
        Outcome result;
        const int raw = std::system(command.c_str());
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = read(out);
        result.err = read(err);
        return result;
    }

    static std::string read(const fs::path& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path m_program;
    skintest::TempDir m_dir;
};

TEST_F(SkincProgram, CompilesAndDumpsTheSample) {
    const std::string skin = (m_dir.path() / "out" / "sample.skin").string();
    Outcome compiled =
        run(std::string(VELVANE_TEST_DATA) + "/sample/sample.vskin -o '" + skin + "'");
    ASSERT_EQ(compiled.status, 0) << compiled.err;
    EXPECT_TRUE(fs::exists(m_dir.path() / "out" / "icon.bmp"));
    EXPECT_TRUE(fs::exists(m_dir.path() / "out" / "frame.bmp"));

    Outcome dumped = run("--dump '" + skin + "' --dpi 192");
    ASSERT_EQ(dumped.status, 0) << dumped.err;
    EXPECT_NE(dumped.out.find("point design_size = 480, 640"), std::string::npos);
}

TEST_F(SkincProgram, FailuresExitWithOneAndSayWhy) {
    m_dir.write("bad.vskin", {'d', 'e', 'f', 'i', 'n', 'e', ' ', 'A', ' ', '{', '\n', '!'});
    Outcome parse = run("'" + (m_dir.path() / "bad.vskin").string() + "' -o '" +
                        (m_dir.path() / "bad.skin").string() + "'");
    EXPECT_EQ(parse.status, 1);
    EXPECT_NE(parse.err.find("bad.vskin:2:1: "), std::string::npos) << parse.err;
    EXPECT_FALSE(fs::exists(m_dir.path() / "bad.skin"));

    m_dir.write("junk.skin", std::vector<uint8_t>(200, 7));
    Outcome refused = run("--dump '" + (m_dir.path() / "junk.skin").string() + "'");
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.out.empty());
    EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;

    EXPECT_EQ(run("").status, 1);
    EXPECT_EQ(run("--dump x.skin --dpi lots").status, 1);
}

}  // namespace
