#include "app/input_script.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>

#include "core/keys.h"

namespace velvane {

namespace {

struct OpName {
    ScriptOp op;
    std::string_view name;
};

constexpr OpName kOpNames[] = {
    {ScriptOp::Tap, "tap"},
    {ScriptOp::Press, "press"},
    {ScriptOp::Move, "move"},
    {ScriptOp::Release, "release"},
    {ScriptOp::Key, "key"},
    {ScriptOp::KeyDown, "keydown"},
    {ScriptOp::KeyUp, "keyup"},
    {ScriptOp::Text, "text"},
    {ScriptOp::Type, "type"},
    {ScriptOp::Compose, "compose"},
    {ScriptOp::Choose, "choose"},
    {ScriptOp::Frames, "frames"},
    {ScriptOp::Wait, "wait"},
    {ScriptOp::Sleep, "sleep"},
    {ScriptOp::Await, "await"},
    {ScriptOp::Screenshot, "screenshot"},
    {ScriptOp::Dump, "dump"},
    {ScriptOp::Phone, "phone"},
    {ScriptOp::Quit, "quit"},
};

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && is_blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<std::string_view> split_words(std::string_view text) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && is_blank(text[i])) {
            ++i;
        }
        const size_t start = i;
        while (i < text.size() && !is_blank(text[i])) {
            ++i;
        }
        if (i > start) {
            words.push_back(text.substr(start, i - start));
        }
    }
    return words;
}

// A decimal integer with an optional minus sign, nothing else.
std::optional<long long> parse_integer(std::string_view word) {
    long long value = 0;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (word.empty() || ec != std::errc() || end != word.data() + word.size()) {
        return std::nullopt;
    }
    return value;
}

// Digits with at most one decimal point ("2", "0.5", ".5", "3."); no sign, no exponent.
std::optional<double> parse_seconds(std::string_view word) {
    size_t digits = 0, points = 0;
    for (char c : word) {
        if (c >= '0' && c <= '9') {
            ++digits;
        } else if (c == '.') {
            ++points;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || points > 1) {
        return std::nullopt;
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (ec != std::errc() || end != word.data() + word.size()) {
        return std::nullopt;
    }
    return value;
}

// A quoted piece starting at text[pos] == '"'. On success pos is just past the closing quote.
bool read_quoted(std::string_view text, size_t& pos, std::string& out, std::string& what) {
    out.clear();
    for (size_t i = pos + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            pos = i + 1;
            return true;
        }
        if (c == '\\') {
            if (i + 1 >= text.size()) {
                break;
            }
            const char next = text[++i];
            if (next != '"' && next != '\\') {
                what = std::string("unknown escape \\") + next + " (only \\\" and \\\\)";
                return false;
            }
            out += next;
            continue;
        }
        out += c;
    }
    what = "unterminated quote";
    return false;
}

// Phone words: blank-separated, a word may be quoted to hold blanks ("--name "Anna Berg"").
bool read_phone_words(std::string_view text, std::vector<std::string>& out, std::string& what) {
    size_t i = 0;
    while (true) {
        while (i < text.size() && is_blank(text[i])) {
            ++i;
        }
        if (i >= text.size()) {
            return true;
        }
        if (text[i] == '"') {
            std::string word;
            if (!read_quoted(text, i, word, what)) {
                return false;
            }
            if (i < text.size() && !is_blank(text[i])) {
                what = "a blank must follow a quoted word";
                return false;
            }
            out.push_back(std::move(word));
            continue;
        }
        const size_t start = i;
        while (i < text.size() && !is_blank(text[i])) {
            ++i;
        }
        out.emplace_back(text.substr(start, i - start));
    }
}

std::string absolute_path(std::string_view path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(std::string(path), ec);
    return ec ? std::string(path) : absolute.string();
}

bool ends_with_png(std::string_view path) {
    if (path.size() < 5) {  // a name before the extension
        return false;
    }
    const std::string_view tail = path.substr(path.size() - 4);
    return tail[0] == '.' && (tail[1] | 0x20) == 'p' && (tail[2] | 0x20) == 'n' &&
           (tail[3] | 0x20) == 'g';
}

// Fills command from the arguments of one line; false with what is wrong.
bool parse_arguments(std::string_view args, ScriptCommand& command, std::string& what) {
    const std::string_view name = script_op_name(command.op);
    switch (command.op) {
        case ScriptOp::Tap:
        case ScriptOp::Press:
        case ScriptOp::Move:
        case ScriptOp::Release: {
            const auto words = split_words(args);
            std::optional<long long> x, y;
            if (words.size() == 2) {
                x = parse_integer(words[0]);
                y = parse_integer(words[1]);
            }
            if (!x || !y) {
                what = std::string(name) + " needs X Y as whole numbers";
                return false;
            }
            // The window procedure reads each coordinate as a signed 16-bit value.
            constexpr long long low = std::numeric_limits<int16_t>::min();
            constexpr long long high = std::numeric_limits<int16_t>::max();
            if (*x < low || *x > high || *y < low || *y > high) {
                what = "coordinates must be from -32768 to 32767";
                return false;
            }
            command.x = static_cast<int>(*x);
            command.y = static_cast<int>(*y);
            return true;
        }
        case ScriptOp::Key:
        case ScriptOp::KeyDown:
        case ScriptOp::KeyUp: {
            const auto words = split_words(args);
            if (words.size() != 1) {
                what = std::string(name) + " needs one key name";
                return false;
            }
            const int code = key_code(platform::from_utf8(words[0]));
            if (code == key::None) {
                what = "unknown key " + std::string(words[0]);
                return false;
            }
            if (virtual_key_of(code) == 0) {
                what = "no key produces " + std::string(words[0]);
                return false;
            }
            command.key = code;
            return true;
        }
        case ScriptOp::Text:
        case ScriptOp::Type:
        case ScriptOp::Compose: {
            const std::string_view rest = trim(args);
            size_t pos = 0;
            std::string text;
            if (rest.empty() || rest.front() != '"') {
                what = std::string(name) + " needs a quoted text";
                return false;
            }
            if (!read_quoted(rest, pos, text, what)) {
                return false;
            }
            if (pos != rest.size()) {
                what = "nothing may follow the closing quote";
                return false;
            }
            command.text = platform::from_utf8(text);
            return true;
        }
        case ScriptOp::Choose:
        case ScriptOp::Screenshot:
        case ScriptOp::Dump: {
            const std::string_view path = trim(args);
            if (path.empty()) {
                what = std::string(name) + " needs a file";
                return false;
            }
            if (command.op == ScriptOp::Screenshot && !ends_with_png(path)) {
                what = "a screenshot file must end in .png";
                return false;
            }
            command.path = absolute_path(path);
            return true;
        }
        case ScriptOp::Frames: {
            const auto words = split_words(args);
            const auto count = words.size() == 1 ? parse_integer(words[0]) : std::nullopt;
            if (!count || *count <= 0 || *count > std::numeric_limits<int>::max()) {
                what = "frames needs a whole number above 0";
                return false;
            }
            command.frames = static_cast<int>(*count);
            return true;
        }
        case ScriptOp::Wait:
        case ScriptOp::Sleep: {
            const auto words = split_words(args);
            const auto seconds = words.size() == 1 ? parse_seconds(words[0]) : std::nullopt;
            if (!seconds || *seconds > ScriptCommand::kMaxSeconds) {
                what = std::string(name) + " needs seconds from 0 to 86400";
                return false;
            }
            command.seconds = *seconds;
            return true;
        }
        case ScriptOp::Await: {
            const std::string_view rest = trim(args);
            const size_t blank = std::min(rest.find_first_of(" \t"), rest.size());
            const auto seconds = parse_seconds(rest.substr(0, blank));
            const std::string_view path = trim(rest.substr(blank));
            if (!seconds || *seconds > ScriptCommand::kMaxSeconds || path.empty()) {
                what = "await needs seconds from 0 to 86400 and a file";
                return false;
            }
            command.seconds = *seconds;
            command.path = absolute_path(path);
            return true;
        }
        case ScriptOp::Phone:
            if (!read_phone_words(args, command.words, what)) {
                return false;
            }
            if (command.words.empty()) {
                what = "phone needs a command";
                return false;
            }
            return true;
        case ScriptOp::Quit:
            if (!trim(args).empty()) {
                what = "quit takes nothing";
                return false;
            }
            return true;
    }
    what = "unknown command";
    return false;
}

}  // namespace

std::string_view script_op_name(ScriptOp op) {
    for (const OpName& entry : kOpNames) {
        if (entry.op == op) {
            return entry.name;
        }
    }
    return {};
}

bool parse_script(std::string_view text, std::vector<ScriptCommand>& out, std::string& error) {
    out.clear();
    error.clear();
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    int line_number = 0;
    while (!text.empty()) {
        ++line_number;
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }

        const std::string_view body = trim(line);
        if (body.empty() || body.front() == '#') {
            continue;
        }
        size_t cut = 0;
        while (cut < body.size() && !is_blank(body[cut])) {
            ++cut;
        }
        const std::string_view name = body.substr(0, cut);

        ScriptCommand command;
        command.line = line_number;
        command.source = std::string(line);
        std::string what;
        bool known = false;
        for (const OpName& entry : kOpNames) {
            if (entry.name == name) {
                command.op = entry.op;
                known = true;
                break;
            }
        }
        if (!known) {
            what = "unknown command " + std::string(name);
        }
        if (!known || !parse_arguments(body.substr(cut), command, what)) {
            error = "line " + std::to_string(line_number) + ": " + what + ": " + std::string(line);
            return false;
        }
        out.push_back(std::move(command));
    }
    return true;
}

}  // namespace velvane
