// velvane-skinc: compiles skin sources into a binary skin with its pictures, and prints a
// binary skin back as source, as the program's loader sees it.
//
//   velvane-skinc SRC.vskin... -o OUT.skin
//   velvane-skinc --dump FILE.skin [--dpi N]

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "platform/ustring.h"
#include "skin/properties.h"
#include "skin/screen_metrics.h"
#include "tools/skinc/pictures.h"
#include "tools/skinc/skin_model.h"
#include "tools/skinc/source_parser.h"
#include "tools/skinc/source_writer.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: velvane-skinc SOURCE.vskin... -o OUTPUT.skin\n"
    "       velvane-skinc --dump FILE.skin [--dpi N]\n";

int failure(const std::string& message) {
    std::cerr << "velvane-skinc: " << message << "\n";
    return EXIT_FAILURE;
}

int compile(const std::vector<std::string>& sources, const std::string& output) {
    skinc::SkinSource source;
    for (const std::string& path : sources) {
        skinc::SourceError error;
        if (!skinc::parse_source_file(path, source, skinc::picture_file_size, error)) {
            std::cerr << error.text() << "\n";
            return EXIT_FAILURE;
        }
    }
    std::vector<uint8_t> bytes;
    std::string error;
    if (!skinc::write_skin(source.model, bytes, error)) {
        return failure(output + ": " + error);
    }
    fs::path target = fs::absolute(output);
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    // Pictures first: a skin file never names pictures that are not there yet.
    if (!skinc::export_pictures(source.pictures, target.parent_path(), error) ||
        !skinc::write_file_atomically(target, bytes, error)) {
        return failure(error);
    }
    return EXIT_SUCCESS;
}

int dump(const std::string& file, int dpi) {
    zentra::ScreenMetrics metrics;
    metrics.dpi_y = dpi;
    zentra::Properties skin;
    if (!skin.load_skin(platform::from_utf8(fs::absolute(file).string()), metrics)) {
        return failure(file + ": not a skin the loader accepts");
    }
    const int shift = skin.scale_shift();
    std::string header = file + " loaded at " + std::to_string(dpi) + " dpi";
    if (shift != 0) {
        header += "\npoints and images are scaled by " + std::to_string(1 << shift) +
                  "; fonts keep their size and carry that scale";
    }
    std::cout << skinc::format_source(skinc::read_skin_model(skin), header);
    std::cout.flush();
    return std::cout ? EXIT_SUCCESS : failure("cannot write the dump");
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::cout << kUsage;
        return args.empty() ? EXIT_FAILURE : EXIT_SUCCESS;
    }

    if (args[0] == "--dump") {
        std::string file;
        int dpi = 96;
        for (size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--dpi" && i + 1 < args.size()) {
                const std::string& text = args[++i];
                char* end = nullptr;
                const long value = std::strtol(text.c_str(), &end, 10);
                if (text.empty() || *end != '\0' || value <= 0 || value > 10000) {
                    return failure("--dpi needs a positive number, not '" + text + "'");
                }
                dpi = static_cast<int>(value);
            } else if (file.empty() && args[i].rfind("--", 0) != 0) {
                file = args[i];
            } else {
                std::cerr << kUsage;
                return EXIT_FAILURE;
            }
        }
        if (file.empty()) {
            std::cerr << kUsage;
            return EXIT_FAILURE;
        }
        return dump(file, dpi);
    }

    std::vector<std::string> sources;
    std::string output;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size() && output.empty()) {
            output = args[++i];
        } else if (args[i].rfind("-", 0) == 0) {
            std::cerr << kUsage;
            return EXIT_FAILURE;
        } else {
            sources.push_back(args[i]);
        }
    }
    if (sources.empty() || output.empty()) {
        std::cerr << kUsage;
        return EXIT_FAILURE;
    }
    return compile(sources, output);
}
