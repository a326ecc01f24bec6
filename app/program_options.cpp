#include "app/program_options.h"

#include <charconv>
#include <filesystem>
#include <optional>
#include <string_view>

namespace velvane {

namespace {

// A plain decimal number within [low, high]; no sign, no blanks, nothing after it.
std::optional<int> number_in(std::string_view text, int low, int high) {
    if (text.empty() || text.front() < '0' || text.front() > '9') {
        return std::nullopt;
    }
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

std::string range_text(int low, int high) {
    return std::to_string(low) + " to " + std::to_string(high);
}

// Paths in the script and on the command line are the caller's, taken from where it runs.
std::string absolute_path(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.string();
}

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// %XX escapes of a URL; a broken escape stays as written.
std::string percent_decoded(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = hex_digit(text[i + 1]), low = hex_digit(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// The number of a "tel:" or "callto:" link: its parameters (";ext=...") and query dropped,
// the separators people write for reading ("+49 (30) 123-45.67") taken out, and anything
// that is no dialling character left out, so a link cannot smuggle words into the command
// line the running copy gets.
std::string number_of_link(std::string_view link) {
    const std::string decoded = percent_decoded(link.substr(0, link.find_first_of(";?")));
    std::string number;
    for (char c : decoded) {
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
            c == '+' || c == '*' || c == '#' || c == ',') {
            number += c;
        }
    }
    return number;
}

// What the desktop hands over turned into the program's own command words: a phone link
// opens its number's contact, a vCard file (a path or a file: URL) is offered for import.
std::string desktop_word(std::string_view word) {
    for (std::string_view scheme : {"tel:", "callto:"}) {
        if (starts_with_ignoring_case(word, scheme)) {
            word.remove_prefix(scheme.size());
            while (word.starts_with('/')) {
                word.remove_prefix(1);  // "callto://+4930..." as some pages write it
            }
            return "open:" + number_of_link(word);
        }
    }
    std::string path;
    if (starts_with_ignoring_case(word, "file://")) {
        std::string_view rest = word.substr(7);
        // Only this machine's files: "file:///..." or "file://localhost/...".
        if (starts_with_ignoring_case(rest, "localhost/")) {
            rest.remove_prefix(9);
        }
        if (!rest.starts_with('/')) {
            return std::string(word);
        }
        path = percent_decoded(rest);
    } else {
        path = std::string(word);
    }
    for (std::string_view extension : {".vcf", ".vcard"}) {
        if (path.size() > extension.size() &&
            starts_with_ignoring_case(std::string_view(path).substr(path.size() - extension.size()),
                                      extension)) {
            return "import:" + absolute_path(path);
        }
    }
    return std::string(word);
}

}  // namespace

bool parse_program_options(int argc, const char* const argv[], ProgramOptions& options,
                           std::string& error) {
    options = ProgramOptions();
    error.clear();
    std::string words;
    bool options_ended = false;
    const auto add_word = [&](std::string_view word) {
        if (!words.empty()) {
            words += ' ';
        }
        words += word;
    };

    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i] != nullptr ? argv[i] : "";
        if (options_ended || arg.size() < 2 || arg.front() != '-') {
            add_word(desktop_word(arg));
            continue;
        }
        if (arg == "--") {
            options_ended = true;
            continue;
        }
        // "--dpi 192" and "--dpi=192" both work.
        std::string_view name = arg;
        std::optional<std::string_view> inline_value;
        if (const size_t equals = arg.find('='); equals != std::string_view::npos) {
            name = arg.substr(0, equals);
            inline_value = arg.substr(equals + 1);
        }
        const auto value = [&]() -> std::optional<std::string_view> {
            if (inline_value) {
                return inline_value;
            }
            if (i + 1 < argc && argv[i + 1] != nullptr) {
                return std::string_view(argv[++i]);
            }
            return std::nullopt;
        };
        const auto flag = [&]() {
            if (inline_value) {
                error = std::string(name) + " takes no value";
                return false;
            }
            return true;
        };

        if (name == "--help" || name == "-h") {
            if (!flag()) {
                return false;
            }
            options.help = true;
        } else if (name == "--headless") {
            if (!flag()) {
                return false;
            }
            options.headless = true;
        } else if (name == "--script") {
            const auto file = value();
            if (!file || file->empty()) {
                error = "--script needs a file";
                return false;
            }
            options.script = absolute_path(std::string(*file));
        } else if (name == "--step") {
            const auto text = value();
            const auto step =
                text ? number_in(*text, ProgramOptions::kMinStep, ProgramOptions::kMaxStep)
                     : std::nullopt;
            if (!step) {
                error = "--step needs milliseconds from " +
                        range_text(ProgramOptions::kMinStep, ProgramOptions::kMaxStep);
                return false;
            }
            options.step_ms = *step;
        } else if (name == "--size") {
            const auto text = value();
            const size_t cross = text ? text->find('x') : std::string_view::npos;
            std::optional<int> width, height;
            if (cross != std::string_view::npos) {
                width = number_in(text->substr(0, cross), ProgramOptions::kMinSize,
                                  ProgramOptions::kMaxSize);
                height = number_in(text->substr(cross + 1), ProgramOptions::kMinSize,
                                   ProgramOptions::kMaxSize);
            }
            if (!width || !height) {
                error = "--size needs WIDTHxHEIGHT, each from " +
                        range_text(ProgramOptions::kMinSize, ProgramOptions::kMaxSize);
                return false;
            }
            options.width = *width;
            options.height = *height;
        } else if (name == "--dpi") {
            const auto text = value();
            const auto dpi =
                text ? number_in(*text, ProgramOptions::kMinDpi, ProgramOptions::kMaxDpi)
                     : std::nullopt;
            if (!dpi) {
                error = "--dpi needs a number from " +
                        range_text(ProgramOptions::kMinDpi, ProgramOptions::kMaxDpi);
                return false;
            }
            options.dpi = *dpi;
        } else if (name == "--orientation") {
            const auto text = value();
            const auto orientation = text ? number_in(*text, 0, 3) : std::nullopt;
            if (!orientation) {
                error = "--orientation needs a number from 0 to 3";
                return false;
            }
            options.orientation = *orientation;
        } else {
            error = "unknown option " + std::string(name) + " (put -- before words that start "
                    "with a dash)";
            return false;
        }
    }

    if (!options.script.empty() && !options.headless) {
        error = "--script needs --headless";
        return false;
    }
    options.command_line = platform::from_utf8(words);
    return true;
}

std::string program_usage() {
    return "Usage: velvane [options] [--] [command line]\n"
           "\n"
           "Options:\n"
           "  --headless           run without a window, on a virtual clock (needs --script)\n"
           "  --script FILE        play an input script (needs --headless)\n"
           "  --step MS            virtual milliseconds per frame, 1 to 1000 (default 20)\n"
           "  --size WxH           screen size, each 64 to 8192 (default 480x800)\n"
           "  --dpi N              screen dots per inch, 48 to 960 (default 192)\n"
           "  --orientation N      0 to 3 for 0, 90, 180, 270 degrees (default 0)\n"
           "  -h, --help           show this help\n"
           "\n"
           "Command line (also handed to a copy that is already running):\n"
           "  contacts             open the contact list\n"
           "  favorites            open the favourites\n"
           "  recents              open the recent calls\n"
           "  open:NUMBER          open the contact with that number\n"
           "  tel:NUMBER, callto:NUMBER\n"
           "                       the same, as a phone link\n"
           "  FILE.vcf             offer the vCard file's contacts for import\n";
}

}  // namespace velvane
