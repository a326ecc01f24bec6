// velvane-skinview: draws one definition of a compiled skin into a PNG, the way a screen
// would show it, without the program around it.
//
//   velvane-skinview SKIN DEFINITION --size WxH --dpi N -o OUT.png [--frames K --dt SECONDS]
//                    [--rows N --element NAME [--list ID]]
//
// --rows fills a vlist (the first one, or the one whose id is ID) with N rows built from the
// definition NAME, so a list can be judged with content; the program's own adapters are not
// part of the viewer.

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
#include "skin/text_node.h"
#include "skin/vlist.h"
#include "skin/vlist_adapter.h"
#include "skin/screen_metrics.h"
#include "skin/spinner.h"
#include "display/png_writer.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: velvane-skinview SKIN DEFINITION --size WxH --dpi N -o OUT.png"
    " [--frames K --dt SECONDS] [--rows N --element NAME [--list ID]]\n";

struct Options {
    std::string skin;
    std::string definition;
    int width = 0;
    int height = 0;
    int dpi = 96;
    std::string output;
    int frames = 0;
    double dt = 0.04;  // one frame of the program's window timer
    int rows = -1;     // -1: leave the lists empty
    std::string element;
    std::string list;
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
        } else if (arg == "--rows" && has_value) {
            const auto rows = parse_long(args[++i], 0, 1000000);
            if (!rows) {
                return "--rows needs a count, not '" + args[i] + "'";
            }
            o.rows = static_cast<int>(*rows);
        } else if (arg == "--element" && has_value) {
            o.element = args[++i];
        } else if (arg == "--list" && has_value) {
            o.list = args[++i];
        } else if (arg.rfind("-", 0) == 0) {
            return "unknown option '" + arg + "'";
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2 || !have_size || o.output.empty()) {
        return std::string(kUsage);
    }
    if ((o.rows >= 0) != !o.element.empty() || (!o.list.empty() && o.rows < 0)) {
        return "--rows and --element go together (and --list needs them)";
    }
    o.skin = positional[0];
    o.definition = positional[1];
    return std::nullopt;
}

// A row of sample content: the element definition, with its text nodes whose ids start with
// '#' (the ones a screen would fill) showing "Row i".
class SampleRow : public zentra::VListElement {
public:
    SampleRow(const zentra::Properties& skin, platform::WString definition)
        : m_skin(skin), m_definition(std::move(definition)) {}

    void bind(zentra::VList& /*list*/, int flags, int index) override {
        if (flags & kBindNew) {
            zentra::load_from_skin(*this, m_skin, m_definition);
        }
        const platform::WString text = u"Row " + platform::to_wstring(index + 1);
        int filled = 0;
        fill_texts(*this, text, filled);
    }

private:
    // The first such node gets the plain text; later ones are told apart by their id, as a
    // second line would be.
    static void fill_texts(zentra::Node& node, const platform::WString& text, int& filled) {
        for (int i = 0; i < node.child_count(); ++i) {
            zentra::Node& child = *node.child(i);
            auto* label = dynamic_cast<zentra::TextNode*>(&child);
            if (label && label->name().starts_with(u'#')) {
                label->set_text(filled++ == 0 ? text
                                              : text + u", " + label->name().substr(1));
            }
            fill_texts(child, text, filled);
        }
    }

    const zentra::Properties& m_skin;
    platform::WString m_definition;
};

class SampleRows : public zentra::VListAdapter {
public:
    SampleRows(const zentra::Properties& skin, platform::WString definition)
        : m_skin(skin), m_definition(std::move(definition)) {}
    void on_item_click(zentra::VList& /*list*/, int /*index*/) override {}
    std::unique_ptr<zentra::VListElement> create_element(zentra::VList& /*list*/,
                                                         int /*index*/) override {
        return std::make_unique<SampleRow>(m_skin, m_definition);
    }

private:
    const zentra::Properties& m_skin;
    platform::WString m_definition;
};

// The first vlist in tree order, or the first whose id is id when id is not empty.
zentra::VList* find_list(zentra::Node& node, const platform::WString& id) {
    if (auto* list = dynamic_cast<zentra::VList*>(&node)) {
        if (id.empty() || list->name() == id) {
            return list;
        }
    }
    for (int i = 0; i < node.child_count(); ++i) {
        if (zentra::VList* found = find_list(*node.child(i), id)) {
            return found;
        }
    }
    return nullptr;
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
    // The program registers spinners at start-up, not with the basic types; date rows need them.
    zentra::NodeFactory::register_type(u"spinner", zentra::create_node<zentra::SpinnerNode>);
    const platform::WString definition = platform::from_utf8(o.definition);
    const std::optional<zentra::SkinRecord> record = skin.find_definition(definition);
    if (!record) {
        return failure(o.skin + ": no definition '" + o.definition + "'");
    }
    // A screen loads its definition into itself; here the definition's own type stands in
    // for the screen's class, so a definition that is, say, an image draws as one.
    const platform::WString element = platform::from_utf8(o.element);
    if (o.rows >= 0 && !skin.find_definition(element)) {
        return failure(o.skin + ": no definition '" + o.element + "'");
    }
    // Declared before the tree so it outlives the list that refers to it.
    SampleRows sample_rows(skin, element);

    const platform::WString type = skin.get_string(*record, u"type");
    std::unique_ptr<zentra::Node> owned_root =
        type.empty() ? std::make_unique<zentra::Node>() : zentra::NodeFactory::create(type);
    zentra::Node& root = *owned_root;
    zentra::load_from_skin(root, skin, definition);
    if (o.rows >= 0) {
        zentra::VList* list = find_list(root, platform::from_utf8(o.list));
        if (!list) {
            return failure(o.skin + ": '" + o.definition + "' has no vlist" +
                           (o.list.empty() ? "" : " '" + o.list + "'"));
        }
        list->set_adapter(&sample_rows);
        list->reset(o.rows);
    }
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
