#include "app/input_script.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/keys.h"

namespace velvane {
namespace {

std::string in_cwd(const std::string& name) {
    return (std::filesystem::current_path() / name).string();
}

std::vector<ScriptCommand> parse_ok(std::string_view text) {
    std::vector<ScriptCommand> commands;
    std::string error;
    EXPECT_TRUE(parse_script(text, commands, error)) << error;
    return commands;
}

std::string parse_error(std::string_view text) {
    std::vector<ScriptCommand> commands;
    std::string error;
    EXPECT_FALSE(parse_script(text, commands, error)) << text;
    return error;
}

TEST(InputScriptTest, EveryCommandIsReadWithItsLineNumber) {
    const auto commands = parse_ok(
        "tap 10 20\n"
        "press -3 -32768\n"
        "move 32767 0\n"
        "release 5 6\n"
        "key CALL_MAKE\n"
        "keydown *\n"
        "keyup 0\n"
        "text \"hi\"\n"
        "choose pictures/me.jpg\n"
        "frames 12\n"
        "wait 1.5\n"
        "sleep .25\n"
        "screenshot shots/one.png\n"
        "dump tree.txt\n"
        "phone ring +4930123\n"
        "quit\n");
    ASSERT_EQ(commands.size(), 16u);
    for (size_t i = 0; i < commands.size(); ++i) {
        EXPECT_EQ(commands[i].line, static_cast<int>(i) + 1);
    }
    EXPECT_EQ(commands[0].op, ScriptOp::Tap);
    EXPECT_EQ(commands[0].x, 10);
    EXPECT_EQ(commands[0].y, 20);
    EXPECT_EQ(commands[1].op, ScriptOp::Press);
    EXPECT_EQ(commands[1].x, -3);
    EXPECT_EQ(commands[1].y, -32768);
    EXPECT_EQ(commands[2].op, ScriptOp::Move);
    EXPECT_EQ(commands[2].x, 32767);
    EXPECT_EQ(commands[3].op, ScriptOp::Release);
    EXPECT_EQ(commands[4].op, ScriptOp::Key);
    EXPECT_EQ(commands[4].key, key::CallMake);
    EXPECT_EQ(commands[5].op, ScriptOp::KeyDown);
    EXPECT_EQ(commands[5].key, key::Star);
    EXPECT_EQ(commands[6].op, ScriptOp::KeyUp);
    EXPECT_EQ(commands[6].key, key::Digit0);
    EXPECT_EQ(commands[7].op, ScriptOp::Text);
    EXPECT_EQ(commands[7].text, u"hi");
    EXPECT_EQ(commands[8].op, ScriptOp::Choose);
    EXPECT_EQ(commands[8].path, in_cwd("pictures/me.jpg"));
    EXPECT_EQ(commands[9].op, ScriptOp::Frames);
    EXPECT_EQ(commands[9].frames, 12);
    EXPECT_EQ(commands[10].op, ScriptOp::Wait);
    EXPECT_DOUBLE_EQ(commands[10].seconds, 1.5);
    EXPECT_EQ(commands[11].op, ScriptOp::Sleep);
    EXPECT_DOUBLE_EQ(commands[11].seconds, 0.25);
    EXPECT_EQ(commands[12].op, ScriptOp::Screenshot);
    EXPECT_EQ(commands[12].path, in_cwd("shots/one.png"));
    EXPECT_EQ(commands[13].op, ScriptOp::Dump);
    EXPECT_EQ(commands[13].path, in_cwd("tree.txt"));
    EXPECT_EQ(commands[14].op, ScriptOp::Phone);
    EXPECT_EQ(commands[14].words, (std::vector<std::string>{"ring", "+4930123"}));
    EXPECT_EQ(commands[15].op, ScriptOp::Quit);
    EXPECT_EQ(commands[15].source, "quit");
}

TEST(InputScriptTest, CommentsBlankLinesAndLineEndingsKeepTheLineCount) {
    const auto commands = parse_ok(
        "\xEF\xBB\xBF# a script\r\n"
        "\r\n"
        "   \t\n"
        "  # indented comment\n"
        "\t key  #  \r\n"
        "frames 1");
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].line, 5);
    EXPECT_EQ(commands[0].key, key::Hash);
    EXPECT_EQ(commands[0].source, "\t key  #  ");
    EXPECT_EQ(commands[1].line, 6);
    EXPECT_TRUE(parse_ok("").empty());
    EXPECT_TRUE(parse_ok("# only\n\n").empty());
}

TEST(InputScriptTest, QuotedTextKeepsBlanksAndTakesTwoEscapes) {
    const auto commands = parse_ok(
        "text \"  say \\\"hi\\\" to C:\\\\dir  \"\n"
        "text \"\"\n"
        "text \"Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x98\x80#\"   \n");
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].text, u"  say \"hi\" to C:\\dir  ");
    EXPECT_EQ(commands[1].text, u"");
    EXPECT_EQ(commands[2].text, u"Gr\u00FC\u00DFe \U0001F600#");
}

TEST(InputScriptTest, PhoneWordsMayBeQuoted) {
    const auto commands = parse_ok(
        "phone ring +4930123 --name \"Anna \\\"A\\\" Berg\"\n"
        "phone   ring   --hidden  \n"
        "phone status\n");
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].words,
              (std::vector<std::string>{"ring", "+4930123", "--name", "Anna \"A\" Berg"}));
    EXPECT_EQ(commands[1].words, (std::vector<std::string>{"ring", "--hidden"}));
    EXPECT_EQ(commands[2].words, (std::vector<std::string>{"status"}));
}

TEST(InputScriptTest, PathsAreTheTrimmedRestOfTheLineFromTheCurrentFolder) {
    const auto commands = parse_ok(
        "screenshot   my shot #1.PNG  \n"
        "dump /tmp/a/../tree.txt\n"
        "choose ./face.jpg\n");
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].path, in_cwd("my shot #1.PNG"));
    // Left as written: ".." after a symbolic link is not the folder above it.
    EXPECT_EQ(commands[1].path, "/tmp/a/../tree.txt");
    EXPECT_EQ(commands[2].path, in_cwd("./face.jpg"));

    const auto await = parse_ok("await\t2.5  the go file \n");
    ASSERT_EQ(await.size(), 1u);
    EXPECT_EQ(await[0].op, ScriptOp::Await);
    EXPECT_DOUBLE_EQ(await[0].seconds, 2.5);
    EXPECT_EQ(await[0].path, in_cwd("the go file"));
}

TEST(InputScriptTest, KeyNamesFollowTheKeyTableExactly) {
    const auto commands = parse_ok("key A\nkey Backspace\nkey SOFT_LEFT\nkey 9\nkey /\n");
    ASSERT_EQ(commands.size(), 5u);
    EXPECT_EQ(commands[0].key, key::A);
    EXPECT_EQ(commands[1].key, key::Backspace);
    EXPECT_EQ(commands[2].key, key::SoftLeft);
    EXPECT_EQ(commands[3].key, key::Digit9);
    EXPECT_EQ(commands[4].key, key::Slash);

    EXPECT_EQ(parse_error("key a"), "line 1: unknown key a: key a");
    EXPECT_EQ(parse_error("key None"), "line 1: unknown key None: key None");
    EXPECT_EQ(parse_error("key Esc"), "line 1: no key produces Esc: key Esc");
    EXPECT_EQ(parse_error("keydown SLIDE"), "line 1: no key produces SLIDE: keydown SLIDE");
    EXPECT_EQ(parse_error("keyup"), "line 1: keyup needs one key name: keyup");
    EXPECT_EQ(parse_error("key A B"), "line 1: key needs one key name: key A B");
}

TEST(InputScriptTest, BadLinesStopAtTheirLineNumber) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"frames 1\n# note\n\njump 1 2\n", "line 4: unknown command jump: jump 1 2"},
        {"Tap 1 2", "line 1: unknown command Tap: Tap 1 2"},
        {"tap 1", "line 1: tap needs X Y as whole numbers: tap 1"},
        {"tap 1 2 3", "line 1: tap needs X Y as whole numbers: tap 1 2 3"},
        {"move 1.5 2", "line 1: move needs X Y as whole numbers: move 1.5 2"},
        {"press 32768 0", "line 1: coordinates must be from -32768 to 32767: press 32768 0"},
        {"release 0 -32769", "line 1: coordinates must be from -32768 to 32767: release 0 -32769"},
        {"tap 1 2 # there", "line 1: tap needs X Y as whole numbers: tap 1 2 # there"},
        {"text hi", "line 1: text needs a quoted text: text hi"},
        {"text", "line 1: text needs a quoted text: text"},
        {"text \"hi", "line 1: unterminated quote: text \"hi"},
        {"text \"hi\\\"", "line 1: unterminated quote: text \"hi\\\""},
        {"text \"a\\nb\"", "line 1: unknown escape \\n (only \\\" and \\\\): text \"a\\nb\""},
        {"text \"a\" b", "line 1: nothing may follow the closing quote: text \"a\" b"},
        {"type hi", "line 1: type needs a quoted text: type hi"},
        {"compose", "line 1: compose needs a quoted text: compose"},
        {"compose \"ni\" 1", "line 1: nothing may follow the closing quote: compose \"ni\" 1"},
        {"frames 0", "line 1: frames needs a whole number above 0: frames 0"},
        {"frames -2", "line 1: frames needs a whole number above 0: frames -2"},
        {"frames 2.0", "line 1: frames needs a whole number above 0: frames 2.0"},
        {"frames", "line 1: frames needs a whole number above 0: frames"},
        {"wait -1", "line 1: wait needs seconds from 0 to 86400: wait -1"},
        {"wait 1e3", "line 1: wait needs seconds from 0 to 86400: wait 1e3"},
        {"wait 1.2.3", "line 1: wait needs seconds from 0 to 86400: wait 1.2.3"},
        {"wait .", "line 1: wait needs seconds from 0 to 86400: wait ."},
        {"sleep 86400.5", "line 1: sleep needs seconds from 0 to 86400: sleep 86400.5"},
        {"await 1", "line 1: await needs seconds from 0 to 86400 and a file: await 1"},
        {"await go 1", "line 1: await needs seconds from 0 to 86400 and a file: await go 1"},
        {"await 86401 go", "line 1: await needs seconds from 0 to 86400 and a file: await 86401 go"},
        {"screenshot shot.jpg", "line 1: a screenshot file must end in .png: screenshot shot.jpg"},
        {"screenshot .png", "line 1: a screenshot file must end in .png: screenshot .png"},
        {"screenshot  ", "line 1: screenshot needs a file: screenshot  "},
        {"dump", "line 1: dump needs a file: dump"},
        {"choose", "line 1: choose needs a file: choose"},
        {"phone", "line 1: phone needs a command: phone"},
        {"phone ring --name \"Anna", "line 1: unterminated quote: phone ring --name \"Anna"},
        {"phone ring \"A\"B", "line 1: a blank must follow a quoted word: phone ring \"A\"B"},
        {"quit now", "line 1: quit takes nothing: quit now"},
    };
    for (const auto& [script, expected] : cases) {
        EXPECT_EQ(parse_error(script), expected);
    }
}

TEST(InputScriptTest, BoundaryValuesAreAccepted) {
    const auto commands = parse_ok("wait 0\nsleep 86400\nframes 2147483647\nwait 0.001\n");
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_EQ(commands[0].seconds, 0);
    EXPECT_EQ(commands[1].seconds, 86400);
    EXPECT_EQ(commands[2].frames, 2147483647);
    EXPECT_DOUBLE_EQ(commands[3].seconds, 0.001);
    EXPECT_EQ(parse_error("frames 2147483648"),
              "line 1: frames needs a whole number above 0: frames 2147483648");
}

TEST(InputScriptTest, ErrorKeepsTheCommandsBeforeTheBadLine) {
    std::vector<ScriptCommand> commands;
    std::string error;
    EXPECT_FALSE(parse_script("tap 1 2\nkey A\nbad\nquit\n", commands, error));
    EXPECT_EQ(error, "line 3: unknown command bad: bad");
    EXPECT_EQ(commands.size(), 2u);
    // A second parse starts afresh.
    EXPECT_TRUE(parse_script("quit", commands, error));
    EXPECT_EQ(commands.size(), 1u);
    EXPECT_TRUE(error.empty());
}

}  // namespace
}  // namespace velvane
