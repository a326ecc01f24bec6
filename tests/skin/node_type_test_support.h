#pragma once
// A small stage for node-type tests: compiles skin source text, loads it with pictures made
// in memory, builds a definition through the registered node types, lays it out and draws it
// into an RGB565 surface whose pixels the test reads.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ustring.h"
#include "skin/bitmap.h"
#include "skin/layout.h"
#include "skin/node.h"
#include "skin/node_types.h"
#include "skin/properties.h"
#include "skin/render_surface.h"
#include "tests/skin/skin_test_support.h"
#include "tools/skinc/source_parser.h"

namespace skintest {

// A picture of w x h whose pixel (x, y) is pixel(x, y).
template <typename Pixel>
std::shared_ptr<const zentra::Bitmap> picture(int width, int height, Pixel pixel) {
    auto bitmap = std::make_shared<zentra::Bitmap>(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bitmap->row(y)[x] = static_cast<uint16_t>(pixel(x, y));
        }
    }
    return bitmap;
}

class NodeStage : public ::testing::Test {
protected:
    void SetUp() override { zentra::register_node_types(); }
    void TearDown() override { zentra::unregister_node_types(); }

    // Pictures the next load() finds by name.
    void add_picture(const std::string& name, std::shared_ptr<const zentra::Bitmap> bitmap) {
        m_pictures[platform::from_utf8(name)] = std::move(bitmap);
    }

    // Compiles source and loads it for a screen of dpi dots per inch.
    void load(const std::string& source, int dpi = 96) {
        std::vector<uint8_t> bytes;
        skintest::compile_source(source, bytes);
        zentra::ScreenMetrics metrics;
        metrics.dpi_y = dpi;
        auto pictures = m_pictures;
        auto loader = [pictures](platform::WStringView path) {
            const size_t slash = path.find_last_of(u"\\/");
            const platform::WString name(path.substr(slash == path.npos ? 0 : slash + 1));
            auto found = pictures.find(name);
            return found != pictures.end() ? found->second
                                           : std::make_shared<const zentra::Bitmap>();
        };
        ASSERT_TRUE(skin.load_skin_from_memory(std::move(bytes), u"/skins/test.skin", metrics,
                                               loader));
    }

    // Builds the definition into root, lays it out at (0, 0) in w x h and draws it over a
    // surface filled with background.
    void show(const std::string& definition, int width, int height, uint16_t background = 0) {
        ASSERT_TRUE(zentra::load_from_skin(root, skin, platform::from_utf8(definition)));
        zentra::layout_root(root, {0, 0}, {width, height});
        surface.recreate(width, height);
        ASSERT_FALSE(surface.empty());
        for (int y = 0; y < height; ++y) {
            std::fill_n(surface.bitmap()->row(y), width, background);
        }
        root.render(surface, {0, 0});
    }

    uint16_t pixel(int x, int y) const { return surface.bitmap()->row(y)[x]; }

    // The pixels of row y from x0 up to x1, for compact expectations.
    std::vector<uint16_t> row(int y, int x0, int x1) const {
        const uint16_t* p = surface.bitmap()->row(y);
        return {p + x0, p + x1};
    }

    // The first descendant of root named name, as a T.
    template <typename T>
    T& node(const char16_t* name) {
        return root.find<T>(name);
    }

    zentra::Properties skin;
    zentra::Node root;
    zentra::RenderSurface surface;

private:
    std::map<platform::WString, std::shared_ptr<const zentra::Bitmap>> m_pictures;
};

}  // namespace skintest
