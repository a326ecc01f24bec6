#pragma once
// The input script of a headless run: one command a line, played as a person would use the
// handheld.
//
//   tap X Y | press X Y | move X Y | release X Y     stylus, window coordinates
//   key NAME | keydown NAME | keyup NAME             names of the key table ("CALL_MAKE", "*")
//   text "TEXT"                                      characters; \" and \\ are the escapes
//   type "TEXT"                                      as a keyboard types it: each letter, digit
//                                                    and blank as its key with its character
//   compose "TEXT"                                   an input method's composition (caret at
//                                                    its end); "" ends it; text then commits
//   choose PATH                                      the picture chooser's next answer
//   frames N | wait SECONDS | sleep SECONDS          frames, program time, real time
//   await SECONDS FILE                               real time until FILE exists (at most SECONDS)
//   screenshot FILE.png | dump FILE                  the screen, the top form's node tree
//   phone WORD...                                    a phone engine command; words may be quoted
//   quit
//
// Blank lines and lines whose first non-blank is '#' are comments. A comment after a command
// is not allowed: "#" is a key name and may be part of a path. Relative paths are made
// absolute against the current directory when the script is read.

#include <string>
#include <string_view>
#include <vector>

#include "platform/ustring.h"

namespace velvane {

enum class ScriptOp {
    Tap,
    Press,
    Move,
    Release,
    Key,
    KeyDown,
    KeyUp,
    Text,
    Type,
    Compose,
    Choose,
    Frames,
    Wait,
    Sleep,
    Await,
    Screenshot,
    Dump,
    Phone,
    Quit,
};

struct ScriptCommand {
    // Longest wait or sleep one line may ask for.
    static constexpr double kMaxSeconds = 86400;

    ScriptOp op = ScriptOp::Quit;
    int line = 0;              // 1-based line number in the script
    std::string source;        // the line as written, for messages
    int x = 0, y = 0;          // stylus commands; always within signed 16 bits
    int key = 0;               // key code of the key table
    int frames = 0;            // frames N, N > 0
    double seconds = 0;        // wait, sleep and await, 0..kMaxSeconds
    platform::WString text;    // text, type, compose
    std::string path;          // choose, screenshot, dump, await: absolute, UTF-8
    std::vector<std::string> words;  // phone: the words after "phone"
};

// Reads a whole script. On the first bad line: false, and error is
// "line N: <what is wrong>: <the line>"; out then holds the lines before it.
bool parse_script(std::string_view text, std::vector<ScriptCommand>& out, std::string& error);

// The command's name as a script writes it ("tap", "keydown" ...).
std::string_view script_op_name(ScriptOp op);

}  // namespace velvane
