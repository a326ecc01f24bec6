// velvane-skinview: draws one definition of a compiled skin into a PNG, the way a screen
// would show it, without the program around it.
//
//   velvane-skinview SKIN DEFINITION --size WxH --dpi N -o OUT.png [--frames K --dt SECONDS]

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ustring.h"
#include "skin/draw.h"
#include "skin/exceptions.h"
#include "skin/layout.h"
#include "skin/node.h"
#include "skin/node_factory.h"
#include "skin/node_types.h"
#include "skin/properties.h"
#include "skin/render_surface.h"
#include "skin/screen_metrics.h"
#include "tools/skinview/png_writer.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: velvane-skinview SKIN DEFINITION --size WxH --dpi N -o OUT.png"
    " [--frames K --dt SECONDS]\n";

struct Options {
    std::string skin;
    std::string definition;
    int width = 0;
    int height = 0;
    int dpi = 96;
    std::string output;
    int frames = 0;
    double dt = 0.04;  // one frame of the program's window timer
};

int failure(const std::string& message) {
    std::cerr << "velvane-skinview: " << message << "\n";
    return EXIT_FAILURE;
}

std::optional<long> parse_long(const std::string& text, long low, long high) {
    if (text.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

// Fills options from the arguments; returns a message for the first bad one.
std::optional<std::string> parse_arguments(const std::vector<std::string>& args, Options& o) {
    std::vector<std::string> positional;
    bool have_size = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool has_value = i + 1 < args.size();
        if (arg == "--size" && has_value) {
            const std::string& text = args[++i];
            const size_t x = text.find('x');
            const auto w = parse_long(text.substr(0, x), 1, 16384);
            const auto h = x == std::string::npos ? std::nullopt
                                                  : parse_long(text.substr(x + 1), 1, 16384);
            if (!w || !h) {
                return "--size needs WIDTHxHEIGHT, not '" + text + "'";
            }
            o.width = static_cast<int>(*w);
            o.height = static_cast<int>(*h);
            have_size = true;
        } else if (arg == "--dpi" && has_value) {
            const auto dpi = parse_long(args[++i], 1, 10000);
            if (!dpi) {
                return "--dpi needs a positive number, not '" + args[i] + "'";
            }
            o.dpi = static_cast<int>(*dpi);
        } else if (arg == "-o" && has_value) {
            o.output = args[++i];
        } else if (arg == "--frames" && has_value) {
            const auto frames = parse_long(args[++i], 0, 1000000);
            if (!frames) {
                return "--frames needs a count, not '" + args[i] + "'";
            }
            o.frames = static_cast<int>(*frames);
        } else if (arg == "--dt" && has_value) {
            const std::string& text = args[++i];
            char* end = nullptr;
            const double dt = std::strtod(text.c_str(), &end);
            if (text.empty() || *end != '\0' || !(dt >= 0.0 && dt <= 3600.0)) {
                return "--dt needs seconds, not '" + text + "'";
            }
            o.dt = dt;
        } else if (arg.rfind("-", 0) == 0) {
            return "unknown option '" + arg + "'";
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2 || !have_size || o.output.empty()) {
        return std::string(kUsage);
    }
    o.skin = positional[0];
    o.definition = positional[1];
    return std::nullopt;
}

int view(const Options& o) {
    zentra::ScreenMetrics metrics;
    metrics.width = o.width;
    metrics.height = o.height;
    metrics.dpi_y = o.dpi;
    zentra::Properties skin;
    if (!skin.load_skin(platform::from_utf8(fs::absolute(o.skin).string()), metrics)) {
        return failure(o.skin + ": not a skin the loader accepts");
    }

    zentra::register_node_types();
    const platform::WString definition = platform::from_utf8(o.definition);
    const std::optional<zentra::SkinRecord> record = skin.find_definition(definition);
    if (!record) {
        return failure(o.skin + ": no definition '" + o.definition + "'");
    }
    // A screen loads its definition into itself; here the definition's own type stands in
    // for the screen's class, so a definition that is, say, an image draws as one.
    const platform::WString type = skin.get_string(*record, u"type");
    std::unique_ptr<zentra::Node> owned_root =
        type.empty() ? std::make_unique<zentra::Node>() : zentra::NodeFactory::create(type);
    zentra::Node& root = *owned_root;
    zentra::load_from_skin(root, skin, definition);
    // As a frame of the program does: place the root, advance it, draw it.
    zentra::layout_root(root, {0, 0}, {o.width, o.height});
    for (int frame = 0; frame < o.frames; ++frame) {
        root.advance(o.dt);
        zentra::layout_root(root, {0, 0}, {o.width, o.height});
    }

    zentra::RenderSurface surface;
    surface.recreate(o.width, o.height);
    if (surface.empty()) {
        return failure("no memory for a " + std::to_string(o.width) + "x" +
                       std::to_string(o.height) + " surface");
    }
    zentra::fill(surface, zentra::Color{0, 0, 0, 255});
    root.render(surface, {0, 0});

    std::string error;
    if (!skinview::write_png(o.output, *surface.bitmap(), error)) {
        return failure(error);
    }
    return EXIT_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << kUsage;
        return EXIT_SUCCESS;
    }
    Options options;
    if (auto message = parse_arguments(args, options)) {
        std::cerr << (message->back() == '\n' ? *message : "velvane-skinview: " + *message + "\n");
        return EXIT_FAILURE;
    }
    // Skin problems in a definition (an unregistered type) reach here as the engine's
    // exceptions, which carry names only.
    try {
        return view(options);
    } catch (const zentra::NodeNotRegistered& e) {
        return failure(options.skin + ": node type '" + platform::to_utf8(e.type) +
                       "' is not registered");
    } catch (const std::exception& e) {
        return failure(e.what());
    }
}
