// Skin properties are read in place whenever a screen builds or rebuilds its nodes, so a
// lookup and a tree build are what the skin's speed comes down to.
#include <benchmark/benchmark.h>

#include <string>

#include "skin/node.h"
#include "skin/node_factory.h"
#include "skin/properties.h"
#include "tools/skinc/skin_model.h"

namespace {

using platform::WString;
using zentra::PropertyGroup;

WString numbered(const char16_t* stem, int i) { return WString(stem) + platform::to_wstring(i); }

// 100 definitions; "Screen" has 40 integer and 40 string keys and a tree of 4 x 50 nodes.
skinc::SkinModel make_model() {
    skinc::SkinModel model;
    for (int d = 0; d < 100; ++d) {
        model.definitions.push_back({numbered(u"Definition", d), {}});
    }
    skinc::SkinNode screen;
    for (int k = 0; k < 40; ++k) {
        screen.properties.push_back({PropertyGroup::Integer, numbered(u"int_key_", k), k});
        screen.properties.push_back(
            {PropertyGroup::String, numbered(u"string_key_", k), numbered(u"value ", k)});
    }
    screen.properties.push_back({PropertyGroup::String, u"type", WString(u"node")});
    for (int row = 0; row < 50; ++row) {
        skinc::SkinNode element;
        element.properties.push_back({PropertyGroup::String, u"type", WString(u"node")});
        element.properties.push_back({PropertyGroup::String, u"id", numbered(u"row", row)});
        element.properties.push_back({PropertyGroup::Point, u"design_size", zentra::Point{240, 40}});
        for (int c = 0; c < 3; ++c) {
            skinc::SkinNode cell;
            cell.properties.push_back({PropertyGroup::String, u"type", WString(u"node")});
            cell.properties.push_back({PropertyGroup::String, u"anchor_x", WString(u"MIN_SIDE")});
            element.children.push_back(cell);
        }
        screen.children.push_back(element);
    }
    model.definitions.push_back({u"Screen", screen});
    return model;
}

struct LoadedSkin {
    zentra::Properties properties;
    zentra::SkinRecord screen{};
    LoadedSkin() {
        std::vector<uint8_t> bytes;
        std::string error;
        if (!skinc::write_skin(make_model(), bytes, error) ||
            !properties.load_skin_from_memory(std::move(bytes), u"bench.skin", {})) {
            std::abort();
        }
        screen = *properties.find_definition(u"Screen");
    }
};

LoadedSkin& skin() {
    static LoadedSkin loaded;
    return loaded;
}

void BM_IntegerLookup(benchmark::State& state) {
    auto& s = skin();
    for (auto _ : state) {
        benchmark::DoNotOptimize(s.properties.get_integer(s.screen, u"int_key_27", -1));
    }
}
BENCHMARK(BM_IntegerLookup);

void BM_StringLookupMissing(benchmark::State& state) {
    auto& s = skin();
    for (auto _ : state) {
        benchmark::DoNotOptimize(s.properties.get_string(s.screen, u"string_key_999"));
    }
}
BENCHMARK(BM_StringLookupMissing);

void BM_FindDefinition(benchmark::State& state) {
    auto& s = skin();
    for (auto _ : state) {
        benchmark::DoNotOptimize(s.properties.find_definition(u"Definition57"));
    }
}
BENCHMARK(BM_FindDefinition);

// Builds the 201-node screen tree from its records, as a screen does on every skin load.
void BM_BuildTree(benchmark::State& state) {
    auto& s = skin();
    if (!zentra::NodeFactory::is_registered(u"node")) {
        zentra::NodeFactory::register_type(u"node", zentra::create_node<zentra::Node>);
    }
    for (auto _ : state) {
        zentra::Node root;
        benchmark::DoNotOptimize(zentra::load_from_skin(root, s.properties, u"Screen"));
    }
}
BENCHMARK(BM_BuildTree);

}  // namespace
